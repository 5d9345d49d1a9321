// Small painted pieces of the Detect tab and its sheets.
#include "DetectWidgets.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include "Kit.h"

namespace clipvane {

DetectText::DetectText(QString text, const QFont& font, ThemeColor color, Qt::TextElideMode elide,
                       QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color), elide_(elide) {
  setFont(font);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void DetectText::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  updateGeometry();
  update();
}

void DetectText::setColor(const ThemeColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
}

QSize DetectText::sizeHint() const {
  const QFontMetrics m(font());
  return {m.horizontalAdvance(text_) + 1, m.height()};
}

QSize DetectText::minimumSizeHint() const { return {0, QFontMetrics(font()).height()}; }

void DetectText::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Theme::color(color_));
  p.setFont(font());
  const QString shown = QFontMetrics(font()).elidedText(text_, elide_, width());
  p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void applyFieldColors(QWidget& field, const ThemeColor& text) {
  QPalette palette = field.palette();
  const auto set = [&](QPalette::ColorRole role, const QColor& c) {
    if (palette.color(QPalette::Active, role) == c && palette.color(QPalette::Inactive, role) == c)
      return false;
    palette.setColor(QPalette::Active, role, c);
    palette.setColor(QPalette::Inactive, role, c);
    return true;
  };
  bool changed = set(QPalette::Text, Theme::color(text));
  changed |= set(QPalette::Base, Theme::color(Theme::card));
  changed |= set(QPalette::PlaceholderText, Theme::color(Theme::dis));
  changed |= set(QPalette::Highlight, Theme::color(Theme::acc));
  changed |= set(QPalette::ButtonText, Theme::color(text));
  if (changed) field.setPalette(palette);
}

DetectLineEdit::DetectLineEdit(QWidget* parent) : QLineEdit(parent), textColor_(Theme::tx) {
  setFont(Kit::font(13));
}

void DetectLineEdit::setTextColor(const ThemeColor& color) {
  if (color == textColor_) return;
  textColor_ = color;
  update();
}

void DetectLineEdit::paintEvent(QPaintEvent* e) {
  applyFieldColors(*this, textColor_);
  QLineEdit::paintEvent(e);
}

DetectTextEdit::DetectTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(Kit::font(13));
  setFrameShape(QFrame::NoFrame);
  // The field paints its own background, in the colour of the current scheme.
  viewport()->setAutoFillBackground(false);
}

void DetectTextEdit::paintEvent(QPaintEvent* e) {
  applyFieldColors(*this, Theme::tx);
  {
    QPainter p(viewport());
    p.fillRect(e->rect(), Theme::color(Theme::card));
  }
  QPlainTextEdit::paintEvent(e);
}

FieldFrame::FieldFrame(QWidget* field, QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(field);
}

void FieldFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF inside = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPainterPath outline = Kit::continuousRect(inside, 5);
  p.fillPath(outline, Theme::color(Theme::card));
  p.strokePath(outline, QPen(Theme::color(Theme::sep), 1));
}

}  // namespace clipvane
