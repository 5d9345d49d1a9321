#include "X11Hotkeys.h"

#include <QMetaObject>

#include <utility>

#include "X11Display.h"
#include "X11Grabs.h"

namespace clipvane::x11 {

X11Hotkeys::X11Hotkeys(X11Display& display) : display_(display) {
  display_.keyboardNotices();
  mods_ = ModifierMap::read(display_);
  listener_ = display_.addListener([this](const xcb_generic_event_t& e) { return onEvent(e); });
}

X11Hotkeys::~X11Hotkeys() {
  display_.removeListener(listener_);
  std::lock_guard lock(mutex_);
  for (auto& [ref, grab] : grabs_)
    if (grab.held) ungrabKey(display_, mods_, grab.code, grab.mask);
}

std::optional<HotkeyPort::Ref> X11Hotkeys::registerHotkey(std::uint32_t keyCode,
                                                          std::uint32_t modifiers, HotkeyID id) {
  const auto sym = keysymForVirtualKey(keyCode);
  if (!sym) return std::nullopt;
  // Under the lock: a mapping change read meanwhile moves this grab too.
  std::lock_guard lock(mutex_);
  const auto code = keycodeForKeysym(display_, *sym);
  if (!code) return std::nullopt;
  const uint16_t mask = mods_.fromModifiers(modifiers);
  // The paste shortcuts belong to the paste-key grab on the same connection:
  // a second grab would silently change its mode.
  if (*sym == keysym::v &&
      (mask == XCB_MOD_MASK_CONTROL || mask == (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT)))
    return std::nullopt;
  // A combination this registry already holds is not grabbed twice: the
  // second registration would silently take over the first one's grab.
  for (auto& [ref, grab] : grabs_)
    if (grab.sym == *sym && grab.modifiers == modifiers) return std::nullopt;
  if (!grabKey(display_, mods_, *code, mask, false)) return std::nullopt;
  const Ref ref = nextRef_++;
  grabs_.emplace(ref, Grab{*sym, modifiers, *code, mask, true, id});
  return ref;
}

void X11Hotkeys::unregisterHotkey(Ref ref) {
  std::lock_guard lock(mutex_);
  auto it = grabs_.find(ref);
  if (it == grabs_.end()) return;
  if (it->second.held) ungrabKey(display_, mods_, it->second.code, it->second.mask);
  grabs_.erase(it);
}

std::optional<xcb_keycode_t> X11Hotkeys::grabbedKeyCode(Ref ref) const {
  std::lock_guard lock(mutex_);
  auto it = grabs_.find(ref);
  if (it == grabs_.end() || !it->second.held) return std::nullopt;
  return it->second.code;
}

void X11Hotkeys::setPressHandler(
    std::function<void(HotkeyID, std::optional<std::uint64_t>)> handler) {
  handler_ = std::move(handler);
}

void X11Hotkeys::followMapping() {
  std::lock_guard lock(mutex_);
  const ModifierMap old = std::exchange(mods_, ModifierMap::read(display_));
  const KeyLayout layout = KeyLayout::read(display_);
  for (auto& [ref, grab] : grabs_) {
    const xcb_keycode_t code = layout.keycodeFor(grab.sym).value_or(0);
    const uint16_t mask = mods_.fromModifiers(grab.modifiers);
    if (grab.held && code == grab.code && mask == grab.mask && old == mods_) continue;
    if (grab.held) ungrabKey(display_, old, grab.code, grab.mask);
    grab.code = code;
    grab.mask = mask;
    // Refused where the key sits now (held by another client, or a key this
    // layout lacks): it does nothing until a later mapping frees it, as a
    // refused registration does nothing.
    grab.held = code && grabKey(display_, mods_, code, mask, false);
  }
}

bool X11Hotkeys::onEvent(const xcb_generic_event_t& event) {
  if (isKeyMappingChange(display_, event)) {
    followMapping();
    return false;  // the paste-key grab follows it too
  }
  if ((event.response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto& press = reinterpret_cast<const xcb_key_press_event_t&>(event);
  std::optional<HotkeyID> id;
  {
    std::lock_guard lock(mutex_);
    const uint16_t state = mods_.withoutLocks(press.state);
    for (auto& [ref, grab] : grabs_)
      if (grab.held && grab.code == press.detail && grab.mask == state) {
        id = grab.id;
        break;
      }
  }
  if (!id) return false;
  // Where the user is now, not once the main thread gets round to the press.
  const std::optional<std::uint64_t> in = frontWindow ? std::optional(frontWindow()) : std::nullopt;
  QMetaObject::invokeMethod(
      &context_,
      [this, id = *id, in] {
        if (handler_) handler_(id, in);
      },
      Qt::QueuedConnection);
  return true;
}

}  // namespace clipvane::x11
