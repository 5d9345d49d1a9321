#pragma once
// The status menu's icons and colours, from the icon set and the palette.
#include <QIcon>
#include <QString>

namespace clipvane::StatusMenuLook {

// A main-menu icon: the glyph 15 px in a 16 px box, secondary text colour,
// white while its row is highlighted, the disabled colour when disabled.
QIcon row(const QString& glyph);
// A submenu icon: the same glyph, never recoloured on highlight.
QIcon plain(const QString& glyph);

}  // namespace clipvane::StatusMenuLook
