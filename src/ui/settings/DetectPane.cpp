// The settings window's Detect tab.
#include "DetectPane.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "AICheck.h"
#include "AppModel.h"
#include "DetectLists.h"
#include "DetectRules.h"
#include "DetectWidgets.h"
#include "GroupSheet.h"
#include "Kit.h"
#include "KitRows.h"
#include "LocaleText.h"
#include "RuleEditor.h"
#include "WindowManager.h"
#include "WordLists.h"

namespace clipvane {

namespace {

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

// A section's title: the pane's font, semibold.
ThemeText* sectionTitle(const QString& text) {
  auto* title = new ThemeText(text);
  title->setFont(Kit::font(13, QFont::DemiBold));
  return title;
}

// The group cell: the group's glyph and title, 7 apart.
QWidget* groupCell(const DetectGroup& group) {
  auto* cell = new QWidget();
  auto* row = new QHBoxLayout(cell);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(7);
  row->addWidget(new DetectGlyph(group.glyph, 15, Theme::tx2));
  row->addWidget(new ThemeText(group.title), 1);
  return cell;
}

}  // namespace

QWidget* makeDetectPane(AppModel& model, QWidget* parent) {
  return new DetectPane(
      model, [] { WindowManager::shared().showImport(); }, parent);
}

DetectPane::DetectPane(AppModel& model, std::function<void()> showImport, QWidget* parent)
    : SettingsPane(14, parent),
      askIgnoredText(clipvane::askIgnoredText),
      model_(model),
      showImport_(std::move(showImport)) {
  setObjectName(QStringLiteral("detectPane"));
  addItem(buildGroups());
  buildRules();
  buildIgnored();
  buildLists();
  connect(&model_, &AppModel::settingsChanged, this, &DetectPane::refresh);
  refresh();
}

DetectPane::~DetectPane() = default;

namespace {

// Closes a sheet whose answer the pane has handled.
template <class Sheet>
void dismiss(QPointer<Sheet>& slot) {
  if (Sheet* sheet = slot) {
    slot = nullptr;
    sheet->hide();
    sheet->deleteLater();
  }
}

}  // namespace

void DetectPane::removeSelected(std::optional<Uuid>& selected,
                                void (*remove)(AppSettings&, const Uuid&)) {
  const std::optional<Uuid> id = selected;
  if (id) commit([&](AppSettings& s) { remove(s, *id); });
  selected.reset();
  refresh();
}

template <class Fn>
void DetectPane::commit(Fn fn) {
  AppSettings next = model_.settings();
  fn(next);
  model_.setSettings(next);
}

void DetectPane::onRowClicks(TableRow* row, std::function<void()> select,
                             std::function<void()> open) {
  connect(row, &TableRow::clicked, this, std::move(select));
  if (open) {
    row->installEventFilter(this);
    doubleClicks_.emplace_back(row, std::move(open));
  }
}

bool DetectPane::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonDblClick)
    for (const auto& [row, open] : doubleClicks_)
      if (row == watched) {
        const auto run = open;  // the row may be rebuilt by what it opens
        run();
        break;  // the row still sees the press: it selects itself
      }
  if (e->type() == QEvent::DeferredDelete)
    std::erase_if(doubleClicks_, [&](const auto& entry) { return entry.first == watched; });
  return SettingsPane::eventFilter(watched, e);
}

// ---- groups and the local-model check ---------------------------------------------------

