// One line of text, and the popups' glass plate.
#include "PopupKit.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "FloatingPanel.h"

namespace clipvane::pkit {

namespace {

QColor withOpacity(QColor c, double opacity) {
  c.setAlphaF(float(c.alphaF() * opacity));
  return c;
}

QPainterPath rounded(const QRectF& r, double radius) {
  QPainterPath p;
  p.addRoundedRect(r, radius, radius);
  return p;
}

}  // namespace

TextLine::TextLine(QString text, const QFont& font, ThemeColor color, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color) {
  setFont(font);
  setFixedSize(sizeHint());
}

QSize TextLine::sizeHint() const {
  return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

void TextLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Theme::color(color_));
  p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

GlassFrame::GlassFrame(GlassShape shape, QWidget* content, double margin, QWidget* parent)
    : QWidget(parent), shape_(shape), margin_(margin) {
  auto* layout = new QHBoxLayout(this);
  const int m = int(margin);
  layout->setContentsMargins(m, m, m, m);
  layout->setSpacing(0);
  layout->addWidget(content);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void GlassFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF card = QRectF(rect()).adjusted(margin_, margin_, -margin_, -margin_);
  const double radius = shape_ == GlassShape::capsule ? card.height() / 2 : 20;
  if (FloatingPanel::compositing()) {
    // A soft shadow 10 below the card, fading over about 15.
    const QColor shadow = Theme::color(Theme::shadow);
    for (int i = 15; i > 0; i -= 3) {
      p.fillPath(rounded(card.translated(0, 10).adjusted(-i, -i, i, i), radius + i),
                 withOpacity(shadow, 0.18 * (1.0 - i / 16.0)));
    }
    p.fillPath(rounded(card, radius), Theme::color(Theme::glass));
  } else {
    p.fillPath(rounded(card, radius), Theme::color(Theme::card));
  }
  p.setPen(QPen(Theme::color(Theme::glassEdge), 0.5));
  p.drawPath(rounded(card.adjusted(0.25, 0.25, -0.25, -0.25), radius));
}

}  // namespace clipvane::pkit
