// The status menu's icons and colours.
#include "StatusMenuLook.h"

#include <QApplication>

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

QPalette palette() {
  QPalette p = QApplication::palette();
  const QColor background = Theme::color(Theme::card);
  const QColor text = Theme::color(Theme::tx);
  const QColor disabled = Theme::color(Theme::dis);
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool off = group == QPalette::Disabled;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
      p.setColor(group, role, background);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      p.setColor(group, role, off ? disabled : text);
    p.setColor(group, QPalette::Highlight, Theme::color(Theme::acc));
    p.setColor(group, QPalette::HighlightedText, Theme::color(highlightedGlyph));
    p.setColor(group, QPalette::Light, background);
  }
  return p;
}

}  // namespace clipvane::StatusMenuLook
