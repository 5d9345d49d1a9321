// The palette's values and the scheme they are resolved in.
#include "Theme.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>

#include "ports/AppearancePort.h"
#include "ports/Ports.h"

namespace clipvane {

QColor ThemeColor::resolve(Scheme scheme) const {
  const bool dark = scheme == Scheme::dark;
  const quint32 rgb = dark ? darkRgb : lightRgb;
  QColor c = QColor::fromRgb(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
  c.setAlphaF(float(dark ? darkAlpha : lightAlpha));
  return c;
}

namespace Theme {

// dark value, light value, dark alpha, light alpha
const ThemeColor acc{0x4C8DF6, 0x2F6FDE};
const ThemeColor tx{0xF2F2F7, 0x1F2125};
const ThemeColor tx2{0xA1A5AC, 0x6B6F76};
const ThemeColor dis{0x6B6F76, 0xA0A4AB};
const ThemeColor grouped{0x1C1C1E, 0xF2F2F7};
const ThemeColor card{0x2C2C2E, 0xFFFFFF};
const ThemeColor sep{0xFFFFFF, 0x3C3C43, 0.12, 0.14};
const ThemeColor fill{0x767680, 0x767680, 0.24, 0.12};
const ThemeColor att{0xFF9F0A, 0xF08A00};
const ThemeColor bad{0xFF6961, 0xD6453B};
const ThemeColor good{0x4CD27A, 0x2E9E52};
const ThemeColor gray{0x8E8E93, 0x868B93};
const ThemeColor glass{0x2C2C2E, 0xFFFFFF, 0.72, 0.78};
const ThemeColor glassRow{0x3A3A3C, 0xFFFFFF, 0.6, 0.8};
const ThemeColor bar{0x323234, 0xF6F6F8};
const ThemeColor glassEdge{0xFFFFFF, 0x000000, 0.12, 0.1};
const ThemeColor edge{0xFFFFFF, 0x000000, 0.14, 0.2};
const ThemeColor shadow{0x000000, 0x000000, 0.45, 0.14};
const ThemeColor attNS = att;
const ThemeColor tx2NS = tx2;
const ThemeColor disNS = dis;
const ThemeColor accNS = acc;

Scheme scheme() {
  const AppearancePort* port = Ports::find<AppearancePort>();
  return port && port->dark() ? Scheme::dark : Scheme::light;
}

QColor color(const ThemeColor& role) { return role.resolve(scheme()); }

const ThemeColor& tint(Tint t) {
  switch (t) {
    case Tint::att:
      return att;
    case Tint::bad:
      return bad;
    case Tint::gray:
      return gray;
    case Tint::acc:
      break;
  }
  return acc;
}

QPalette popupPalette() {
  QPalette p = QApplication::palette();
  const QColor background = color(card);
  const QColor text = color(tx);
  const QColor disabled = color(dis);
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool off = group == QPalette::Disabled;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button,
                            QPalette::AlternateBase, QPalette::ToolTipBase, QPalette::Light})
      p.setColor(group, role, background);
    for (const auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
      p.setColor(group, role, off ? disabled : text);
    p.setColor(group, QPalette::PlaceholderText, disabled);
    p.setColor(group, QPalette::Highlight, color(acc));
    p.setColor(group, QPalette::HighlightedText, QColor(Qt::white));
  }
  return p;
}

namespace {

// Menus (the examples menu, the text fields' context menus) and tooltips are
// windows of their own: they inherit no colours from the window they open
// over, so the palette is handed to their classes.
void paintPopups() {
  const QPalette p = popupPalette();
  QApplication::setPalette(p, "QMenu");
  QToolTip::setPalette(p);
}

}  // namespace

void followAppearance() {
  paintPopups();
  AppearancePort* port = Ports::find<AppearancePort>();
  if (!port) return;
  QObject::connect(port, &AppearancePort::changed, qApp, [] {
    paintPopups();
    for (QWidget* w : QApplication::allWidgets()) w->update();
  });
}

}  // namespace Theme

}  // namespace clipvane
