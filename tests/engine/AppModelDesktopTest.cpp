// The notices at start about what the desktop lacks.
#include <gtest/gtest.h>

#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;

class AppModelDesktopTest : public EngineTest {
 protected:
  AppModelDesktopTest() { AppModel::trayWait() = 0.05; }
  ~AppModelDesktopTest() override {
    AppModel::trayWait() = AppModel::defaultTrayWait;
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", display);
  }
  const QByteArray display = qgetenv("DISPLAY");
};

TEST_F(AppModelDesktopTest, SaysOnceWhatTheDesktopLacks) {
  const QString wayland =
      "Wayland: keys can't be caught and pastes can't be sent to Wayland windows";
  const QString noTray = "No system tray: use the hot keys, or open clipvane://settings";
  struct Case {
    const char* waylandDisplay;
    bool trayAtStart, trayLater, iconShown;
    QStringList toasts;
  };
  const Case cases[] = {
      {"", true, true, true, {}},
      {"wayland-0", true, true, true, {wayland}},
      {"wayland-0", false, false, true, {wayland, noTray}},
      {"", false, true, true, {}},    // the tray host came up while the program started
      {"", false, false, false, {}},  // the user hid the icon
      {"", false, false, true, {noTray}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.waylandDisplay << c.trayAtStart << c.trayLater << c.iconShown);
    restart([&](AppSettings& s) {
      s.onboarded = true;
      s.showInMenuBar = c.iconShown;
    });
    qputenv("DISPLAY", ":0");
    qputenv("WAYLAND_DISPLAY", c.waylandDisplay);
    ports.statusItem.tray = c.trayAtStart;
    model().start();
    ports.statusItem.tray = c.trayLater;
    testing::runFor(200);
    EXPECT_EQ(ports.panels.texts(), c.toasts);
    for (const auto& t : ports.panels.toasts) EXPECT_FALSE(t.sticky);
  }
  // The last one's button opens the settings at the tab with the hot keys.
  fakes::journal().clear();
  ports.panels.pressAction();
  EXPECT_EQ(fakes::journal(), QStringList{"settings general"});
}

}  // namespace
}  // namespace clipvane
