// The interface kit's rows, cards and form controls.
#include "KitRows.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QtMath>

#include "MaterialSymbols.h"

namespace clipvane {

namespace {

// One line of a row's text in a palette role, cut where it does not fit (at
// its end, or in its middle for values whose start and end both matter). A
// QLabel underneath, so assistive technology reads it as text. A label keeps
// up to `keep` pixels of its text before a value beside it gives way.
class RowText : public QLabel {
 public:
  RowText(const QString& text, ThemeColor role, Qt::TextElideMode elide, int keep, QWidget* parent)
      : QLabel(text, parent), role_(role), elide_(elide), keep_(keep) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  }

  QSize minimumSizeHint() const override {
    const QFontMetricsF m(font());
    const int least = qCeil(m.horizontalAdvance(QStringLiteral("M…")));
    return {std::max(least, std::min(keep_, sizeHint().width())), qCeil(m.height())};
  }
  QSize sizeHint() const override {
    const QFontMetricsF m(font());
    return {qCeil(m.horizontalAdvance(text())), qCeil(m.height())};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(Theme::color(role_));
    p.setFont(font());
    const QFontMetricsF m(font());
    p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               m.elidedText(text(), elide_, width()));
  }

 private:
  ThemeColor role_;
  Qt::TextElideMode elide_;
  int keep_;
};

}  // namespace

// ---- IconSquare ----------------------------------------------------------------------

IconSquare::IconSquare(QString glyph, ThemeColor tint, QWidget* parent)
    : QWidget(parent), glyph_(std::move(glyph)), tint_(tint) {
  setFixedSize(28, 28);
}

void IconSquare::setTint(const ThemeColor& tint) {
  tint_ = tint;
  update();
}

void IconSquare::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(Kit::continuousRect(QRectF(0, 0, 28, 28), 7), Theme::color(Theme::fill));
  MaterialSymbol::paint(p, glyph_, QRectF(5.5, 5.5, 17, 17), Theme::color(tint_));
}

// ---- SimpleSwitch ----------------------------------------------------------------------

namespace {
constexpr double kTrackWidth = 32, kTrackHeight = 18, kKnobInset = 1.5;
}  // namespace

SimpleSwitch::SimpleSwitch(QWidget* parent) : KitButton(parent) {
  setCheckable(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setFixedSize(sizeHint());
}

QSize SimpleSwitch::sizeHint() const { return {int(kTrackWidth), int(kTrackHeight)}; }

QPainterPath SimpleSwitch::shape() const {
  return Kit::capsule(QRectF(0, (height() - kTrackHeight) / 2, kTrackWidth, kTrackHeight));
}

void SimpleSwitch::paintContent(QPainter& p) {
  const QPainterPath track = shape();
  p.fillPath(track, Theme::color(isChecked() ? Theme::acc : Theme::edge));
  const QRectF bounds = track.boundingRect();
  const double knob = kTrackHeight - 2 * kKnobInset;
  const double x = isChecked() ? bounds.right() - kKnobInset - knob : bounds.left() + kKnobInset;
  const QRectF circle(x, bounds.top() + kKnobInset, knob, knob);
  p.setPen(QPen(QColor(0, 0, 0, 36), 0.5));
  p.setBrush(Qt::white);
  p.drawEllipse(circle);
}

// ---- GroupedCard -----------------------------------------------------------------------

GroupedCard::GroupedCard(ThemeColor background, QWidget* parent)
    : QWidget(parent), background_(background), rows_(new QVBoxLayout(this)) {
  rows_->setContentsMargins(0, 0, 0, 0);
  rows_->setSpacing(0);
}

void GroupedCard::addRow(QWidget* row) { rows_->addWidget(row); }

void GroupedCard::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(Kit::continuousRect(rect().toRectF(), 12), Theme::color(background_));
}

// ---- GroupedRow ------------------------------------------------------------------------

