// The activity entry's detail.
#include "EntryView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

#include "AccessibleRole.h"
#include "ActivityView.h"
#include "AppModel.h"
#include "DetectWidgets.h"
#include "Kit.h"
#include "KitRows.h"
#include "LocaleText.h"
#include "Pasteboard.h"
#include "TouchID.h"
#include "WindowKit.h"
#include "ports/PanelsPort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

QString qs(std::u16string_view s) { return QString::fromStdU16String(std::u16string(s)); }

GroupedRow* plainRow(const QString& label, std::optional<QString> value, bool separator,
                     QWidget* trailing = nullptr) {
  return new GroupedRow(std::nullopt, Theme::tx, label, std::move(value), separator, trailing);
}

}  // namespace

EntryView::EntryView(AppModel& model, ActivityEntry entry, std::function<void()> back,
                     QWidget* parent)
    : QWidget(parent), model_(model), entry_(std::move(entry)), back_(std::move(back)) {
  setObjectName(QStringLiteral("entryView"));
  setFocusPolicy(Qt::StrongFocus);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(20, 20, 20, 20);
  column->setSpacing(16);

  auto* header = new QHBoxLayout;
  header->setSpacing(10);
  auto* backButton = new RoundIconButton(QStringLiteral("chevron_left"), 32, 20, false, true);
  backButton->setObjectName(QStringLiteral("back"));
  AccessibleRole::set(*backButton, QAccessible::Button);
  backButton->setAccessibleName(QStringLiteral("Back"));
  connect(backButton, &QAbstractButton::clicked, this, [this] {
    if (back_) back_();
  });
  header->addWidget(backButton);
  auto* title = new DetectText(ActivityModel::title(entry_), Kit::font(20, QFont::Bold), Theme::tx);
  title->setObjectName(QStringLiteral("title"));
  title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  header->addWidget(title, 1);
  column->addLayout(header);

  auto* card = new GroupedCard(Theme::card);
  card->setObjectName(QStringLiteral("details"));
  card->addRow(plainRow(QStringLiteral("App"), qs(entry_.place), false));
  card->addRow(
      plainRow(QStringLiteral("Time"), LocaleText::skeleton(entry_.date, u"EEEjmm"), true));
  if (const QString t = types(entry_); !t.isEmpty())
    card->addRow(plainRow(QStringLiteral("Type"), t, true));
  std::vector<QString> masks;
  if (entry_.masks)
    for (const auto& m : *entry_.masks) masks.push_back(qs(m));
  if (!masks.empty()) {
    auto* chips = new QWidget;
    chips->setObjectName(QStringLiteral("tokens"));
    auto* row = new QHBoxLayout(chips);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (std::size_t i = 0; i < std::min<std::size_t>(3, masks.size()); ++i) {
      auto* chip = new TokenChip(masks[i], false);
      chip->setObjectName(QStringLiteral("token"));
      row->addWidget(chip);
    }
    if (masks.size() > 3) {
      auto* more =
          new DetectText(QStringLiteral("+%1").arg(masks.size() - 3), Kit::font(13), Theme::tx2);
      more->setObjectName(QStringLiteral("moreTokens"));
      row->addWidget(more);
    }
    card->addRow(plainRow(masks.size() == 1 ? QStringLiteral("Token") : QStringLiteral("Tokens"),
                          std::nullopt, true, chips));
  }
  column->addWidget(card);

  if (!masks.empty()) {
    auto* row = new QHBoxLayout;
    auto* copy = new PillButton(QStringLiteral("Copy Original"), false, 32, true);
    copy->setObjectName(QStringLiteral("copyOriginal"));
    connect(copy, &QAbstractButton::clicked, this, [this, masks] { copyOriginal(model_, masks); });
    row->addStretch();
    row->addWidget(copy);
    row->addStretch();
    column->addLayout(row);
  }
  column->addStretch();
}

QString EntryView::types(const ActivityEntry& entry) {
  std::vector<std::pair<Kind, int>> pairs(entry.counts.begin(), entry.counts.end());
  std::stable_sort(pairs.begin(), pairs.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  QStringList phrases;
  for (const auto& [kind, count] : pairs) {
    const QString label = qs(kind.label());
    phrases << (count == 1 ? label : AppModel::counted(count, label));
  }
  return phrases.join(QStringLiteral(", "));
}

void EntryView::copyOriginal(AppModel& model, const std::vector<QString>& placeholders) {
  QPointer<AppModel> guard(&model);
  auto copy = [guard, placeholders](bool allowed) {
    if (!allowed || !guard) return;
    const std::optional<QString> originals = guard->originals(placeholders);
    if (!originals) {
      if (auto* workspace = Ports::find<WorkspacePort>()) workspace->beep();
      return;
    }
    // Recorded as our own write, so the clipboard monitor does not scan it.
    Pasteboard::writeOriginals(*originals);
    if (auto* panels = Ports::find<PanelsPort>())
      panels->showToast(Toast{QStringLiteral("check"), Tint::acc, QStringLiteral("Original copied"),
                              std::nullopt},
                        false);
  };
  if (model.settings().touchIDLock) {
    TouchID::unlock(QStringLiteral("restore masked values"), copy);
  } else {
    copy(true);
  }
}

void EntryView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && back_) {
    back_();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace clipvane
