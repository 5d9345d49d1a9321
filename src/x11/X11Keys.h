#pragma once
// Key names of the stored settings in X terms: the stored key codes are the
// virtual key codes of the ANSI layout (9 = V, 15 = R, 35 = P, …) and the
// stored modifier masks are Modifier bits (control → Control, option → Alt,
// shift → Shift, command → Super).
#include <xcb/xcb.h>

#include <cstdint>
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

// The key codes of a keysym in the current keyboard mapping (first one). The
// mapping is read afresh on every call: a layout switched meanwhile counts.
std::optional<xcb_keycode_t> keycodeForKeysym(X11Display& display, uint32_t keysym);

// Whether the event is the server's notice of a new key or modifier mapping
// (a layout switch, `setxkbmap`, a keyboard plugged in). Every client gets it.
bool isKeyMappingChange(const xcb_generic_event_t& event);

}  // namespace clipvane::x11
