// The sheet of one detection group.
#include "GroupSheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "DetectWidgets.h"
#include "Kit.h"
#include "KitRows.h"

namespace clipvane {

namespace {

using Action = std::optional<PasteAction>;

// The picker's choices; no value is "Mixed": every kind follows its default.
const std::vector<std::pair<Action, QString>>& actionChoices() {
  static const std::vector<std::pair<Action, QString>> choices = {
      {std::nullopt, QStringLiteral("Mixed")},
      {PasteAction::quiet, QStringLiteral("Mask")},
      {PasteAction::block, QStringLiteral("Block")},
      {PasteAction::review, QStringLiteral("Ask first")},
  };
  return choices;
}

}  // namespace

GroupSheet::GroupSheet(DetectGroup group, DetectionSettings detection, AppSettings defaults,
                       Done done, QWidget* parent)
    : SheetDialog(Theme::bar, parent),
      group_(std::move(group)),
      working_(std::move(detection)),
      defaults_(std::move(defaults)),
      done_(std::move(done)) {
  setObjectName(QStringLiteral("groupSheet"));
  setWindowTitle(group_.title);
  setWindowModality(Qt::WindowModal);

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(18, 16, 18, 16);
  stack->setSpacing(12);
  stack->setSizeConstraint(QLayout::SetFixedSize);

  auto* title = new DetectText(group_.title, Kit::font(13, QFont::DemiBold), Theme::tx);
  title->setObjectName(QStringLiteral("title"));
  stack->addWidget(title);

  for (Kind kind : group_.kinds) {
    auto* box = new Checkbox(QString::fromStdU16String(std::u16string(kind.label())));
    box->setObjectName(QStringLiteral("kind.") + QString::fromUtf8(rawName(kind)));
    connect(box, &QAbstractButton::clicked, this, [this, kind](bool on) {
      working_.setEnabled(kind, on);
      refresh();
    });
    kinds_.emplace_back(kind, box);
    stack->addWidget(box);
  }

  auto* actionRow = new FormRow(QStringLiteral("Action:"));
  action_ = PopUp::make<Action>(actionChoices(), shownAction(), [this](Action chosen) {
    if (group_.kinds.empty()) {
      refresh();
      return;
    }
    DetectGroups::setAction(working_, group_, chosen);
    refresh();
  });
  action_->setObjectName(QStringLiteral("action"));
  actionRow->addControl(action_);
  stack->addWidget(actionRow);

  if (group_.title == DetectGroup::network) {
    skipLocal_ = new Checkbox(QStringLiteral("Skip local addresses"));
    skipLocal_->setObjectName(QStringLiteral("skipLocalAddresses"));
    connect(skipLocal_, &QAbstractButton::clicked, this, [this](bool on) {
      working_.skipLocalAddresses = on;
      refresh();
    });
    skipPrivate_ = new Checkbox(QStringLiteral("Skip private ranges"));
    skipPrivate_->setObjectName(QStringLiteral("skipPrivateRanges"));
    connect(skipPrivate_, &QAbstractButton::clicked, this, [this](bool on) {
      working_.skipPrivateRanges = on;
      refresh();
    });
    stack->addWidget(skipLocal_);
    stack->addWidget(skipPrivate_);
  }

  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(8);
  buttons->addStretch(1);
  addAnswers(buttons, QStringLiteral("Done"), QStringLiteral("done"));
  stack->addLayout(buttons);

  // 300 wide: the stack takes what its margins leave.
  for (int i = 0; i < stack->count(); ++i)
    if (QWidget* w = stack->itemAt(i)->widget(); w && w != title) w->setMaximumWidth(264);
  title->setFixedWidth(264);
  refresh();
}

std::optional<PasteAction> GroupSheet::shownAction() const {
  return DetectGroups::action(working_, defaults_, group_);
}

void GroupSheet::refresh() {
  for (const auto& [kind, box] : kinds_) box->setChecked(working_.isEnabled(kind));
  action_->select(shownAction());
  if (skipLocal_) skipLocal_->setChecked(working_.skipLocalAddresses);
  if (skipPrivate_) skipPrivate_->setChecked(working_.skipPrivateRanges);
}

void GroupSheet::confirm() { answer(working_); }

void GroupSheet::reject() { answer(std::nullopt); }

void GroupSheet::answer(std::optional<DetectionSettings> value) {
  if (answered_) return;
  answered_ = true;
  if (done_) done_(std::move(value));
}

}  // namespace clipvane