GroupedRow::GroupedRow(std::optional<QString> glyph, ThemeColor glyphTint, QString label,
                       std::optional<QString> value, bool separator, QWidget* trailing,
                       QWidget* parent)
    : QWidget(parent), hasGlyph_(glyph.has_value()), separator_(separator) {
  setFont(Kit::font(13));
  setMinimumHeight(44);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 0, 12, 0);
  row->setSpacing(12);
  if (glyph) row->addWidget(new IconSquare(*glyph, glyphTint, this), 0, Qt::AlignVCenter);
  auto* text = new QHBoxLayout;
  text->setSpacing(10);
  row->addLayout(text, 1);
  // A row of nothing but content that takes the full width (the import
  // preview's "N more") starts that content where the labels above start.
  const bool contentOnly = label.isEmpty() && !value && trailing &&
                           (trailing->sizePolicy().expandingDirections() & Qt::Horizontal);
  if (!contentOnly) {
    auto* labelText = new RowText(label, Theme::tx, Qt::ElideRight, 160, this);
    labelText->setObjectName(QStringLiteral("label"));
    text->addWidget(labelText, 0, Qt::AlignVCenter);
    text->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
  }
  if (value) {
    auto* valueText = new RowText(*value, Theme::tx2, Qt::ElideMiddle, 0, this);
    valueText->setObjectName(QStringLiteral("value"));
    text->addWidget(valueText, 0, Qt::AlignVCenter);
  }
  if (trailing) text->addWidget(trailing, 0, Qt::AlignVCenter);
}

int GroupedRow::textStart() const { return 12 + (hasGlyph_ ? 28 + 12 : 0); }

void GroupedRow::paintEvent(QPaintEvent*) {
  if (!separator_) return;
  QPainter p(this);
  p.fillRect(QRectF(textStart(), 0, width() - textStart(), 0.5), Theme::color(Theme::sep));
}

// ---- FormRow ----------------------------------------------------------------------------

FormRow::FormRow(QString label, QWidget* parent)
    : QWidget(parent),
      label_(label.isEmpty() ? QStringLiteral(" ") : std::move(label)),
      controls_(new QVBoxLayout(this)) {
  // The label column and its 12 gap are painted in the margin.
  controls_->setContentsMargins(labelWidth + 12, 0, 0, 0);
  controls_->setSpacing(6);
  controls_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMinimumHeight(qCeil(QFontMetricsF(font()).height()));
  setAccessibleName(label_.trimmed());
}

void FormRow::addControl(QWidget* control) {
  controls_->addWidget(control, 0, Qt::AlignLeft);
  // The first control names the row for assistive technology.
  if (controls_->count() == 1 && control->accessibleDescription().isEmpty())
    control->setAccessibleDescription(label_.trimmed());
}

void FormRow::paintEvent(QPaintEvent*) {
  // The label on the first control's text line: controls centre their text
  // in their height, so the label is centred in the same band.
  QRect band(0, 0, labelWidth, qCeil(QFontMetricsF(font()).height()));
  if (controls_->count() > 0)
    if (QWidget* first = controls_->itemAt(0)->widget())
      band = QRect(0, first->y(), labelWidth, first->height());
  QPainter p(this);
  p.setPen(Theme::color(Theme::tx));
  p.setFont(font());
  p.drawText(band, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
             QFontMetricsF(font()).elidedText(label_, Qt::ElideRight, labelWidth));
}

// ---- FormDivider --------------------------------------------------------------------------

FormDivider::FormDivider(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(5);
}

QSize FormDivider::sizeHint() const { return {0, 5}; }

void FormDivider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(QRect(0, 2, width(), 1), Theme::color(Theme::sep));
}

// ---- Checkbox ------------------------------------------------------------------------------

namespace {
constexpr double kBox = 14, kBoxGap = 6;
}  // namespace

