#pragma once
// The stored key codes in the desktop's terms: the stored codes are the
// virtual key codes of the ANSI layout (9 = V, 15 = R, 35 = P, …), the
// desktop names keys by X keysym. One table serves the hot-key grabs, the
// synthetic keys and the shortcut recorder.
#include <cstdint>
#include <optional>

#include "Hotkeys.h"

namespace clipvane::VirtualKeys {

// The keysym of a stored virtual key code; nothing for a code without one.
std::optional<std::uint32_t> keysymFor(std::uint32_t virtualKey);
// The reverse; capital letters and the shifted symbols of the ANSI layout
// ("!" on 1, "{" on [) give their key's code.
std::optional<std::uint32_t> virtualKeyFor(std::uint32_t keysym);

// A key press as the recorder sees it (modifiers: Modifier bits); nothing
// for a key the table lacks. The key's characters are what it types without
// modifiers, upper-cased by the recorder; keys that type nothing show a
// glyph or a name ("↩", "F5").
std::optional<KeyEvent> keyEvent(std::uint32_t keysym, std::uint32_t modifiers);

}  // namespace clipvane::VirtualKeys
