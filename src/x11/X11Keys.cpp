#include "X11Keys.h"

#include <xcb/xcb_keysyms.h>
#include "XcbXkb.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "VirtualKeys.h"
#include "X11Display.h"
#include "XcbReply.h"

namespace clipvane::x11 {

namespace {

struct SymbolsDeleter {
  void operator()(xcb_key_symbols_t* s) const { xcb_key_symbols_free(s); }
};
using Symbols = std::unique_ptr<xcb_key_symbols_t, SymbolsDeleter>;

// The keys this program gave a keysym to type its own keystrokes with (the
// mapping is the server's: one for every connection).
std::mutex sparesMutex;
std::map<xcb_keycode_t, uint32_t> spareKeys;

// The places of the US layout's characters, row by row from the digits down,
// as the server names the keys.
struct Row {
  const char* chars;
  char row;  // E, D, C or B
};
constexpr Row kUsRows[] = {
    {"1234567890-=", 'E'}, {"qwertyuiop[]", 'D'}, {"asdfghjkl;'", 'C'}, {"zxcvbnm,./", 'B'}};

// The name of the key that types the character on a US keyboard.
std::optional<std::array<char, 4>> usPlace(uint32_t sym) {
  if (sym == '`') return std::array<char, 4>{'T', 'L', 'D', 'E'};
  if (sym == '\\') return std::array<char, 4>{'B', 'K', 'S', 'L'};
  if (sym == ' ') return std::array<char, 4>{'S', 'P', 'C', 'E'};
  for (const Row& r : kUsRows)
    for (int i = 0; r.chars[i]; ++i)
      if (uint32_t(static_cast<unsigned char>(r.chars[i])) == sym)
        return std::array<char, 4>{'A', r.row, char('0' + (i + 1) / 10), char('0' + (i + 1) % 10)};
  return std::nullopt;
}

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

KeyLayout KeyLayout::read(X11Display& display) {
  KeyLayout layout;
  if (display.ok() && !layout.readXkb(display)) layout.readCore(display);
  // A spare key stays the program's while it types what it was given (a new
  // keyboard map takes it back).
  std::lock_guard lock(sparesMutex);
  for (auto it = spareKeys.begin(); it != spareKeys.end();) {
    const auto& syms =
        it->first < layout.keys_.size() ? layout.keys_[it->first].syms : std::vector<uint32_t>{};
    if (std::find(syms.begin(), syms.end(), it->second) == syms.end()) {
      it = spareKeys.erase(it);
    } else {
      layout.spares_.push_back(it->first);
      ++it;
    }
  }
  return layout;
}

bool KeyLayout::readXkb(X11Display& display) {
  if (!display.keyboardNotices()) return false;
  xcb_connection_t* c = display.conn();
  const auto device = XCB_XKB_ID_USE_CORE_KBD;
  // Every key's symbols (the part asked for in full), nothing else.
  auto mapCookie = xcb_xkb_get_map(c, device, XCB_XKB_MAP_PART_KEY_SYMS, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0);
  auto stateCookie = xcb_xkb_get_state(c, device);
  auto namesCookie = xcb_xkb_get_names(c, device, XCB_XKB_NAME_DETAIL_KEY_NAMES);
  Reply<xcb_xkb_get_map_reply_t> map(xcb_xkb_get_map_reply(c, mapCookie, nullptr));
  Reply<xcb_xkb_get_state_reply_t> state(xcb_xkb_get_state_reply(c, stateCookie, nullptr));
  Reply<xcb_xkb_get_names_reply_t> names(xcb_xkb_get_names_reply(c, namesCookie, nullptr));
  if (!map || !state) return false;
  group_ = state->group;

  xcb_xkb_get_map_map_t parts{};
  xcb_xkb_get_map_map_unpack(xcb_xkb_get_map_map(map.get()), map->nTypes, map->nKeySyms,
                             map->nKeyActions, map->totalActions, map->totalKeyBehaviors,
                             map->virtualMods, map->totalKeyExplicit, map->totalModMapKeys,
                             map->totalVModMapKeys, map->present, &parts);
  keys_.assign(256, Key{});
  auto it = xcb_xkb_get_map_map_syms_rtrn_iterator(map.get(), &parts);
  for (int i = 0; it.rem > 0; ++i, xcb_xkb_key_sym_map_next(&it)) {
    const int code = map->firstKeySym + i;
    if (code > 255) break;
    Key& key = keys_[code];
    key.groups = it.data->groupInfo & 0x0f;
    key.groupInfo = it.data->groupInfo;
    key.width = it.data->width;
    const xcb_keysym_t* syms = xcb_xkb_key_sym_map_syms(it.data);
    key.syms.assign(syms, syms + xcb_xkb_key_sym_map_syms_length(it.data));
  }

  if (names) {
    xcb_xkb_get_names_value_list_t list{};
    xcb_xkb_get_names_value_list_unpack(xcb_xkb_get_names_value_list(names.get()), names->nTypes,
                                        names->indicators, names->virtualMods, names->groupNames,
                                        names->nKeys, names->nKeyAliases, names->nRadioGroups,
                                        names->which, &list);
    for (int i = 0; list.keyNames && i < names->nKeys && names->firstKey + i < 256; ++i)
      std::copy_n(list.keyNames[i].name, 4, keys_[names->firstKey + i].name.begin());
  }
  return true;
}

void KeyLayout::readCore(X11Display& display) {
  // Without XKB every key has one group: the core mapping's row.
  xcb_connection_t* c = display.conn();
  const xcb_setup_t* setup = xcb_get_setup(c);
  const uint8_t first = setup->min_keycode, count = uint8_t(setup->max_keycode - first + 1);
  Reply<xcb_get_keyboard_mapping_reply_t> reply(
      xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr));
  if (!reply) return;
  const uint8_t width = reply->keysyms_per_keycode;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
  const int total = xcb_get_keyboard_mapping_keysyms_length(reply.get());
  keys_.assign(256, Key{});
  for (int i = 0; i < count && (i + 1) * width <= total; ++i) {
    Key& key = keys_[first + i];
    key.groups = 1;
    key.width = width;
    key.syms.assign(syms + i * width, syms + (i + 1) * width);
  }
}

uint8_t KeyLayout::effectiveGroup(const Key& key, uint8_t group) {
  if (group < key.groups) return group;
  // What the server does with a group the key lacks: clamp to its last one,
  // redirect to a named one, or (the default) wrap around.
  switch (key.groupInfo & 0xc0) {
    case 0x40:
      return uint8_t(key.groups - 1);
    case 0x80: {
      const uint8_t to = (key.groupInfo >> 4) & 0x03;
      return to < key.groups ? to : 0;
    }
    default:
      return uint8_t(group % key.groups);
  }
}

uint32_t KeyLayout::sym(const Key& key, uint8_t group, uint8_t level) {
  const size_t at = size_t(group) * key.width + level;
  return level < key.width && at < key.syms.size() ? key.syms[at] : 0;
}

std::optional<xcb_keycode_t> KeyLayout::find(const std::function<bool(const Key&)>& matches,
                                             bool spares) const {
  for (size_t code = 8; code < keys_.size(); ++code) {
    if (!keys_[code].groups || !matches(keys_[code])) continue;
    if (!spares && std::find(spares_.begin(), spares_.end(), code) != spares_.end()) continue;
    return xcb_keycode_t(code);
  }
  return std::nullopt;
}

std::optional<xcb_keycode_t> KeyLayout::typing(uint32_t keysym, bool spares) const {
  if (!keysym) return std::nullopt;
  // Unshifted in the group in force: what the letters and named keys need.
  if (auto code = find([&](const Key& k) { return sym(k, effectiveGroup(k, group_), 0) == keysym; },
                       spares))
    return code;
  // Unshifted in another group.
  return find(
      [&](const Key& k) {
        for (uint8_t g = 0; g < k.groups; ++g)
          if (sym(k, g, 0) == keysym) return true;
        return false;
      },
      spares);
}

std::optional<xcb_keycode_t> KeyLayout::keycodeFor(uint32_t keysym) const {
  if (auto code = typing(keysym, false)) return code;
  // Its place on a US keyboard.
  if (const auto place = usPlace(keysym))
    if (auto code = find([&](const Key& k) { return k.name == *place; }, false)) return code;
  // On any level of any group.
  return find(
      [&](const Key& k) { return std::find(k.syms.begin(), k.syms.end(), keysym) != k.syms.end(); },
      false);
}

std::optional<xcb_keycode_t> KeyLayout::keycodeToType(X11Display& display, uint32_t keysym) const {
  if (auto code = typing(keysym, true)) return code;
  // A key of no layout: none of its groups has a symbol.
  std::optional<xcb_keycode_t> spare;
  const xcb_setup_t* setup = display.ok() ? xcb_get_setup(display.conn()) : nullptr;
  const size_t last = setup ? std::min<size_t>(setup->max_keycode, keys_.size() - 1) : 0;
  for (size_t code = last; code >= 8 && code < keys_.size() && !spare; --code)
    if (std::all_of(keys_[code].syms.begin(), keys_[code].syms.end(),
                    [](uint32_t s) { return s == 0; }))
      spare = xcb_keycode_t(code);
  if (!spare || !display.ok() || keysym > 0xffff) return keycodeFor(keysym);
  // Given the keysym for good: a toolkit reads the new mapping when its next
  // key arrives, and one given back at once could be read too late.
  const xcb_keysym_t syms[2] = {keysym, keysym >= 'a' && keysym <= 'z' ? keysym - 0x20 : keysym};
  xcb_change_keyboard_mapping(display.conn(), 1, *spare, 2, syms);
  display.sync();
  {
    std::lock_guard lock(sparesMutex);
    spareKeys[*spare] = keysym;
  }
  return spare;
}

void KeyLayout::releaseSpares(X11Display& display) {
  std::lock_guard lock(sparesMutex);
  if (!display.ok() || spareKeys.empty()) return;
  const xcb_keysym_t none = 0;
  for (const auto& [code, keysym] : spareKeys)
    xcb_change_keyboard_mapping(display.conn(), 1, code, 1, &none);
  spareKeys.clear();
  display.sync();
}

uint32_t KeyLayout::typedBy(xcb_keycode_t code, std::optional<uint8_t> group) const {
  if (code >= keys_.size() || !keys_[code].groups) return 0;
  const Key& k = keys_[code];
  return sym(k, effectiveGroup(k, group.value_or(group_)), 0);
}

std::optional<xcb_keycode_t> keycodeForKeysym(X11Display& display, uint32_t sym) {
  return KeyLayout::read(display).keycodeFor(sym);
}

bool isKeyMappingChange(X11Display& display, const xcb_generic_event_t& event) {
  const uint8_t type = event.response_type & 0x7f;
  if (type == XCB_MAPPING_NOTIFY) {
    const auto& notify = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
    return notify.request == XCB_MAPPING_KEYBOARD || notify.request == XCB_MAPPING_MODIFIER;
  }
  const uint8_t xkb = display.keyboardNotices();
  if (!xkb || type != xkb) return false;
  // The group notice is asked for with group changes only.
  const uint8_t xkbType = event.pad0;
  return xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY ||
         xkbType == XCB_XKB_STATE_NOTIFY;
}

}  // namespace clipvane::x11