Checkbox::Checkbox(QString title, QWidget* parent) : KitButton(parent) {
  setText(title);
  setCheckable(true);
  setFont(Kit::font(13));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Checkbox::sizeHint() const {
  const QFontMetricsF m(font());
  if (room_ > 0) return {qCeil(kBox) + 2 * room_, qCeil(kBox) + 2 * room_};
  return {qCeil(kBox + kBoxGap + m.horizontalAdvance(text())), std::max(16, qCeil(m.height()))};
}

void Checkbox::setRingRoom(int room) {
  room_ = room;
  updateGeometry();
}

QRectF Checkbox::box() const { return {double(room_), (height() - kBox) / 2, kBox, kBox}; }

QPainterPath Checkbox::shape() const {
  if (room_ > 0)
    return Kit::continuousRect(box().adjusted(-room_, -room_, room_, room_), 3.5 + room_);
  QPainterPath all;
  all.addRect(rect());
  return all;
}

void Checkbox::paintContent(QPainter& p) {
  const QRectF box = this->box();
  const QPainterPath outline = Kit::continuousRect(box, 3.5);
  if (isChecked()) {
    p.fillPath(outline, Theme::color(Theme::acc));
    MaterialSymbol::paint(p, QStringLiteral("check"), box.adjusted(1, 1, -1, -1),
                          QColor(Qt::white));
  } else {
    p.fillPath(outline, Theme::color(Theme::card));
    p.strokePath(Kit::continuousRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3),
                 QPen(Theme::color(Theme::edge), 1));
  }
  p.setPen(Theme::color(Theme::tx));
  p.setFont(font());
  if (text().isEmpty()) return;
  const QRectF title(kBox + kBoxGap, 0, width() - kBox - kBoxGap, height());
  p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             QFontMetricsF(font()).elidedText(text(), Qt::ElideRight, title.width() + 1));
}

// ---- PopUp ------------------------------------------------------------------------------------

namespace {
constexpr double kPopUpHeight = 22, kPopUpText = 8, kIndicator = 16, kIndicatorInset = 3;
}  // namespace

PopUp::PopUp(QWidget* parent) : QComboBox(parent) {
  setFont(Kit::font(13));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setFocusPolicy(Qt::StrongFocus);
}

QSize PopUp::sizeHint() const {
  const QFontMetricsF m(font());
  double widest = 0;
  for (int i = 0; i < count(); ++i) widest = std::max(widest, m.horizontalAdvance(itemText(i)));
  return {qCeil(kPopUpText + widest + kPopUpText + kIndicator + kIndicatorInset),
          qCeil(kPopUpHeight)};
}

void PopUp::setTextColor(const ThemeColor& color) {
  textColor_ = color;
  update();
}

void PopUp::showPopup() {
  // The list is a window of its own and inherits no colours from the pop-up
  // button; set on the window, the palette reaches the list inside it.
  view()->window()->setPalette(Theme::popupPalette());
  QComboBox::showPopup();
}

void PopUp::focusInEvent(QFocusEvent* e) {
  keyboardFocus_ = Kit::ringAfter(e->reason(), keyboardFocus_);
  QComboBox::focusInEvent(e);
}

void PopUp::focusOutEvent(QFocusEvent* e) {
  if (!Kit::keepsRing(e->reason())) keyboardFocus_ = false;
  QComboBox::focusOutEvent(e);
}

void PopUp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (!isEnabled()) p.setOpacity(0.45);
  const QRectF frame(0, (height() - kPopUpHeight) / 2, width(), kPopUpHeight);
  const QPainterPath outline = Kit::continuousRect(frame, 5);
  p.fillPath(outline, Theme::color(Theme::card));
  p.strokePath(Kit::continuousRect(frame.adjusted(0.25, 0.25, -0.25, -0.25), 4.75),
               QPen(Theme::color(Theme::edge), 0.5));

  // The indicator: an accent square with a caret up and a caret down.
  const QRectF mark(frame.right() - kIndicatorInset - kIndicator,
                    frame.center().y() - kIndicator / 2, kIndicator, kIndicator);
  p.fillPath(Kit::continuousRect(mark, 4), Theme::color(Theme::acc));
  p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const QPointF c = mark.center();
  p.drawPolyline(QPolygonF({c + QPointF(-3, -1.5), c + QPointF(0, -4.5), c + QPointF(3, -1.5)}));
  p.drawPolyline(QPolygonF({c + QPointF(-3, 1.5), c + QPointF(0, 4.5), c + QPointF(3, 1.5)}));

  p.setPen(Theme::color(textColor_));
  p.setFont(font());
  const QRectF text(kPopUpText, frame.top(), mark.left() - 2 * kPopUpText, frame.height());
  p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             QFontMetricsF(font()).elidedText(currentText(), Qt::ElideRight, text.width() + 1));
  if (keyboardFocus_ && hasFocus()) Kit::paintFocusRing(p, outline, false);
}

}  // namespace clipvane
