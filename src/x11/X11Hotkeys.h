#pragma once
// Global hot keys as passive grabs on the root window. Presses arrive on the
// display's reader thread; the press handler runs later on the main thread.
// A grab sits on a key code: when the keyboard mapping changes, each hot key
// moves to the key that now types its letter.
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "X11Keys.h"
#include "ports/HotkeyPort.h"

namespace clipvane::x11 {

class X11Display;

class X11Hotkeys : public HotkeyPort {
 public:
  explicit X11Hotkeys(X11Display& display);
  ~X11Hotkeys() override;

  std::optional<Ref> registerHotkey(std::uint32_t keyCode, std::uint32_t modifiers,
                                    HotkeyID id) override;
  void unregisterHotkey(Ref ref) override;
  void setPressHandler(
      std::function<void(HotkeyID, std::optional<std::uint64_t>)> handler) override;

  // Asked on the reader thread as a hot key goes down: the window of the
  // application in front (0: none). Unset, presses carry none.
  std::function<std::uint64_t()> frontWindow;

  // The key code a registration's grab sits on; none while it holds none.
  std::optional<xcb_keycode_t> grabbedKeyCode(Ref ref) const;

 private:
  struct Grab {
    uint32_t sym;        // the key as registered
    uint32_t modifiers;  // Modifier bits as registered
    xcb_keycode_t code;  // where the key sits in the current mapping
    uint16_t mask;
    bool held;  // grabbed at `code`
    HotkeyID id;
  };
  bool onEvent(const xcb_generic_event_t& event);
  void followMapping();

  X11Display& display_;
  QObject context_;  // drops presses still queued when this registry goes
  mutable std::mutex mutex_;
  ModifierMap mods_;
  std::map<Ref, Grab> grabs_;
  Ref nextRef_ = 1;
  std::function<void(HotkeyID, std::optional<std::uint64_t>)> handler_;  // main thread only
  int listener_ = 0;
};

}  // namespace clipvane::x11
