#pragma once
// What the X server shows under a widget, and the focus-ring accent in it.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace clipvane::x11::test {

// The screen under a widget as the X server shows it.
inline QImage onScreen(const QWidget* w) {
  const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
      .toImage();
}

// Pixels of the accent (a focus ring) in the picture.
inline int accentPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += c.blue() - c.red() > 100 && c.green() > 80;
    }
  return n;
}

}  // namespace clipvane::x11::test
