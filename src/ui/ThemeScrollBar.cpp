// The palette's scroll bar.
#include "ThemeScrollBar.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>

#include "Theme.h"

namespace clipvane {

ThemeScrollBar::ThemeScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
  setAttribute(Qt::WA_Hover);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setAutoFillBackground(false);
}

void ThemeScrollBar::install(QAbstractScrollArea& area) {
  area.setVerticalScrollBar(new ThemeScrollBar(Qt::Vertical, &area));
}

QSize ThemeScrollBar::sizeHint() const {
  const QSize native = QScrollBar::sizeHint();
  return orientation() == Qt::Vertical ? QSize(thickness, native.height())
                                       : QSize(native.width(), thickness);
}

void ThemeScrollBar::paintEvent(QPaintEvent*) {
  if (maximum() <= minimum()) return;
  QStyleOptionSlider option;
  initStyleOption(&option);
  // Where the style puts the thumb is where it takes drags.
  const QRect slider =
      style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  if (slider.isEmpty()) return;
  QRectF thumb = orientation() == Qt::Vertical ? QRectF(slider).adjusted(2.5, 2, -2.5, -2)
                                               : QRectF(slider).adjusted(2, 2.5, -2, -2.5);
  const double radius = std::min(thumb.width(), thumb.height()) / 2;
  QColor ink = Theme::color(Theme::tx);
  ink.setAlphaF(isSliderDown() ? 0.5f : underMouse() ? 0.4f : 0.25f);
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(thumb, radius, radius);
  p.fillPath(path, ink);
}

}  // namespace clipvane