QWidget* DetectPane::buildGroups() {
  // The check row sits 4 closer to the table than the pane's spacing.
  auto* block = new QWidget();
  auto* stack = new QVBoxLayout(block);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(10);

  groups_ = new SettingsTable(
      {{QStringLiteral("Group"), std::nullopt}, {QStringLiteral("Types"), 60}}, true);
  groups_->setObjectName(QStringLiteral("groups"));
  for (const DetectGroup& group : DetectGroup::all()) {
    auto* count = new ThemeText(QString(), Theme::tx2);
    TableRow* row = groups_->addRow({groupCell(group), count}, false, false);
    row->setObjectName(QStringLiteral("group.") + group.title);
    row->checkbox()->setAccessibleName(group.title);
    onRowClicks(
        row,
        [this, title = group.title] {
          selectedGroup_ = title;
          refreshGroups();
        },
        [this, &group] { editGroup(group); });
    connect(row, &TableRow::checkToggled, this, [this, &group](bool on) {
      DetectGroups::setDetected(model_, group, on);
      refreshGroups();
    });
    groupRows_.push_back({row, count});
  }
  stack->addWidget(groups_);

  auto* checkRow = new QHBoxLayout();
  check_ = new Checkbox(QStringLiteral("Check with a local model"));
  check_->setObjectName(QStringLiteral("aiCheck"));
  connect(check_, &QAbstractButton::clicked, this,
          [this](bool on) { commit([on](AppSettings& s) { s.aiCheck = on; }); });
  checkRow->addWidget(check_);
  checkRow->addStretch(1);
  edit_ = new PillButton(QStringLiteral("Edit…"), false, 22);
  edit_->setObjectName(QStringLiteral("editGroup"));
  connect(edit_, &QAbstractButton::clicked, this, [this] {
    if (!selectedGroup_) return;
    if (const DetectGroup* group = DetectGroup::find(*selectedGroup_)) editGroup(*group);
  });
  checkRow->addWidget(edit_);
  stack->addLayout(checkRow);
  return block;
}

void DetectPane::refreshGroups() {
  const DetectionSettings& detection = model_.settings().detection;
  for (size_t i = 0; i < groupRows_.size(); ++i) {
    const DetectGroup& group = DetectGroup::all()[i];
    const GroupRow& row = groupRows_[i];
    row.row->setSelected(selectedGroup_ == group.title);
    row.row->setChecked(DetectGroups::checked(detection, group));
    row.count->setText(QString::number(DetectGroups::on(detection, group)) +
                       QStringLiteral(" of ") + QString::number(group.kinds.size()));
  }
  edit_->setEnabled(selectedGroup_.has_value());
}

void DetectPane::refreshCheck() {
  // The engine answers from its latest probe of the model server: never a wait.
  const AICheck::Status status = AICheck::status();
  const bool on = model_.settings().aiCheck;
  check_->setChecked(on);
  check_->setEnabled(on || status == AICheck::Status::available);
  check_->setToolTip(AICheck::statusText(status));
}

void DetectPane::editGroup(const DetectGroup& group) {
  if (groupSheet_) return;
  const AppSettings& current = model_.settings();
  auto* sheet = new GroupSheet(
      group, current.detection, current,
      [this](std::optional<DetectionSettings> answer) {
        if (answer) commit([&](AppSettings& s) { s.detection = *answer; });
        dismiss(groupSheet_);
      },
      window());
  groupSheet_ = sheet;
  sheet->show();
}

// ---- custom rules ---------------------------------------------------------------------

void DetectPane::buildRules() {
  addItem(sectionTitle(QStringLiteral("Custom rules")));
  rules_ = new SettingsTable({{QStringLiteral("Name"), std::nullopt},
                              {QStringLiteral("Match"), 110},
                              {QStringLiteral("Mask as"), 120}},
                             true);
  rules_->setObjectName(QStringLiteral("rules"));
  addItem(rules_);
  rulesBar_ = new AddRemoveBar();
  rulesBar_->setObjectName(QStringLiteral("rulesBar"));
  connect(rulesBar_, &AddRemoveBar::add, this, [this] { editRule(DetectRules::newRule()); });
  connect(rulesBar_, &AddRemoveBar::remove, this, &DetectPane::removeRule);
  addItem(rulesBar_, Qt::AlignLeft);
}

