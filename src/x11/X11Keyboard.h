#pragma once
// Synthetic keystrokes through XTest and the synchronous grab of the paste
// keystrokes (Ctrl+V, Ctrl+Shift+V and Shift+Insert).
//
// A key event of X carries nothing of its sender, so the program's own
// keystrokes pass beside the grab: it is lifted while they go down. (Replayed
// through it, a key would type what it types in the first group: the server
// replays a grabbed key without the group in force.)
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "X11Keys.h"
#include "ports/KeyGrabPort.h"
#include "ports/KeyboardPort.h"

namespace clipvane::x11 {

class X11Display;

class X11Keyboard : public KeyboardPort, public KeyGrabPort {
 public:
  explicit X11Keyboard(X11Display& display);
  ~X11Keyboard() override;

  // XTest and XFixes on a real X11 session (XWayland alone does not count:
  // its keystrokes reach X clients only).
  bool isTrusted(bool prompt = false) override;
  // A key-down with the program's marker first waits (at most
  // `releaseWait`) until the user has let go of every key, modifiers and the
  // key of the shortcut that asked for the paste alike, and passes beside the
  // paste-key grab. The key is the one that types the letter in the layout in
  // force. The modifiers are pressed with the key-down and released with the
  // key-up.
  void postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                    std::uint32_t marker) override;
  bool keysHeld() override { return !heldKeys().empty(); }

  // One press and release as the program's own.
  void postKey(uint16_t keyCode, uint32_t modifiers);
  // Ctrl+V, or Ctrl+Shift+V for terminals.
  void postPaste(bool terminal);

  // Grabs Ctrl+V, Ctrl+Shift+V and Shift+Insert; decide runs on the main thread for each
  // press the user makes (the program's own presses and presses into its own
  // windows pass without asking). False when another client holds them. The
  // grab follows the keys of V and Insert when the keyboard mapping changes;
  // `lost` runs (on the reader thread) when another client holds the keys
  // where they sit now.
  bool start(Decide decide, std::function<void()> lost) override;
  void stop() override;
  bool grabbing() const;
  // The key code of V in the mapping the grab follows.
  xcb_keycode_t pasteKeyCode() const;

  // How long a press waits for the decision before it is swallowed; a late
  // "let it through" is then posted again as the program's own.
  std::chrono::milliseconds decisionWait{800};
  std::chrono::milliseconds releaseWait{1000};
  // Asked on the reader thread as a paste key goes down: the window of the
  // application in front (0: none). Unset, presses carry none.
  std::function<std::uint64_t()> frontWindow;

 private:
  bool onEvent(const xcb_generic_event_t& event);
  // Both under the lock.
  bool grabPasteKeys();
  void ungrabPasteKeys();
  void followMapping();
  void waitForReleasedKeys();
  bool ownWindowActive();
  std::vector<xcb_keycode_t> heldKeys();

  X11Display& display_;
  QObject context_;
  mutable std::mutex mutex_;
  ModifierMap mods_;
  xcb_keycode_t vCode_ = 0;
  xcb_keycode_t insertCode_ = 0;
  // Whether the key of V types v in the first group too: a replay arrives as
  // it types there.
  bool replayTypesV_ = true;
  Decide decide_;
  std::function<void()> lost_;
  bool grabbing_ = false;
  std::optional<bool> extensionsPresent_;
  int listener_ = 0;
};

}  // namespace clipvane::x11
