#pragma once
// The Detect tab: the detection groups with their switches and sheet, the
// local-model check, the user's own rules with their editor, the ignored
// texts and the imported word lists. It changes the settings only through
// AppModel::setSettings, one write per change (a group switch: one per kind).
// Table selections are identifiers that survive every change of the settings
// and are cleared only by the matching remove button.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "AppSettings.h"
#include "DetectGroups.h"
#include "GroupSheet.h"
#include "RuleEditor.h"
#include "SettingsComponents.h"
#include "Types.h"

namespace clipvane {

class AppModel;
class AddRemoveBar;
class Checkbox;
class DetectText;
class PillButton;
class ThemeText;

// The settings window's Detect tab over the model.
QWidget* makeDetectPane(AppModel& model, QWidget* parent);

class DetectPane : public SettingsPane {
 public:
  // `showImport` opens the word-list import window.
  DetectPane(AppModel& model, std::function<void()> showImport, QWidget* parent = nullptr);
  ~DetectPane() override;

  // ---- view state ------------------------------------------------------------
  const std::optional<QString>& selectedGroup() const { return selectedGroup_; }
  const std::optional<Uuid>& selectedRule() const { return selectedRule_; }
  const std::optional<Uuid>& selectedIgnored() const { return selectedIgnored_; }
  const std::optional<Uuid>& selectedList() const { return selectedList_; }
  // The open sheets; null while none is shown.
  GroupSheet* groupSheet() const { return groupSheet_; }
  RuleEditor* ruleEditor() const { return ruleEditor_; }

  // ---- actions (the buttons and rows call them) ---------------------------------
  void editGroup(const DetectGroup& group);
  void editRule(const CustomRule& rule);
  // Asks for a text to ignore and appends it.
  void addIgnored();
  void removeRule();
  void removeIgnored();
  void removeList();
  // The question addIgnored() asks: the text typed, none on "Cancel".
  // Replaceable so that the pane's tests need no modal loop.
  std::function<std::optional<QString>(QWidget* parent)> askIgnoredText;

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct GroupRow {
    TableRow* row;
    ThemeText* count;
  };

  QWidget* buildGroups();
  void buildRules();
  void buildIgnored();
  void buildLists();
  // Shows the current settings and view state everywhere.
  void refresh();
  void refreshGroups();
  void refreshCheck();
  void refreshRules();
  void refreshIgnored();
  void refreshLists();
  // One write: the current settings changed by fn.
  template <class Fn>
  void commit(Fn fn);
  // One write without the selected entry (none when it is gone), then no
  // selection.
  void removeSelected(std::optional<Uuid>& selected, void (*remove)(AppSettings&, const Uuid&));
  // Selects the row on a click and runs `open` on a double click.
  void onRowClicks(TableRow* row, std::function<void()> select, std::function<void()> open = {});
  std::vector<std::pair<TableRow*, std::function<void()>>> doubleClicks_;

  AppModel& model_;
  std::function<void()> showImport_;

  std::optional<QString> selectedGroup_;
  std::optional<Uuid> selectedRule_;
  std::optional<Uuid> selectedIgnored_;
  std::optional<Uuid> selectedList_;
  QPointer<GroupSheet> groupSheet_;
  QPointer<RuleEditor> ruleEditor_;

  SettingsTable* groups_ = nullptr;
  std::vector<GroupRow> groupRows_;
  Checkbox* check_ = nullptr;
  PillButton* edit_ = nullptr;
  SettingsTable* rules_ = nullptr;
  std::vector<CustomRule> shownRules_;
  AddRemoveBar* rulesBar_ = nullptr;
  SettingsTable* ignored_ = nullptr;
  std::vector<IgnoredText> shownIgnored_;
  AddRemoveBar* ignoredBar_ = nullptr;
  SettingsTable* lists_ = nullptr;
  std::vector<ImportedList> shownLists_;
  AddRemoveBar* listsBar_ = nullptr;
  ThemeText* usage_ = nullptr;
};

}  // namespace clipvane
