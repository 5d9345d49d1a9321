// The status menu's icons and colours.
#include "StatusMenuLook.h"

#include "MaterialSymbols.h"
#include "Theme.h"

namespace clipvane::StatusMenuLook {

namespace {
// The glyph of a highlighted row: white in either scheme.
const ThemeColor highlightedGlyph{0xFFFFFF, 0xFFFFFF};
}  // namespace

QIcon row(const QString& glyph) {
  return MaterialSymbol::icon(glyph, 15, 16, Theme::tx2NS, highlightedGlyph, Theme::disNS);
}

QIcon plain(const QString& glyph) {
  return MaterialSymbol::icon(glyph, 15, 16, Theme::tx2NS, Theme::tx2NS, Theme::disNS);
}

}  // namespace clipvane::StatusMenuLook
