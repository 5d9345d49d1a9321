#pragma once
// A synchronous grab of the paste keystrokes (Ctrl+V, Ctrl+Shift+V and
// Shift+Insert, with any lock key) on the whole desktop. While a press waits for its verdict the
// keyboard is frozen, so the decision must stay short and never wait for
// detection.
#include <cstdint>
#include <functional>
#include <optional>

namespace clipvane {

class KeyGrabPort {
 public:
  // One grabbed key press. Lock keys (Caps Lock, Num Lock) are left out.
  struct Press {
    std::uint32_t keyCode = 0;  // the stored virtual key code (9 = V, 114 = Insert)
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool super = false;
    // The press is one the program posted itself (the keyboard port counted
    // it out before sending).
    bool own = false;
    // The window of the application in front when the key went down, as
    // RunningApp::window names it (0: none); none when the port cannot tell.
    std::optional<std::uint64_t> pressedIn = std::nullopt;
  };

  enum class Verdict {
    replay,  // let the press reach the focused window unchanged
    swallow  // the focused window never sees it
  };

  using Decide = std::function<Verdict(const Press&)>;

  virtual ~KeyGrabPort() = default;

  // Grabs the shortcuts; each press is answered by decide on the main thread.
  // lost runs on the main thread when another client takes the grab away.
  // False when the grab is refused; nothing is held then.
  virtual bool start(Decide decide, std::function<void()> lost) = 0;
  // Releases the grab; harmless when none is held.
  virtual void stop() = 0;
};

}  // namespace clipvane
