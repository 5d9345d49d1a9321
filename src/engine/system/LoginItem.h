#pragma once
// Launch at login, kept in line with the setting.
#include "ports/LoginItemPort.h"

namespace clipvane::LoginItem {

// Enabled or awaiting approval counts as on.
bool isOn();
// Registers or unregisters when the item differs from on; a failure is one
// log line ("Clipvane: login item: …").
void set(bool on);
// While the item is on, makes it start the program that runs now; a failure
// is one log line.
void retarget();

}  // namespace clipvane::LoginItem

namespace clipvane::Edition {
// The product's web site, for the About pane.
inline constexpr const char* website = "https://clipvane.app";
}  // namespace clipvane::Edition
