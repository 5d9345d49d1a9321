// The editor of one of the user's own rules.
#include "RuleEditor.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include "DetectRules.h"
#include "DetectWidgets.h"
#include "Kit.h"

namespace clipvane {

// The two-segment choice between a terms rule and a pattern rule.
class RuleTypePicker : public QWidget {
 public:
  RuleTypePicker(CustomRule::RuleType type, std::function<void(CustomRule::RuleType)> chosen,
                 QWidget* parent = nullptr)
      : QWidget(parent), type_(type), chosen_(std::move(chosen)) {
    setFont(Kit::font(13));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
  }

  void setType(CustomRule::RuleType type) {
    if (type == type_) return;
    type_ = type;
    update();
  }
  CustomRule::RuleType type() const { return type_; }
  QSize sizeHint() const override { return {200, 24}; }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    choose(e->position().x() < width() / 2.0 ? CustomRule::RuleType::terms
                                             : CustomRule::RuleType::pattern);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Left)
      choose(CustomRule::RuleType::terms);
    else if (e->key() == Qt::Key_Right)
      choose(CustomRule::RuleType::pattern);
    else
      QWidget::keyPressEvent(e);
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillPath(Kit::continuousRect(all, 6), Theme::color(Theme::fill));
    const double half = width() / 2.0;
    const bool terms = type_ == CustomRule::RuleType::terms;
    const QRectF chosen = QRectF(terms ? 0 : half, 0, half, height()).adjusted(2, 2, -2, -2);
    const QPainterPath plate = Kit::continuousRect(chosen, 5);
    p.fillPath(plate, Theme::color(Theme::card));
    p.strokePath(plate, QPen(Theme::color(Theme::edge), 0.5));
    p.setFont(font());
    p.setPen(Theme::color(Theme::tx));
    p.drawText(QRectF(0, 0, half, height()), Qt::AlignCenter, QStringLiteral("Terms"));
    p.drawText(QRectF(half, 0, half, height()), Qt::AlignCenter, QStringLiteral("Pattern"));
    if (hasFocus()) {
      p.setPen(QPen(Theme::color(Theme::acc), 2));
      p.drawPath(Kit::continuousRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6));
    }
  }

 private:
  void choose(CustomRule::RuleType type) {
    if (type == type_) return;
    type_ = type;
    update();
    if (chosen_) chosen_(type);
  }

  CustomRule::RuleType type_;
  std::function<void(CustomRule::RuleType)> chosen_;
};

// The borderless "Examples" menu button in the colours of its menu: the title
// in the text colour, and the plate it shows while pressed from the card.
class ExamplesButton : public QToolButton {
 public:
  using QToolButton::QToolButton;

 protected:
  void paintEvent(QPaintEvent* e) override {
    const QPalette colours = Theme::popupPalette();
    if (palette() != colours) setPalette(colours);
    QToolButton::paintEvent(e);
  }
};

