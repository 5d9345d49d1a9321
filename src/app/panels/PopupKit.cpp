// Stand-ins for the shared kit components, painted from the palette.
#include "PopupKit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <cmath>

#include "FloatingPanel.h"

namespace clipvane::pkit {

namespace {

QColor withOpacity(QColor c, double opacity) {
  c.setAlphaF(float(c.alphaF() * opacity));
  return c;
}

double buttonOpacity(const QAbstractButton& b) {
  if (!b.isEnabled()) return 0.45;
  return b.isDown() ? 0.75 : 1.0;
}

QPainterPath rounded(const QRectF& r, double radius) {
  QPainterPath p;
  p.addRoundedRect(r, radius, radius);
  return p;
}

}  // namespace

QFont font(double size, QFont::Weight weight) {
  QFont f = QApplication::font();
  f.setPixelSize(int(std::lround(size)));
  f.setWeight(weight);
  return f;
}

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

PillButton::PillButton(const QString& text, bool primary, double height, bool onGrouped,
                       QWidget* parent)
    : QAbstractButton(parent), primary_(primary), height_(height), onGrouped_(onGrouped) {
  setText(text);
  setFont(pkit::font(13, QFont::DemiBold));
  setCursor(Qt::PointingHandCursor);
  setFixedSize(sizeHint());
}

QSize PillButton::sizeHint() const {
  const int pad = height_ < 32 ? 12 : 16;
  return {fontMetrics().horizontalAdvance(text()) + 2 * pad, int(height_)};
}

void PillButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(buttonOpacity(*this));
  const QRectF r = rect();
  const ThemeColor& fill = primary_ ? Theme::acc : onGrouped_ ? Theme::card : Theme::fill;
  p.fillPath(rounded(r, r.height() / 2), Theme::color(fill));
  p.setPen(primary_ ? QColor(Qt::white) : Theme::color(Theme::tx));
  p.drawText(r, Qt::AlignCenter, text());
}

StatusDot::StatusDot(QString glyph, ThemeColor tint, double size, QWidget* parent)
    : QWidget(parent), glyph_(std::move(glyph)), tint_(tint), size_(size) {
  setFixedSize(int(size), int(size));
}

void StatusDot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Theme::color(tint_));
  p.drawEllipse(QRectF(rect()));
}

KeyCap::KeyCap(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
  setFont(pkit::font(13, QFont::Medium));
  setFixedSize(sizeHint());
}

QSize KeyCap::sizeHint() const { return {fontMetrics().horizontalAdvance(text_) + 14, 25}; }

void KeyCap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF cap(0, 0, width(), 24);
  p.fillPath(rounded(cap.translated(0, 1), 7), QColor(0, 0, 0, 36));
  p.fillPath(rounded(cap, 7), Theme::color(Theme::grouped));
  p.setPen(QPen(Theme::color(Theme::sep), 0.5));
  p.drawPath(rounded(cap.adjusted(0.25, 0.25, -0.25, -0.25), 7));
  p.setPen(Theme::color(Theme::tx));
  p.drawText(cap, Qt::AlignCenter, text_);
}

RoundIconButton::RoundIconButton(QString glyph, double size, double glyphSize, bool selected,
                                 bool filledBackground, QWidget* parent)
    : QAbstractButton(parent),
      glyph_(std::move(glyph)),
      size_(size),
      glyphSize_(glyphSize),
      selected_(selected),
      filled_(filledBackground) {
  setFixedSize(sizeHint());
}

void RoundIconButton::setSelected(bool selected) {
  selected_ = selected;
  update();
}

QSize RoundIconButton::sizeHint() const { return {int(size_), int(size_)}; }

void RoundIconButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  if (selected_ || filled_) {
    p.setBrush(Theme::color(selected_ ? Theme::acc : Theme::fill));
    p.drawEllipse(QRectF(rect()));
  }
  // A back chevron.
  const QPointF c = QRectF(rect()).center();
  const double s = glyphSize_ / 4;
  p.setPen(QPen(selected_ ? QColor(Qt::white) : Theme::color(Theme::tx), 2, Qt::SolidLine,
                Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(
      QPolygonF{{c.x() + s / 2, c.y() - s}, {c.x() - s / 2, c.y()}, {c.x() + s / 2, c.y() + s}});
}

ChoiceTile::ChoiceTile(QString glyph, QString title, bool selected, double height, ThemeColor idle,
                       QWidget* parent)
    : QAbstractButton(parent),
      glyph_(std::move(glyph)),
      title_(std::move(title)),
      selected_(selected),
      height_(height),
      idle_(idle) {
  setFont(pkit::font(13, QFont::DemiBold));
  setFixedHeight(int(height));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ChoiceTile::setSelected(bool selected) {
  selected_ = selected;
  update();
}

QSize ChoiceTile::sizeHint() const {
  return {fontMetrics().horizontalAdvance(title_) + 24, int(height_)};
}

void ChoiceTile::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(buttonOpacity(*this));
  p.fillPath(rounded(rect(), 16), Theme::color(selected_ ? Theme::acc : idle_));
  const QColor ink = selected_ ? QColor(Qt::white) : Theme::color(Theme::tx);
  const double top = (height() - 28 - 8 - fontMetrics().height()) / 2.0;
  p.setPen(QPen(ink, 2));
  p.setBrush(selected_ ? ink : Qt::transparent);
  p.drawEllipse(QRectF(width() / 2.0 - 10, top + 4, 20, 20));
  p.setPen(ink);
  p.drawText(QRectF(0, top + 36, width(), fontMetrics().height()), Qt::AlignCenter, title_);
}

SimpleSwitch::SimpleSwitch(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFixedSize(sizeHint());
}

QSize SimpleSwitch::sizeHint() const { return {32, 20}; }

void SimpleSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setOpacity(isEnabled() ? 1.0 : 0.45);
  const QRectF r = rect();
  p.fillPath(rounded(r, r.height() / 2), Theme::color(isChecked() ? Theme::acc : Theme::fill));
  const double d = r.height() - 4;
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(isChecked() ? r.right() - 2 - d : r.left() + 2, 2, d, d));
}

GroupedRow::GroupedRow(std::optional<QString> glyph, ThemeColor glyphTint, QString label,
                       std::optional<QString> value, bool separator, QWidget* trailing,
                       QWidget* parent)
    : QWidget(parent), separator_(separator) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 0, 12, 0);
  row->setSpacing(12);
  textStart_ = 12;
  if (glyph) {
    row->addWidget(new StatusDot(*glyph, glyphTint, 28));
    textStart_ += 28 + 12;
  }
  auto* text = new QHBoxLayout;
  text->setSpacing(10);
  text->addWidget(new TextLine(label, pkit::font(13), Theme::tx));
  text->addSpacing(8);
  text->addStretch(1);
  if (value) {
    text->addWidget(new TextLine(*value, pkit::font(13), Theme::tx2));
  }
  if (trailing) text->addWidget(trailing);
  row->addLayout(text, 1);
  setMinimumHeight(44);
}

void GroupedRow::paintEvent(QPaintEvent*) {
  if (!separator_) return;
  QPainter p(this);
  p.fillRect(QRectF(textStart_, 0, width() - textStart_, 0.5), Theme::color(Theme::sep));
}

}  // namespace clipvane::pkit
