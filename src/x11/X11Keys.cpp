#include "X11Keys.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "VirtualKeys.h"
#include "X11Display.h"

namespace clipvane::x11 {

namespace {

struct SymbolsDeleter {
  void operator()(xcb_key_symbols_t* s) const { xcb_key_symbols_free(s); }
};
using Symbols = std::unique_ptr<xcb_key_symbols_t, SymbolsDeleter>;

}  // namespace

std::optional<uint32_t> keysymForVirtualKey(uint32_t virtualKey) {
  return VirtualKeys::keysymFor(virtualKey);
}

std::optional<uint32_t> virtualKeyForKeysym(uint32_t sym) {
  return VirtualKeys::virtualKeyFor(sym);
}

ModifierMap ModifierMap::read(X11Display& display) {
  ModifierMap map;
  if (!display.ok()) return map;
  xcb_connection_t* c = display.conn();
  Symbols symbols(xcb_key_symbols_alloc(c));
  auto cookie = xcb_get_modifier_mapping(c);
  std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
      xcb_get_modifier_mapping_reply(c, cookie, nullptr), &std::free);
  if (!reply || !symbols) return map;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
  const int perModifier = reply->keycodes_per_modifier;
  uint16_t alt = 0, super = 0, numLock = 0;
  for (int mod = 0; mod < 8; ++mod) {
    for (int k = 0; k < perModifier; ++k) {
      const xcb_keycode_t code = codes[mod * perModifier + k];
      if (!code) continue;
      const uint16_t bit = static_cast<uint16_t>(1u << mod);
      for (int col = 0; col < 4; ++col) {
        const uint32_t sym = xcb_key_symbols_get_keysym(symbols.get(), code, col);
        if (sym == keysym::numLock) numLock = bit;
        if (mod < 3) continue;  // Shift, Lock and Control are fixed
        if ((sym == keysym::altL || sym == keysym::altR || sym == keysym::metaL) && !alt) alt = bit;
        if ((sym == keysym::superL || sym == keysym::superR) && !super) super = bit;
      }
    }
  }
  if (alt) map.alt = alt;
  if (super) map.super = super;
  map.numLock = numLock;  // may be 0: no NumLock key in the mapping
  return map;
}

uint16_t ModifierMap::fromModifiers(uint32_t m) const {
  uint16_t x = 0;
  if (m & Modifier::control) x |= XCB_MOD_MASK_CONTROL;
  if (m & Modifier::option) x |= alt;
  if (m & Modifier::shift) x |= XCB_MOD_MASK_SHIFT;
  if (m & Modifier::command) x |= super;
  return x;
}

std::vector<uint16_t> ModifierMap::lockVariants(uint16_t mask) const {
  std::vector<uint16_t> v{mask, static_cast<uint16_t>(mask | XCB_MOD_MASK_LOCK)};
  if (numLock) {
    v.push_back(mask | numLock);
    v.push_back(mask | numLock | XCB_MOD_MASK_LOCK);
  }
  return v;
}

uint16_t ModifierMap::withoutLocks(uint16_t state) const {
  // Button bits (pointer buttons held) play no part either.
  return state & 0xff & ~(XCB_MOD_MASK_LOCK | numLock);
}

std::optional<xcb_keycode_t> keycodeForKeysym(X11Display& display, uint32_t sym) {
  if (!display.ok()) return std::nullopt;
  Symbols symbols(xcb_key_symbols_alloc(display.conn()));
  if (!symbols) return std::nullopt;
  std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
      xcb_key_symbols_get_keycode(symbols.get(), sym), &std::free);
  if (!codes || !codes.get()[0]) return std::nullopt;
  return codes.get()[0];
}

bool isKeyMappingChange(const xcb_generic_event_t& event) {
  if ((event.response_type & 0x7f) != XCB_MAPPING_NOTIFY) return false;
  const auto& notify = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
  return notify.request == XCB_MAPPING_KEYBOARD || notify.request == XCB_MAPPING_MODIFIER;
}

}  // namespace clipvane::x11
