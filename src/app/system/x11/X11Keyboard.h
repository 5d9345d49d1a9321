#pragma once
// Synthetic keystrokes through XTest and the synchronous grab of the paste
// shortcuts (Ctrl+V, and Ctrl+Shift+V for terminals).
//
// A key event of X carries nothing of its sender, so the program's own paste
// is told apart by count: posting raises a counter of expected keystrokes and
// the grab consumes one per matching press (each expires after a second).
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "X11Keys.h"

namespace clipvane::x11 {

class X11Display;

class X11Keyboard {
 public:
  // Runs on the main thread for each press the user makes of a grabbed paste
  // shortcut: true swallows it, false lets it through to the focused window.
  using Decide = std::function<bool(bool withShift)>;

  explicit X11Keyboard(X11Display& display);
  ~X11Keyboard();

  // Posts one press and release of the key with the modifiers (a Carbon mask)
  // once the user has let go of every modifier, waiting at most `modifierWait`.
  void postKey(uint32_t virtualKey, uint32_t carbonModifiers);
  // Ctrl+V, or Ctrl+Shift+V for terminals.
  void postPaste(bool terminal);

  // Grabs Ctrl+V and Ctrl+Shift+V. False when another client holds them.
  bool startGrab(Decide decide);
  void stopGrab();
  bool grabbing() const;

  // How long a press waits for the decision before it is swallowed; a late
  // "let it through" is then posted again as the program's own.
  std::chrono::milliseconds decisionWait{800};
  std::chrono::milliseconds modifierWait{1000};

 private:
  struct Expected {
    xcb_keycode_t code;
    uint16_t mask;
    std::chrono::steady_clock::time_point until;
  };
  bool onEvent(const xcb_generic_event_t& event);
  bool consumeOwn(xcb_keycode_t code, uint16_t mask);
  void waitForReleasedModifiers();
  std::vector<xcb_keycode_t> heldModifiers();

  X11Display& display_;
  QObject context_;
  mutable std::mutex mutex_;
  ModifierMap mods_;
  xcb_keycode_t vCode_ = 0;
  Decide decide_;
  bool grabbing_ = false;
  std::vector<Expected> expected_;
  int listener_ = 0;
};

}  // namespace clipvane::x11
