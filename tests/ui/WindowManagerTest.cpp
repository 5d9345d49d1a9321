// The window manager and the settings window: windows made once and kept,
// tabs switched in place, the history re-read on each request.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>

#include "SettingsComponents.h"
#include "SettingsViewTest.h"
#include "SettingsWindow.h"
#include "WindowManager.h"

namespace clipvane {
namespace {

using testing::SettingsViewTest;

class WindowManagerTest : public SettingsViewTest {
 protected:
  WindowManager& manager() {
    if (!manager_) manager_ = std::make_unique<WindowManager>(model());
    return *manager_;
  }
  ~WindowManagerTest() override { manager_.reset(); }
  std::unique_ptr<WindowManager> manager_;

  ActivityEntry entry(int hour) {
    ActivityEntry e;
    e.date = at(QDateTime(QDate(2026, 3, 10), QTime(hour, 0)));
    e.place = u"Terminal";
    e.counts = {{Kind::email, 1}};
    return e;
  }
};

TEST(SettingsTabs, RawNamesMatchExactlyAndAnythingElseOpensGeneral) {
  const std::pair<const char*, SettingsTab> cases[] = {
      {"general", SettingsTab::general},   {"detection", SettingsTab::detection},
      {"automask", SettingsTab::autoMask}, {"apps", SettingsTab::apps},
      {"about", SettingsTab::about},       {"Apps", SettingsTab::general},
      {"autoMask", SettingsTab::general},  {"", SettingsTab::general},
      {"privacy", SettingsTab::general}};
  for (const auto& [raw, tab] : cases) EXPECT_EQ(SettingsTabs::fromRaw(raw), tab) << raw;
}

TEST_F(WindowManagerTest, ASecondRequestSwitchesTheTabOfTheSameWindowAndKeepsPaneState) {
  manager().showSettings(SettingsTab::general);
  SettingsWindow* window = manager().settingsWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "General — Clipvane");
  EXPECT_TRUE(window->isVisible());
  // A half-edited field in a pane survives the switch.
  auto* field = new QLineEdit(window->pane(SettingsTab::general));
  field->setText("half");
  QWidget* apps = window->pane(SettingsTab::apps);

  manager().showSettings(SettingsTab::apps);
  EXPECT_EQ(manager().settingsWindow(), window);
  EXPECT_EQ(window->selected(), SettingsTab::apps);
  EXPECT_EQ(window->windowTitle(), "Apps — Clipvane");
  EXPECT_EQ(window->pane(SettingsTab::apps), apps);
  EXPECT_TRUE(window->action(SettingsTab::apps)->isChecked());
  EXPECT_FALSE(window->action(SettingsTab::general)->isChecked());
  EXPECT_EQ(field->text(), "half");

  // Closing only hides: the next request shows the same window and tab.
  window->close();
  EXPECT_FALSE(window->isVisible());
  manager().showSettings(SettingsTab::apps);
  EXPECT_EQ(manager().settingsWindow(), window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(field->text(), "half");
}

TEST_F(WindowManagerTest, TheToolbarSelectsTabsOneAtATimeAndTheWindowHasTheFixedPaneSize) {
  manager().showSettings(SettingsTab::general);
  SettingsWindow* window = manager().settingsWindow();
  const auto* stack = window->findChild<QStackedWidget*>();
  for (const SettingsTab tab : allCases<SettingsTab>()) {
    click(child(window, "tab." + QString::fromUtf8(rawName(tab).data())));
    EXPECT_EQ(window->selected(), tab);
    EXPECT_EQ(window->windowTitle(), SettingsTabs::label(tab) + " — Clipvane");
    EXPECT_EQ(stack->currentWidget(), window->pane(tab));
    int checked = 0;
    for (const SettingsTab other : allCases<SettingsTab>())
      checked += window->action(other)->isChecked();
    EXPECT_EQ(checked, 1);
  }
  EXPECT_EQ(window->width(), 680);
  EXPECT_EQ(window->height(), window->toolbar()->height() + 580);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(stack->currentWidget()->size(), QSize(680, 580));
}

TEST_F(WindowManagerTest, ScreenshotsOfTheEmptyWindowInBothSchemes) {
  manager().showSettings(SettingsTab::detection);
  for (const bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    testing::screenshot(*manager().settingsWindow(),
                        QStringLiteral("settings-window-%1").arg(dark ? "dark" : "light"));
  }
}

// Dates are stored to the second: of two pastes in one second, the one
// stored later is the latest.
TEST_F(WindowManagerTest, TheLatestEntryIsTheLastStoredOfTheNewestDate) {
  EXPECT_EQ(WindowManager::latest({}), std::nullopt);
  const auto a = entry(10), b = entry(12), c = entry(12);
  EXPECT_EQ(WindowManager::latest({a, b, c}), c.id);
  EXPECT_EQ(WindowManager::latest({b, a}), b.id);
  EXPECT_EQ(WindowManager::latest({a}), a.id);
}

TEST_F(WindowManagerTest, ActivityIsReReadOnEveryRequestAndOpensTheLatestOnlyWhenAsked) {
  manager().showActivity(true);
  EXPECT_TRUE(model().activity().empty());
  EXPECT_EQ(manager().activityState().open(), std::nullopt);
  QWidget* window = manager().activityWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  window->close();

  // Written by a paste while the window was closed.
  const auto older = entry(10), newer = entry(12);
  ActivityStore::append(older);
  ActivityStore::append(newer);
  manager().showActivity(true);
  EXPECT_EQ(model().activity().size(), 2u);
  EXPECT_EQ(manager().activityState().open(), newer.id);
  EXPECT_EQ(manager().activityWindow(), window);

  // The list again, closing the detail left open.
  manager().showActivity(false);
  EXPECT_EQ(manager().activityState().open(), std::nullopt);
}

TEST_F(WindowManagerTest, FirstRunIsKeptButImportStartsAfreshOnEveryRequest) {
  manager().showFirstRun();
  if (QWidget* firstRun = manager().firstRunWindow()) {
    firstRun->close();
    manager().showFirstRun();
    EXPECT_EQ(manager().firstRunWindow(), firstRun);
    EXPECT_TRUE(firstRun->isVisible());
  }

  manager().showImport();
  QWidget* window = manager().importWindow();
  QPointer<QWidget> first = window->findChild<QWidget*>("importView");
  ASSERT_TRUE(first);
  manager().showImport();
  EXPECT_EQ(manager().importWindow(), window);
  EXPECT_FALSE(first);  // replaced
  EXPECT_EQ(window->findChildren<QWidget*>("importView").size(), 1);
}

TEST_F(WindowManagerTest, AnAlertIsAModalMessageBoxThatReturnsWhenDismissed) {
  QString shown, informative;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = box->text();
    informative = box->informativeText();
    testing::screenshot(*box, "settings-alert");
    box->accept();
  });
  manager().runAlert("Can’t unlock originals", "No password is set.");
  EXPECT_EQ(shown, "Can’t unlock originals");
  EXPECT_EQ(informative, "No password is set.");
}

}  // namespace
}  // namespace clipvane
