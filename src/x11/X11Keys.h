#pragma once
// Key names of the stored settings in X terms: the stored key codes are the
// virtual key codes of the ANSI layout (9 = V, 15 = R, 35 = P, …) and the
// stored modifier masks are Modifier bits (control → Control, option → Alt,
// shift → Shift, command → Super).
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "ports/KeyboardPort.h"

namespace clipvane::x11 {

class X11Display;

namespace keysym {
inline constexpr uint32_t v = 0x76;
inline constexpr uint32_t insert = 0xff63;
inline constexpr uint32_t shiftL = 0xffe1;
inline constexpr uint32_t controlL = 0xffe3;
inline constexpr uint32_t altL = 0xffe9;
inline constexpr uint32_t altR = 0xffea;
inline constexpr uint32_t metaL = 0xffe7;
inline constexpr uint32_t superL = 0xffeb;
inline constexpr uint32_t superR = 0xffec;
inline constexpr uint32_t numLock = 0xff7f;
}  // namespace keysym

// The keysym of a stored virtual key code; nothing for a code without one.
std::optional<uint32_t> keysymForVirtualKey(uint32_t virtualKey);
// The reverse, for keys typed into the shortcut recorder.
std::optional<uint32_t> virtualKeyForKeysym(uint32_t keysym);

// The server's modifier layout: which X modifier bit Alt, Super and NumLock
// sit on in the current mapping.
struct ModifierMap {
  uint16_t alt = XCB_MOD_MASK_1;
  uint16_t super = XCB_MOD_MASK_4;
  uint16_t numLock = XCB_MOD_MASK_2;

  static ModifierMap read(X11Display& display);
  // The X state mask of a Modifier mask.
  uint16_t fromModifiers(uint32_t modifiers) const;
  // The four lock variants one grab needs: none, CapsLock, NumLock, both.
  std::vector<uint16_t> lockVariants(uint16_t mask) const;
  // The state without the lock bits, for matching a press to a grab.
  uint16_t withoutLocks(uint16_t state) const;

  bool operator==(const ModifierMap&) const = default;
};

// The keyboard as the server has it now: the symbols of every key in every
// group (layout) and the group in force. A keysym's key is the one that types
// it in the group in force; on a layout without it, the key that types it in
// another group (as toolkits match a shortcut such as Ctrl+V on a Cyrillic
// layout); on a keyboard with no group that has it, the key at the place the
// US layout puts it, where toolkits look last.
//
// A keystroke the program types itself needs a key that types its letter,
// or the destination reads another one: on a keyboard without the letter the
// program gives it to a key that no layout uses. Such a key is no user's
// key, and no grab sits on it.
class KeyLayout {
 public:
  static KeyLayout read(X11Display& display);

  // The key the user presses for the keysym.
  std::optional<xcb_keycode_t> keycodeFor(uint32_t keysym) const;
  // The key to type the keysym with: one that types it in the group in force
  // or another group, else a spare key given the keysym now, else the key
  // the user presses for it.
  std::optional<xcb_keycode_t> keycodeToType(X11Display& display, uint32_t keysym) const;
  // Takes the keysyms back from the spare keys, as the program ends.
  static void releaseSpares(X11Display& display);
  // What the key types unshifted in the group in force, or in the group given.
  uint32_t typedBy(xcb_keycode_t code, std::optional<uint8_t> group = std::nullopt) const;
  uint8_t group() const { return group_; }

 private:
  struct Key {
    uint8_t groups = 0;     // how many groups the key has
    uint8_t groupInfo = 0;  // what a group beyond them means
    uint8_t width = 0;      // symbols per group
    std::vector<uint32_t> syms;
    std::array<char, 4> name{};  // its place on the keyboard, "AB04"
  };
  // The group the key types in while `group` is in force.
  static uint8_t effectiveGroup(const Key& key, uint8_t group);
  static uint32_t sym(const Key& key, uint8_t group, uint8_t level);
  bool readXkb(X11Display& display);
  void readCore(X11Display& display);
  // The first key that types the keysym unshifted, in the group in force or
  // in another group; the program's spare keys too or not.
  std::optional<xcb_keycode_t> typing(uint32_t keysym, bool spares) const;
  std::optional<xcb_keycode_t> find(const std::function<bool(const Key&)>& matches,
                                    bool spares) const;

  std::vector<Key> keys_;  // by key code
  uint8_t group_ = 0;
  std::vector<xcb_keycode_t> spares_;  // the keys this program gave a keysym
};

// The key of a keysym in the keyboard as it is now (read afresh: a layout
// switched meanwhile counts).
std::optional<xcb_keycode_t> keycodeForKeysym(X11Display& display, uint32_t keysym);

// Whether the event is one of the server's notices that keys moved: a new key
// or modifier mapping (a layout switch, `setxkbmap`, a keyboard plugged in),
// or another group in force. Every client gets the core ones; the others come
// once the display has asked for them (X11Display::keyboardNotices).
bool isKeyMappingChange(X11Display& display, const xcb_generic_event_t& event);

}  // namespace clipvane::x11
