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
  for (auto& [ref, grab] : grabs_) ungrabKey(display_, mods_, grab.code, grab.mask);
}

std::optional<HotkeyPort::Ref> X11Hotkeys::registerHotkey(std::uint32_t keyCode,
                                                          std::uint32_t modifiers, HotkeyID id) {
  const auto sym = keysymForVirtualKey(keyCode);
  if (!sym) return std::nullopt;
  const auto code = keycodeForKeysym(display_, *sym);
  if (!code) return std::nullopt;
  std::lock_guard lock(mutex_);
  // The mapping may have changed since the last registration (a new keyboard).
  mods_ = ModifierMap::read(display_);
  const uint16_t mask = mods_.fromModifiers(modifiers);
  // The paste shortcuts belong to the paste-key grab on the same connection:
  // a second grab would silently change its mode.
  if (*sym == keysym::v &&
      (mask == XCB_MOD_MASK_CONTROL || mask == (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT)))
    return std::nullopt;
  // A combination this registry already holds is not grabbed twice: the
  // second registration would silently take over the first one's grab.
  for (auto& [ref, grab] : grabs_)
    if (grab.code == *code && grab.mask == mask) return std::nullopt;
  if (!grabKey(display_, mods_, *code, mask, false)) return std::nullopt;
  const Ref ref = nextRef_++;
  grabs_.emplace(ref, Grab{*code, mask, id});
  return ref;
}

void X11Hotkeys::unregisterHotkey(Ref ref) {
  std::lock_guard lock(mutex_);
  auto it = grabs_.find(ref);
  if (it == grabs_.end()) return;
  ungrabKey(display_, mods_, it->second.code, it->second.mask);
  grabs_.erase(it);
}

void X11Hotkeys::setPressHandler(std::function<void(HotkeyID)> handler) {
  handler_ = std::move(handler);
}

bool X11Hotkeys::onEvent(const xcb_generic_event_t& event) {
  if ((event.response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto& press = reinterpret_cast<const xcb_key_press_event_t&>(event);
  std::lock_guard lock(mutex_);
  const uint16_t state = mods_.withoutLocks(press.state);
  for (auto& [ref, grab] : grabs_) {
    if (grab.code != press.detail || grab.mask != state) continue;
    QMetaObject::invokeMethod(
        &context_,
        [this, id = grab.id] {
          if (handler_) handler_(id);
        },
        Qt::QueuedConnection);
    return true;
  }
  return false;
}

}  // namespace clipvane::x11
