// Every control the keyboard reaches in the program's windows and the review
// panel shows that it has the focus, in both schemes: what Tab lands on looks
// different from the same control without the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "FloatingPanel.h"
#include "ReviewView.h"
#include "SettingsViewTest.h"
#include "SettingsWindow.h"
#include "Theme.h"
#include "WindowManager.h"

namespace clipvane {
namespace {

class FocusRingTest : public testing::SettingsViewTest {
 protected:
  ~FocusRingTest() override { manager_.reset(); }

  // Tabs through the window from its start until the focus comes round, and
  // names each control whose look the focus left unchanged.
  static std::string unseenFocus(QWidget* window) {
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    QStringList unseen;
    QWidget* first = nullptr;
    for (int step = 0; step < 200; ++step) {
      QWidget* before = QApplication::focusWidget();
      QTest::keyClick(before ? before : window, Qt::Key_Tab);
      QWidget* w = QApplication::focusWidget();
      if (!w || w == first) break;
      if (!first) first = w;
      if (w == before) continue;  // a control that keeps Tab (a text area)
      const QImage focused = w->grab().toImage();
      // The same control without the focus: on its window, the focus parked.
      window->setFocus(Qt::OtherFocusReason);
      const QImage plain = w->grab().toImage();
      w->setFocus(Qt::TabFocusReason);
      if (focused == plain)
        unseen << QStringLiteral("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
    }
    return unseen.join(QStringLiteral(", ")).toStdString();
  }

  WindowManager& manager() {
    if (!manager_) manager_ = std::make_unique<WindowManager>(model());
    return *manager_;
  }
  std::unique_ptr<WindowManager> manager_;
};

TEST_F(FocusRingTest, EveryControlTabReachesShowsItsFocusInBothSchemes) {
  for (const bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    SCOPED_TRACE(dark ? "dark" : "light");
    for (const SettingsTab tab : allCases<SettingsTab>()) {
      manager().showSettings(tab);
      EXPECT_EQ(unseenFocus(manager().settingsWindow()), std::string()) << rawName(tab).data();
    }
    if (!dark) {  // rows to reach in the list
      ActivityEntry entry;
      entry.date = Clock::now();
      entry.place = u"Terminal";
      entry.counts = {{Kind::email, 1}};
      ActivityStore::append(entry);
    }
    manager().showActivity(false);
    EXPECT_NE(manager().activityWindow()->findChild<QWidget*>(QStringLiteral("row.0")), nullptr);
    EXPECT_EQ(unseenFocus(manager().activityWindow()), std::string()) << "activity";
    manager().showFirstRun();
    EXPECT_EQ(unseenFocus(manager().firstRunWindow()), std::string()) << "first run";
    manager().showImport();
    EXPECT_EQ(unseenFocus(manager().importWindow()), std::string()) << "import";

    ReviewSession session;
    session.text = QStringLiteral("write to ann@example.com");
    Finding f;
    f.kind = Kind::email;
    f.range = {9, 15};
    f.value = u"ann@example.com";
    f.label = u"Email";
    session.found = {f};
    auto* view = new ReviewView(session, [](const auto&) {});
    FloatingPanel panel(view, true, GlassShape::rounded20);
    EXPECT_EQ(unseenFocus(&panel), std::string()) << "review summary";
    view->setShowItems(true);
    EXPECT_EQ(unseenFocus(&panel), std::string()) << "review items";
  }
}

// Accent pixels that `focused` has and `plain` lacks, outside `skip`.
int ringPixels(const QImage& focused, const QImage& plain, const QRect& skip = {}) {
  const QColor accent = Theme::color(Theme::acc);
  int n = 0;
  for (int y = 0; y < focused.height(); ++y)
    for (int x = 0; x < focused.width(); ++x) {
      if (skip.contains(x, y)) continue;
      const QColor a = focused.pixelColor(x, y);
      if (a != plain.pixelColor(x, y) && std::abs(a.hue() - accent.hue()) < 20 &&
          a.saturation() > 80)
        ++n;
    }
  return n;
}

TEST_F(FocusRingTest, ATableCheckboxShowsItsRingOutsideItsBoxInBothSchemes) {
  for (const bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    SCOPED_TRACE(dark ? "dark" : "light");
    manager().showSettings(SettingsTab::detection);
    SettingsWindow* window = manager().settingsWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // A group's checkbox, checked: its box is filled with the accent.
    auto* box = window->pane(SettingsTab::detection)
                    ->findChild<QAbstractButton*>(QStringLiteral("rowCheckbox"));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isChecked());
    QWidget* row = box->parentWidget();
    window->setFocus(Qt::OtherFocusReason);
    const QImage plain = row->grab().toImage();
    box->setFocus(Qt::TabFocusReason);
    const QImage focused = row->grab().toImage();
    // The box itself, 14 square in the middle of the checkbox, left out.
    const QRect inner = box->geometry().adjusted(3, 3, -3, -3);
    EXPECT_GT(ringPixels(focused, plain, inner), 40);
    QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
    focused.copy(0, 0, 200, focused.height())
        .scaled(600, 3 * focused.height())
        .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/settings-detect-checkbox-focus-row-%1.png")
                  .arg(dark ? "dark" : "light"));
    testing::screenshot(
        *window, QStringLiteral("settings-detect-checkbox-focus-%1").arg(dark ? "dark" : "light"));
  }
}

TEST_F(FocusRingTest, TabReachesTheSupportLinkAndReturnWritesToSupport) {
  manager().showSettings(SettingsTab::about);
  QWidget* window = manager().settingsWindow();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  auto* support = window->findChild<QAbstractButton*>(QStringLiteral("support"));
  ASSERT_NE(support, nullptr);
  bool reached = false;
  for (int step = 0; step < 20 && !reached; ++step) {
    QWidget* at = QApplication::focusWidget();
    QTest::keyClick(at ? at : window, Qt::Key_Tab);
    reached = QApplication::focusWidget() == support;
  }
  ASSERT_TRUE(reached);
  int opened = 0;
  QObject::connect(support, &QAbstractButton::clicked, [&] { ++opened; });
  QTest::keyClick(support, Qt::Key_Return);
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace clipvane
