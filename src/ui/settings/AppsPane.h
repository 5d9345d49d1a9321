#pragma once
// The Apps tab: the protected applications with their switch, paste action
// and scope; catching Ctrl+V in them, with what the desktop must allow for
// it; and how pastes into other applications are treated.
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "AppModel.h"
#include "SettingsComponents.h"

namespace clipvane {

class PillButton;
class ThemeText;

class AppsPane : public SettingsPane {
 public:
  explicit AppsPane(AppModel& model, QWidget* parent = nullptr);

  // The identity of the selected row; none for no selection.
  const std::optional<std::u16string>& selected() const { return selected_; }
  void select(const std::u16string& id);
  bool trusted() const { return trusted_; }
  SettingsTable* table() const { return table_; }

  // Asks the user for an application; the chooser dialog unless a test sets one.
  std::function<std::optional<InstalledApp>(QWidget*)> chooser;

  // Smart Ctrl+V: commits smartPaste, then the paste method (two saves).
  static void setSmartPaste(AppModel& model, bool on);
  // A row's switch: removes the identity from disabledApps, then (off) appends
  // it once (one or two saves).
  static void setEnabled(AppModel& model, const std::u16string& id, bool on);
  // The first entry with the identity takes the action or the scope.
  static void setAction(AppModel& model, const std::u16string& id, AppSettings::AppAction action);
  static void setScope(AppModel& model, const std::u16string& id,
                       AppSettings::ProtectedApp::Scope scope);
  // Appends a chosen application unless one with its id is listed already.
  static void add(AppModel& model, const InstalledApp& app);

  void addApp();
  void removeSelected();
  // One tick of the permission poll (every second while shown).
  void poll();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void rebuild(const AppSettings& s);
  void refreshAllow(const AppSettings& s);

  AppModel& model_;
  std::optional<std::u16string> selected_;
  bool trusted_;
  QTimer poll_;
  SettingsTable* table_;
  AddRemoveBar* bar_;
  PillButton* allow_;
  ThemeText* explanation_;
};

}  // namespace clipvane
