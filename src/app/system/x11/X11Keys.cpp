#include "X11Keys.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "X11Display.h"

namespace clipvane::x11 {

namespace {

// Virtual key code → keysym for every key of the ANSI layout that a shortcut
// can use.
constexpr std::pair<uint32_t, uint32_t> kKeys[] = {
    {0, 'a'},      {1, 's'},      {2, 'd'},      {3, 'f'},      {4, 'h'},      {5, 'g'},
    {6, 'z'},      {7, 'x'},      {8, 'c'},      {9, 'v'},      {11, 'b'},     {12, 'q'},
    {13, 'w'},     {14, 'e'},     {15, 'r'},     {16, 'y'},     {17, 't'},     {18, '1'},
    {19, '2'},     {20, '3'},     {21, '4'},     {22, '6'},     {23, '5'},     {24, '='},
    {25, '9'},     {26, '7'},     {27, '-'},     {28, '8'},     {29, '0'},     {30, ']'},
    {31, 'o'},     {32, 'u'},     {33, '['},     {34, 'i'},     {35, 'p'},     {36, 0xff0d},
    {37, 'l'},     {38, 'j'},     {39, '\''},    {40, 'k'},     {41, ';'},     {42, '\\'},
    {43, ','},     {44, '/'},     {45, 'n'},     {46, 'm'},     {47, '.'},     {48, 0xff09},
    {49, ' '},     {50, '`'},     {51, 0xff08},  {53, 0xff1b},  {65, 0xffae},  {67, 0xffaa},
    {69, 0xffab},  {75, 0xffaf},  {76, 0xff8d},  {78, 0xffad},  {81, 0xffbd},  {82, 0xffb0},
    {83, 0xffb1},  {84, 0xffb2},  {85, 0xffb3},  {86, 0xffb4},  {87, 0xffb5},  {88, 0xffb6},
    {89, 0xffb7},  {91, 0xffb8},  {92, 0xffb9},  {122, 0xffbe}, {120, 0xffbf}, {99, 0xffc0},
    {118, 0xffc1}, {96, 0xffc2},  {97, 0xffc3},  {98, 0xffc4},  {100, 0xffc5}, {101, 0xffc6},
    {109, 0xffc7}, {103, 0xffc8}, {111, 0xffc9}, {105, 0xffca}, {107, 0xffcb}, {113, 0xffcc},
    {114, 0xff63}, {115, 0xff50}, {116, 0xff55}, {117, 0xffff}, {119, 0xff57}, {121, 0xff56},
    {123, 0xff51}, {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
};

struct SymbolsDeleter {
  void operator()(xcb_key_symbols_t* s) const { xcb_key_symbols_free(s); }
};
using Symbols = std::unique_ptr<xcb_key_symbols_t, SymbolsDeleter>;

}  // namespace

std::optional<uint32_t> keysymForVirtualKey(uint32_t virtualKey) {
  for (auto [vk, sym] : kKeys)
    if (vk == virtualKey) return sym;
  return std::nullopt;
}

std::optional<uint32_t> virtualKeyForKeysym(uint32_t sym) {
  if (sym >= 'A' && sym <= 'Z') sym += 'a' - 'A';
  for (auto [vk, s] : kKeys)
    if (s == sym) return vk;
  return std::nullopt;
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
