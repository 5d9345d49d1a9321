#pragma once
// Global hot keys as passive grabs on the root window. Presses arrive on the
// display's reader thread and their actions run later on the main thread.
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "X11Keys.h"

namespace clipvane::x11 {

class X11Display;

class X11Hotkeys {
 public:
  explicit X11Hotkeys(X11Display& display);
  ~X11Hotkeys();

  // Grabs the combination for the id, replacing the id's earlier one. False
  // when the key has no keysym here or another client holds the combination.
  bool registerKey(uint32_t id, uint32_t virtualKey, uint32_t carbonModifiers,
                   std::function<void()> action);
  void unregisterKey(uint32_t id);

 private:
  struct Grab {
    xcb_keycode_t code;
    uint16_t mask;
    std::function<void()> action;
  };
  bool onEvent(const xcb_generic_event_t& event);

  X11Display& display_;
  QObject context_;  // drops presses still queued when this registry goes
  std::mutex mutex_;
  ModifierMap mods_;
  std::map<uint32_t, Grab> grabs_;
  int listener_ = 0;
};

}  // namespace clipvane::x11
