#pragma once
// Helpers of the kit's tests: a widget rendered on transparency, so that the
// colours at its pixels are its own, and sheets of widgets for screenshots.
#include <QImage>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "Theme.h"

namespace clipvane::testing {

// The widget and its children on a transparent image at `dpr`; no window
// background.
inline QImage renderAlone(QWidget& w, qreal dpr = 1.0) {
  w.ensurePolished();
  if (!w.testAttribute(Qt::WA_Resized)) w.adjustSize();
  QImage image(w.size() * dpr, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

// A plain widget of a fixed size, standing for content or a control.
inline QWidget* fixedBlock(int width, int height) {
  auto* w = new QWidget;
  w->setFixedSize(width, height);
  return w;
}

// The colour at a pixel, not premultiplied.
inline QColor pixelAt(const QImage& image, int x, int y) { return image.pixelColor(x, y).toRgb(); }

// Colour channels equal within what premultiplied storage keeps of a faint
// pixel (a colour at alpha 0.12 is stored to about 1/31 of its range).
inline bool sameRgb(const QColor& a, const QColor& b) {
  const int tolerance = std::max(2, 255 / std::max(1, std::min(a.alpha(), 255)) + 1);
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// A window in the grouped background holding rows of widgets, for a screenshot.
class Sheet : public QWidget {
 public:
  explicit Sheet(const ThemeColor& background = Theme::grouped) : background_(background) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(16, 16, 16, 16);
    layout_->setSpacing(10);
  }
  QVBoxLayout* layout() { return layout_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  ThemeColor background_;
  QVBoxLayout* layout_;
};

}  // namespace clipvane::testing