void DetectPane::refreshRules() {
  const auto& rules = model_.settings().detection.customRules;
  if (rules != shownRules_) {
    shownRules_ = rules;
    rules_->clearRows();
    for (const CustomRule& rule : rules) {
      const QString name = qs(rule.name);
      auto* match = new DetectText(DetectRules::matchText(rule), font(), Theme::tx2);
      auto* mask = new DetectText(DetectRules::maskPreview(name, QStringLiteral("n")), font(),
                                  Theme::tx2, Qt::ElideMiddle);
      TableRow* row = rules_->addRow({new DetectText(name, font(), Theme::tx), match, mask}, false,
                                     rule.enabled);
      row->setObjectName(QStringLiteral("rule.") + QString::fromStdString(rule.id.string()));
      row->checkbox()->setAccessibleName(name);
      onRowClicks(
          row,
          [this, id = rule.id] {
            selectedRule_ = id;
            refreshRules();
          },
          [this, id = rule.id] {
            if (const CustomRule* current = DetectRules::find(model_.settings(), id))
              editRule(*current);
          });
      connect(row, &TableRow::checkToggled, this, [this, id = rule.id](bool on) {
        commit([&](AppSettings& s) { DetectRules::setEnabled(s, id, on); });
      });
    }
  }
  for (size_t i = 0; i < rules_->rows().size(); ++i)
    rules_->rows()[i]->setSelected(selectedRule_ == shownRules_[i].id);
  rulesBar_->setCanRemove(selectedRule_.has_value());
}

void DetectPane::editRule(const CustomRule& rule) {
  if (ruleEditor_) return;
  auto* editor = new RuleEditor(
      rule,
      [this](std::optional<CustomRule> answer) {
        if (answer) commit([&](AppSettings& s) { DetectRules::store(s, *answer); });
        dismiss(ruleEditor_);
      },
      window());
  ruleEditor_ = editor;
  editor->show();
}

void DetectPane::removeRule() { removeSelected(selectedRule_, &DetectRules::remove); }

// ---- ignored texts ---------------------------------------------------------------------

void DetectPane::buildIgnored() {
  addItem(sectionTitle(QStringLiteral("Ignored")));
  ignored_ = new SettingsTable({{QStringLiteral("Text"), std::nullopt},
                                {QStringLiteral("Seen as"), 110},
                                {QStringLiteral("Added"), 120}},
                               false);
  ignored_->setObjectName(QStringLiteral("ignored"));
  addItem(ignored_);
  ignoredBar_ = new AddRemoveBar();
  ignoredBar_->setObjectName(QStringLiteral("ignoredBar"));
  connect(ignoredBar_, &AddRemoveBar::add, this, &DetectPane::addIgnored);
  connect(ignoredBar_, &AddRemoveBar::remove, this, &DetectPane::removeIgnored);
  addItem(ignoredBar_, Qt::AlignLeft);
}

void DetectPane::refreshIgnored() {
  const auto& ignored = model_.settings().ignored;
  if (ignored != shownIgnored_) {
    shownIgnored_ = ignored;
    ignored_->clearRows();
    QFont mono = Kit::font(12);
    mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    mono.setStyleHint(QFont::Monospace);
    for (const IgnoredText& entry : ignored) {
      TableRow* row =
          ignored_->addRow({new DetectText(qs(entry.text), mono, Theme::tx, Qt::ElideMiddle),
                            new DetectText(qs(entry.seenAs), font(), Theme::tx),
                            new DetectText(DetectLists::when(entry.added), font(), Theme::tx)},
                           false);
      row->setObjectName(QStringLiteral("ignored.") + QString::fromStdString(entry.id.string()));
      onRowClicks(row, [this, id = entry.id] {
        selectedIgnored_ = id;
        refreshIgnored();
      });
    }
  }
  for (size_t i = 0; i < ignored_->rows().size(); ++i)
    ignored_->rows()[i]->setSelected(selectedIgnored_ == shownIgnored_[i].id);
  ignoredBar_->setCanRemove(selectedIgnored_.has_value());
}

