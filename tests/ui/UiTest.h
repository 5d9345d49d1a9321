#pragma once
// Shared pieces of the interface tests: screenshots for people to look at,
// the colour at a point, and the scheme the palette resolves in.
#include <QDir>
#include <QImage>
#include <QWidget>

#include "fakes/FakeAppearance.h"
#include "ports/Ports.h"

namespace clipvane::testing {

// Saves the widget as build/screenshots/NAME.png and returns the picture.
inline QImage screenshot(QWidget& w, const QString& name) {
  w.ensurePolished();
  if (!w.testAttribute(Qt::WA_Resized)) w.adjustSize();
  const QImage image = w.grab().toImage();
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  image.save(QStringLiteral(CLIPVANE_SCREENSHOTS "/") + name + QStringLiteral(".png"));
  return image;
}

// Installs a fake appearance for one test's life.
class SchemeScope {
 public:
  explicit SchemeScope(bool dark = false) {
    appearance.isDark = dark;
    Ports::install<AppearancePort>(&appearance);
  }
  ~SchemeScope() { Ports::install<AppearancePort>(nullptr); }
  SchemeScope(const SchemeScope&) = delete;
  SchemeScope& operator=(const SchemeScope&) = delete;
  fakes::FakeAppearance appearance;
};

}  // namespace clipvane::testing
