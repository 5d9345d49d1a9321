#pragma once
// Global hot keys as passive grabs on the root window. Presses arrive on the
// display's reader thread; the press handler runs later on the main thread.
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
  void setPressHandler(std::function<void(HotkeyID)> handler) override;

 private:
  struct Grab {
    xcb_keycode_t code;
    uint16_t mask;
    HotkeyID id;
  };
  bool onEvent(const xcb_generic_event_t& event);

  X11Display& display_;
  QObject context_;  // drops presses still queued when this registry goes
  std::mutex mutex_;
  ModifierMap mods_;
  std::map<Ref, Grab> grabs_;
  Ref nextRef_ = 1;
  std::function<void(HotkeyID)> handler_;  // main thread only
  int listener_ = 0;
};

}  // namespace clipvane::x11
