// The settings window on a real X server: a URL handed to a second copy
// opens the named tab in the first, and the hot-key recorder gets a
// combination the program itself has grabbed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>

#include "Hotkeys.h"
#include "ProgramWindows.h"
#include "ShortcutField.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

TEST(SettingsX11, AUrlGivenToASecondCopyOpensTheNamedTabInTheFirst) {
  Program first(QStringLiteral(CLIPVANE_PROGRAM));
  ASSERT_TRUE(waitUntil([&] { return bool(first.trayIcon()); }));

  // The second copy hands the URL over and ends.
  EXPECT_TRUE(first.handOver(QStringLiteral("clipvane://settings/apps")));

  std::optional<ShownWindow> window;
  ASSERT_TRUE(waitUntil([&] { return bool(window = first.titled("Apps")); }));
  EXPECT_EQ(window->frame.width(), 680);
  waitUntil([] { return false; }, std::chrono::milliseconds(300));  // painted
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  QGuiApplication::primaryScreen()
      ->grabWindow(0, window->frame.x(), window->frame.y(), window->frame.width(),
                   window->frame.height())
      .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-settings-apps.png"));
  EXPECT_TRUE(first.running());
}

TEST(SettingsX11, TheRecorderGetsACombinationTheProgramHasGrabbed) {
  X11Ports ports;
  int presses = 0;
  const AppSettings::Hotkey ctrlAltK{40, 0x1800, u"⌃⌥K"};
  Hotkeys::shared().registerHotkey(1, ctrlAltK, [&] { ++presses; });
  ASSERT_TRUE(Hotkeys::shared().isRegistered(1));

  AppSettings::Hotkey recorded;
  QWidget window;
  window.setWindowTitle(QStringLiteral("clipvane-recorder"));
  auto* field = new ShortcutField([&] { return recorded; },
                                  [&](const AppSettings::Hotkey& h) { recorded = h; }, &window);
  window.resize(240, 60);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window; }));

  field->recordButton()->click();
  ASSERT_TRUE(field->isRecording());
  EXPECT_FALSE(Hotkeys::shared().isRegistered(1));
  xdotool({"key", "ctrl+alt+k"});
  ASSERT_TRUE(waitUntil([&] { return !field->isRecording(); }));
  EXPECT_EQ(recorded, ctrlAltK);
  EXPECT_EQ(field->shownText(), "Ctrl+Alt+K");
  EXPECT_EQ(presses, 0);

  // Taken again afterwards: the same keys now reach the program's action.
  EXPECT_TRUE(Hotkeys::shared().isRegistered(1));
  xdotool({"key", "ctrl+alt+k"});
  EXPECT_TRUE(waitUntil([&] { return presses == 1; }));
  Hotkeys::shared().unregisterHotkey(1);
}
