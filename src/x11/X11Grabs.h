#pragma once
// Passive key grabs on the root window, one per lock state, so that CapsLock
// and NumLock never hide a shortcut.
#include <xcb/xcb.h>

#include <cstdint>

#include "X11Keys.h"

namespace clipvane::x11 {

class X11Display;

// Grabs the key with the modifier mask in all four lock variants; all or none.
// Another client's grab of the same combination refuses it (BadAccess).
bool grabKey(X11Display& display, const ModifierMap& mods, xcb_keycode_t code, uint16_t mask,
             bool synchronous);
void ungrabKey(X11Display& display, const ModifierMap& mods, xcb_keycode_t code, uint16_t mask);

}  // namespace clipvane::x11
