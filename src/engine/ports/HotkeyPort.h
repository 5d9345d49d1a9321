#pragma once
// System-wide key combinations.
#include <cstdint>
#include <functional>
#include <optional>

namespace clipvane {

// The pair every registration carries: the program's signature and its id.
struct HotkeyID {
  std::uint32_t signature = 0;
  std::uint32_t id = 0;
  bool operator==(const HotkeyID&) const = default;
};

class HotkeyPort {
 public:
  virtual ~HotkeyPort() = default;

  using Ref = std::uint64_t;

  // Grabs keyCode (a stored virtual key code) with the modifier mask
  // (Modifier bits) whatever the lock keys. Nothing when the system refuses
  // (another client holds the combination, an unknown key).
  virtual std::optional<Ref> registerHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                                            HotkeyID id) = 0;
  virtual void unregisterHotkey(Ref ref) = 0;

  // The one handler of presses; called on the main thread with the id of the
  // pressed registration and the window of the application in front when the
  // key went down, as RunningApp::window names it (0: none; none when the
  // port cannot tell). Setting it again replaces it.
  virtual void setPressHandler(
      std::function<void(HotkeyID, std::optional<std::uint64_t> pressedIn)> handler) = 0;
};

}  // namespace clipvane
