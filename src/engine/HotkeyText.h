#pragma once
// How a hot key reads on Linux: every view shows hot keys through this.
#include <QString>

namespace clipvane {

// The stored display string ("⌃⌘V") in the desktop's words ("Ctrl+Super+V"):
// ⌃ Ctrl, ⌥ Alt, ⇧ Shift, ⌘ Super, joined by "+". Empty stays empty.
QString hotkeyText(const QString& stored);

}  // namespace clipvane
