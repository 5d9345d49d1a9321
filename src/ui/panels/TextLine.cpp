// One line of palette-coloured text.
#include "TextLine.h"

#include <QPainter>

#include "AccessibleRole.h"

namespace clipvane {

TextLine::TextLine(QString text, const QFont& font, ThemeColor color, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color) {
  setFont(font);
  setFixedSize(sizeHint());
  AccessibleRole::setText(*this, text_);
}

void TextLine::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  AccessibleRole::setText(*this, text_);
  if (givesWay_)
    updateGeometry();
  else
    setFixedSize(sizeHint());
  update();
}

QSize TextLine::sizeHint() const {
  return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

void TextLine::giveWay() {
  givesWay_ = true;
  setMinimumSize(fontMetrics().horizontalAdvance(QStringLiteral("…")), height());
  setMaximumSize(QWIDGETSIZE_MAX, height());
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TextLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Theme::color(color_));
  if (givesWay_ && width() < sizeHint().width()) {
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(text_, Qt::ElideRight, width()));
    return;
  }
  if (laidOut_.text() != text_) {
    laidOut_ = QStaticText(text_);
    laidOut_.setTextFormat(Qt::PlainText);
    laidOut_.prepare(QTransform(), font());
  }
  p.drawStaticText(QPointF(0, (height() - fontMetrics().height()) / 2.0), laidOut_);
}

}  // namespace clipvane
