#include "X11Hotkeys.h"

#include <QMetaObject>

#include "X11Display.h"
#include "X11Grabs.h"

namespace clipvane::x11 {

X11Hotkeys::X11Hotkeys(X11Display& display) : display_(display) {
  mods_ = ModifierMap::read(display_);
  listener_ = display_.addListener([this](const xcb_generic_event_t& e) { return onEvent(e); });
}

X11Hotkeys::~X11Hotkeys() {
  display_.removeListener(listener_);
  std::lock_guard lock(mutex_);
  for (auto& [id, grab] : grabs_) ungrabKey(display_, mods_, grab.code, grab.mask);
}

bool X11Hotkeys::registerKey(uint32_t id, uint32_t virtualKey, uint32_t carbonModifiers,
                             std::function<void()> action) {
  unregisterKey(id);
  const auto sym = keysymForVirtualKey(virtualKey);
  if (!sym) return false;
  const auto code = keycodeForKeysym(display_, *sym);
  if (!code) return false;
  std::lock_guard lock(mutex_);
  // The mapping may have changed since the last registration (a new keyboard).
  mods_ = ModifierMap::read(display_);
  const uint16_t mask = mods_.fromCarbon(carbonModifiers);
  if (!grabKey(display_, mods_, *code, mask, false)) return false;
  grabs_[id] = Grab{*code, mask, std::move(action)};
  return true;
}

void X11Hotkeys::unregisterKey(uint32_t id) {
  std::lock_guard lock(mutex_);
  auto it = grabs_.find(id);
  if (it == grabs_.end()) return;
  const Grab& grab = it->second;
  // Two ids may share a combination; the grab stays while another holds it.
  bool shared = false;
  for (auto& [other, g] : grabs_)
    if (other != id && g.code == grab.code && g.mask == grab.mask) shared = true;
  if (!shared) ungrabKey(display_, mods_, grab.code, grab.mask);
  grabs_.erase(it);
}

bool X11Hotkeys::onEvent(const xcb_generic_event_t& event) {
  if ((event.response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto& press = reinterpret_cast<const xcb_key_press_event_t&>(event);
  std::lock_guard lock(mutex_);
  const uint16_t state = mods_.withoutLocks(press.state);
  for (auto& [id, grab] : grabs_) {
    if (grab.code != press.detail || grab.mask != state) continue;
    const uint32_t pressed = id;
    // The action runs after this returns, and only if the id is still there.
    QMetaObject::invokeMethod(
        &context_,
        [this, pressed] {
          std::function<void()> action;
          {
            std::lock_guard relock(mutex_);
            if (auto it = grabs_.find(pressed); it != grabs_.end()) action = it->second.action;
          }
          if (action) action();
        },
        Qt::QueuedConnection);
    return true;
  }
  return false;
}

}  // namespace clipvane::x11