RuleEditor::RuleEditor(CustomRule rule, Done done, QWidget* parent)
    : SheetDialog(Theme::card, parent), rule_(std::move(rule)), done_(std::move(done)) {
  setObjectName(QStringLiteral("ruleEditor"));
  setWindowTitle(QStringLiteral("Custom Rule"));
  setWindowModality(Qt::WindowModal);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  auto* content = new QWidget();
  content->setFixedWidth(380);
  outer->addWidget(content);
  auto* stack = new QVBoxLayout(content);
  stack->setContentsMargins(20, 20, 20, 20);
  stack->setSpacing(12);

  // Name and examples.
  auto* top = new QHBoxLayout();
  top->setSpacing(8);
  name_ = new DetectLineEdit();
  name_->setObjectName(QStringLiteral("name"));
  name_->setPlaceholderText(QStringLiteral("Name"));
  name_->setText(QString::fromStdU16String(rule_.name));
  connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
    rule_.name = text.toStdU16String();
    refresh();
  });
  top->addWidget(name_, 1);
  auto* examples = new ExamplesButton();
  examples->setObjectName(QStringLiteral("examples"));
  examples->setText(QStringLiteral("Examples"));
  examples->setFont(Kit::font(13));
  examples->setAutoRaise(true);
  examples->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(examples);
  const auto& all = RuleExample::all();
  for (int i = 0; i < int(all.size()); ++i)
    menu->addAction(all[size_t(i)].name, this, [this, i] { applyExample(i); });
  examples->setMenu(menu);
  top->addWidget(examples);
  stack->addLayout(top);

  type_ = new RuleTypePicker(rule_.type, [this](CustomRule::RuleType type) {
    rule_.type = type;
    refresh();
  });
  type_->setObjectName(QStringLiteral("type"));
  stack->addWidget(type_);

  terms_ = new DetectTextEdit();
  terms_->setObjectName(QStringLiteral("terms"));
  terms_->setPlainText(DetectRules::termsText(rule_.terms));
  connect(terms_, &QPlainTextEdit::textChanged, this, &RuleEditor::refresh);
  termsFrame_ = new FieldFrame(terms_);
  termsFrame_->setFixedHeight(160);
  stack->addWidget(termsFrame_);

  pattern_ = new DetectLineEdit();
  pattern_->setObjectName(QStringLiteral("pattern"));
  pattern_->setPlaceholderText(QStringLiteral(R"(NW-\d{4,})"));
  QFont mono = Kit::font(13);
  mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
  mono.setStyleHint(QFont::Monospace);
  pattern_->setFont(mono);
  pattern_->setText(QString::fromStdU16String(rule_.pattern));
  connect(pattern_, &QLineEdit::textEdited, this, [this](const QString& text) {
    rule_.pattern = text.toStdU16String();
    refresh();
  });
  stack->addWidget(pattern_);

  // Placeholder preview and the answers.
  maskRow_ = new QHBoxLayout();
  maskRow_->setSpacing(8);
  // The caption stays whole: a long name narrows the chip instead.
  auto* caption = new DetectText(QStringLiteral("Mask as"), Kit::font(13), Theme::tx2);
  caption->setObjectName(QStringLiteral("maskAs"));
  caption->setMinimumWidth(caption->sizeHint().width());
  maskRow_->addWidget(caption);
  maskRow_->addStretch(1);
  save_ = addAnswers(maskRow_, QStringLiteral("Save"), QStringLiteral("save"));
  stack->addLayout(maskRow_);

  refresh();
  name_->setFocus();
}

QString RuleEditor::termsText() const { return terms_->toPlainText(); }

bool RuleEditor::canSave() const { return DetectRules::canSave(rule_, termsText()); }

void RuleEditor::applyExample(int index) {
  const auto& all = RuleExample::all();
  if (index < 0 || index >= int(all.size())) return;
  const RuleExample& example = all[size_t(index)];
  rule_.name = example.name.toStdU16String();
  rule_.type = example.type;
  rule_.pattern = example.pattern.toStdU16String();
  name_->setText(example.name);
  pattern_->setText(example.pattern);
  terms_->setPlainText(example.terms.join(u'\n'));
  type_->setType(example.type);
  refresh();
}

void RuleEditor::refresh() {
  const bool terms = rule_.type == CustomRule::RuleType::terms;
  termsFrame_->setVisible(terms);
  pattern_->setVisible(!terms);
  pattern_->setTextColor(!rule_.pattern.empty() && DetectRules::patternError(rule_) ? Theme::bad
                                                                                    : Theme::tx);
  const QString preview =
      DetectRules::maskPreview(QString::fromStdU16String(rule_.name), QStringLiteral("1"));
  if (preview != previewText_) {
    // The chip shows a fixed text: a new name gets a new chip.
    auto* chip = new TokenChip(preview, false);
    chip->setObjectName(QStringLiteral("preview"));
    chip->setElidable(true);
    if (preview_) {
      delete maskRow_->replaceWidget(preview_, chip);  // the old chip's layout item is ours
      preview_->hide();
      preview_->deleteLater();
    } else {
      maskRow_->insertWidget(1, chip);
    }
    chip->setVisible(true);
    preview_ = chip;
    previewText_ = preview;
  }
  save_->setEnabled(canSave());
}

void RuleEditor::confirm() {
  if (!canSave()) return;
  answer(DetectRules::finished(rule_, termsText()));
}

void RuleEditor::reject() { answer(std::nullopt); }

void RuleEditor::answer(std::optional<CustomRule> value) {
  if (answered_) return;
  answered_ = true;
  if (done_) done_(std::move(value));
}

}  // namespace clipvane
