#pragma once
// The palette of the program's own views: one light and one dark value per
// role, chosen when a view paints, so a view follows a change of the
// desktop's colour scheme without being rebuilt.
#include <QColor>
#include <QPalette>

#include "Toast.h"

namespace clipvane {

enum class Scheme { light, dark };

// One role: an sRGB value with its alpha for each scheme.
struct ThemeColor {
  quint32 darkRgb = 0;
  quint32 lightRgb = 0;
  double darkAlpha = 1.0;
  double lightAlpha = 1.0;

  QColor resolve(Scheme scheme) const;
  bool operator==(const ThemeColor&) const = default;
};

namespace Theme {

extern const ThemeColor acc;        // accent: selection, primary buttons, links, switches
extern const ThemeColor tx;         // primary text
extern const ThemeColor tx2;        // secondary text and glyphs
extern const ThemeColor dis;        // disabled text and glyphs
extern const ThemeColor grouped;    // background of grouped windows
extern const ThemeColor card;       // background of cards and panes
extern const ThemeColor sep;        // separators and hairlines
extern const ThemeColor fill;       // neutral fill behind glyphs and secondary buttons
extern const ThemeColor att;        // attention (orange)
extern const ThemeColor bad;        // danger, removed values (red)
extern const ThemeColor good;       // success (green)
extern const ThemeColor gray;       // neutral notices
extern const ThemeColor glass;      // the popups' glass
extern const ThemeColor glassRow;   // rows on glass
extern const ThemeColor bar;        // table headers and stripes
extern const ThemeColor glassEdge;  // border of the glass
extern const ThemeColor edge;       // border of controls and tables
extern const ThemeColor shadow;     // shadow of the popups
// The status menu's forms of att, tx2, dis and acc.
extern const ThemeColor attNS;
extern const ThemeColor tx2NS;
extern const ThemeColor disNS;
extern const ThemeColor accNS;

// The desktop's scheme from the installed appearance port; light without one.
Scheme scheme();
// The role in the current scheme: call it while painting, never keep the result.
QColor color(const ThemeColor& role);
// The role a notice's tint names.
const ThemeColor& tint(Tint t);

// The colours of menus, pop-up lists and tooltips in the scheme of this
// moment: the text colour on the card, the accent with white text where an
// item is highlighted, the disabled colour for what cannot be chosen.
QPalette popupPalette();

// Once, by the program (main thread): menus and tooltips take the popup
// palette, and every widget repaints when the desktop's scheme changes.
void followAppearance();

}  // namespace Theme

}  // namespace clipvane
