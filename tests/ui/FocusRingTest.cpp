// Every control the keyboard reaches in the program's windows and the review
// panel shows that it has the focus, in both schemes: what Tab lands on looks
// different from the same control without the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "FloatingPanel.h"
#include "ReviewView.h"
#include "SettingsViewTest.h"
#include "SettingsWindow.h"
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
    manager().showActivity(false);
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

}  // namespace
}  // namespace clipvane
