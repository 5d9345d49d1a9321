#pragma once
// The settings window: a toolbar of the five tabs (glyph over label, one
// selected at a time) above the panes, each pane built once and kept while
// the window lives. Fixed at the panes' 680 x 580 under the toolbar; the
// title is the selected tab's label beside the program's name; closing (or
// Ctrl+W) only hides it.
#include <QToolButton>
#include <QWidget>

#include <map>

#include "SettingsTab.h"

class QAction;
class QActionGroup;
class QStackedWidget;
class QToolBar;

namespace clipvane {

class AppModel;

namespace SettingsTabs {
// "General", "Detect", "Auto-mask", "Apps", "About".
QString label(SettingsTab tab);
// The icon-set glyph of the tab's toolbar button.
QString glyph(SettingsTab tab);
// The tab a URL's raw name gives: exact raw names only, else General.
SettingsTab fromRaw(const QString& raw);
}  // namespace SettingsTabs

// The pane of one tab, built once by the window (defined beside the panes).
QWidget* makeSettingsPane(SettingsTab tab, AppModel& model, QWidget* parent);

// A toolbar tab: the 22 px glyph in a 24 box over its label, in the accent
// while selected, secondary text otherwise.
class SettingsTabButton : public QToolButton {
 public:
  SettingsTabButton(SettingsTab tab, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  SettingsTab tab_;
};

class SettingsWindow : public QWidget {
 public:
  explicit SettingsWindow(AppModel& model, QWidget* parent = nullptr);

  // Selects the tab; the other panes keep their state.
  void select(SettingsTab tab);
  SettingsTab selected() const { return selected_; }
  QWidget* pane(SettingsTab tab) const;
  QAction* action(SettingsTab tab) const;
  QToolBar* toolbar() const { return toolbar_; }

 private:
  SettingsTab selected_ = SettingsTab::general;
  QToolBar* toolbar_;
  QActionGroup* group_;
  QStackedWidget* stack_;
  std::map<SettingsTab, QAction*> actions_;
  std::map<SettingsTab, QWidget*> panes_;
};

}  // namespace clipvane
