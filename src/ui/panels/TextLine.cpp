// One line of palette-coloured text.
#include "TextLine.h"

#include <QPainter>

namespace clipvane {

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

}  // namespace clipvane
