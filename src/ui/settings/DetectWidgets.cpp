// Small painted pieces of the Detect tab and its sheets.
#include "DetectWidgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "AccessibleRole.h"
#include "Kit.h"
#include "MaterialSymbols.h"
#include "SettingsComponents.h"

namespace clipvane {

DetectText::DetectText(QString text, const QFont& font, ThemeColor color, Qt::TextElideMode elide,
                       QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color), elide_(elide) {
  setFont(font);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  AccessibleRole::setText(*this, text_);
}

void DetectText::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  setAccessibleName(text_);
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
  p.setPen(TableRow::textColor(this, color_));
  p.setFont(font());
  const QString shown = QFontMetrics(font()).elidedText(text_, elide_, width());
  p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

QColor DetectGlyph::ink(const ThemeColor& role) const { return TableRow::textColor(this, role); }

ListBadge::ListBadge(QWidget* parent) : QWidget(parent) {
  setFont(Kit::font(9, QFont::Bold));
  setFixedSize(sizeHint());
}

QSize ListBadge::sizeHint() const {
  return {QFontMetrics(font()).horizontalAdvance(QStringLiteral("CSV")) + 8, 14};
}

void ListBadge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink = TableRow::textColor(this, Theme::good);
  QColor plate = ink;
  plate.setAlphaF(0.16);
  p.fillPath(Kit::continuousRect(QRectF(rect()), 3), plate);
  p.setPen(ink);
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter, QStringLiteral("CSV"));
}

SheetDialog::SheetDialog(ThemeColor background, QWidget* parent)
    : QDialog(parent), background_(background) {
  setFont(Kit::font(13));
}

PillButton* SheetDialog::addAnswers(QBoxLayout* row, const QString& confirmTitle,
                                    const QString& confirmName) {
  auto* cancel = new PillButton(QStringLiteral("Cancel"), false, 24);
  cancel->setObjectName(QStringLiteral("cancel"));
  auto* confirmButton = new PillButton(confirmTitle, true, 24);
  confirmButton->setObjectName(confirmName);
  connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
  connect(confirmButton, &QAbstractButton::clicked, this, [this] { confirm(); });
  row->addWidget(cancel);
  row->addWidget(confirmButton);
  return confirmButton;
}

void SheetDialog::keyPressEvent(QKeyEvent* e) {
  const bool plain = e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier;
  if (plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
    confirm();
    return;
  }
  QDialog::keyPressEvent(e);
}

void SheetDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Theme::color(background_));
}

namespace {

// The question of askIgnoredText(), on the card colour.
class IgnorePrompt : public SheetDialog {
 public:
  explicit IgnorePrompt(QWidget* parent) : SheetDialog(Theme::card, parent) {
    setObjectName(QStringLiteral("ignorePrompt"));
    setWindowTitle(QStringLiteral("Ignore Text"));
    setWindowModality(Qt::ApplicationModal);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 18, 20, 16);
    stack->setSpacing(12);
    stack->setSizeConstraint(QLayout::SetFixedSize);
    stack->addWidget(
        new DetectText(QStringLiteral("Ignore Text"), Kit::font(13, QFont::DemiBold), Theme::tx));
    field = new DetectLineEdit();
    field->setObjectName(QStringLiteral("text"));
    field->setFixedSize(260, 24);
    stack->addWidget(field);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    buttons->addStretch(1);
    addAnswers(buttons, QStringLiteral("Ignore"), QStringLiteral("ignore"));
    stack->addLayout(buttons);
    field->setFocus();
  }
  void confirm() override { accept(); }
  DetectLineEdit* field;
};

}  // namespace

std::optional<QString> askIgnoredText(QWidget* parent) {
  IgnorePrompt prompt(parent);
  if (prompt.exec() != QDialog::Accepted) return std::nullopt;
  return prompt.field->text();
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
  // Tab moves on to the next control, as in any other field.
  setTabChangesFocus(true);
}

void DetectTextEdit::paintEvent(QPaintEvent* e) {
  applyFieldColors(*this, Theme::tx);
  {
    QPainter p(viewport());
    p.fillRect(e->rect(), Theme::color(Theme::card));
  }
  QPlainTextEdit::paintEvent(e);
}

FieldFrame::FieldFrame(QWidget* field, QWidget* parent) : QWidget(parent), field_(field) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(field);
  field->installEventFilter(this);
}

bool FieldFrame::eventFilter(QObject* watched, QEvent* e) {
  if (watched == field_ && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut))
    update();
  return QWidget::eventFilter(watched, e);
}

void FieldFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF inside = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPainterPath outline = Kit::continuousRect(inside, 5);
  p.fillPath(outline, Theme::color(Theme::card));
  p.strokePath(outline, QPen(Theme::color(Theme::sep), 1));
  if (field_->hasFocus()) Kit::paintFocusRing(p, Kit::continuousRect(QRectF(rect()), 5), false);
}

}  // namespace clipvane