void DetectPane::addIgnored() {
  const std::optional<QString> typed = askIgnoredText ? askIgnoredText(window()) : std::nullopt;
  if (!typed) return;
  const std::optional<IgnoredText> entry = DetectLists::ignoredText(*typed, Clock::now());
  if (!entry) return;
  commit([&](AppSettings& s) { s.ignored.push_back(*entry); });
}

void DetectPane::removeIgnored() { removeSelected(selectedIgnored_, &DetectLists::removeIgnored); }

// ---- imported lists ---------------------------------------------------------------------

void DetectPane::buildLists() {
  addItem(sectionTitle(QStringLiteral("Imported lists")));
  lists_ = new SettingsTable({{QStringLiteral("File"), std::nullopt},
                              {QStringLiteral("Mask as"), 90},
                              {QStringLiteral("Items"), 60},
                              {QStringLiteral("Added"), 120}},
                             true);
  lists_->setObjectName(QStringLiteral("lists"));
  addItem(lists_);
  auto* bar = new QWidget();
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  listsBar_ = new AddRemoveBar();
  listsBar_->setObjectName(QStringLiteral("listsBar"));
  connect(listsBar_, &AddRemoveBar::add, this, [this] {
    if (showImport_) showImport_();
  });
  connect(listsBar_, &AddRemoveBar::remove, this, &DetectPane::removeList);
  row->addWidget(listsBar_);
  row->addStretch(1);
  usage_ = new ThemeText(QString(), Theme::tx2);
  usage_->setObjectName(QStringLiteral("usage"));
  usage_->setFont(Kit::font(12));
  row->addWidget(usage_);
  addItem(bar);
}

void DetectPane::refreshLists() {
  const AppSettings& settings = model_.settings();
  if (settings.importedLists != shownLists_) {
    shownLists_ = settings.importedLists;
    lists_->clearRows();
    for (const ImportedList& list : shownLists_) {
      auto* file = new QWidget();
      auto* fileRow = new QHBoxLayout(file);
      fileRow->setContentsMargins(0, 0, 0, 0);
      fileRow->setSpacing(7);
      fileRow->addWidget(new ListBadge());
      fileRow->addWidget(new DetectText(qs(list.file), font(), Theme::tx, Qt::ElideMiddle), 1);
      TableRow* row = lists_->addRow(
          {file, new DetectText(qs(WordLists::label(list.kind)), font(), Theme::tx),
           new DetectText(LocaleText::count(qlonglong(list.items.size())), font(), Theme::tx),
           new DetectText(DetectLists::when(list.added), font(), Theme::tx)},
          false, list.enabled);
      row->setObjectName(QStringLiteral("list.") + QString::fromStdString(list.id.string()));
      row->checkbox()->setAccessibleName(qs(list.file));
      onRowClicks(row, [this, id = list.id] {
        selectedList_ = id;
        refreshLists();
      });
      connect(row, &TableRow::checkToggled, this, [this, id = list.id](bool on) {
        commit([&](AppSettings& s) { DetectLists::setListEnabled(s, id, on); });
      });
    }
  }
  for (size_t i = 0; i < lists_->rows().size(); ++i)
    lists_->rows()[i]->setSelected(selectedList_ == shownLists_[i].id);
  listsBar_->setCanRemove(selectedList_.has_value());
  usage_->setText(DetectLists::importUsage(settings));
}

void DetectPane::removeList() { removeSelected(selectedList_, &DetectLists::removeList); }

// ---- the whole pane -------------------------------------------------------------------------

void DetectPane::refresh() {
  refreshGroups();
  refreshCheck();
  refreshRules();
  refreshIgnored();
  refreshLists();
}

void DetectPane::showEvent(QShowEvent* e) {
  SettingsPane::showEvent(e);
  refreshCheck();
}

void DetectPane::changeEvent(QEvent* e) {
  SettingsPane::changeEvent(e);
  // Coming back to the window shows the model's latest status.
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) refreshCheck();
}

}  // namespace clipvane
