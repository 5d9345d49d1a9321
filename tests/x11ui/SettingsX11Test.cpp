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
#include "ScreenPixels.h"
#include "ShortcutField.h"
#include "Theme.h"
#include "UiTest.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

TEST(SettingsX11, TabShowsWhereTheKeysAreOnTheRecorderAndItsClearButtonInBothSchemes) {
  X11Ports ports;
  for (const bool dark : {false, true}) {
    clipvane::testing::SchemeScope scheme(dark);
    AppSettings::Hotkey hotkey{9, 0x1100, u"⌃⌘V"};
    QWidget window;
    window.setWindowTitle(QStringLiteral("clipvane-recorder-focus"));
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Theme::color(Theme::card));
    window.setPalette(palette);
    auto* field = new ShortcutField([&] { return hotkey; },
                                    [&](const AppSettings::Hotkey& h) { hotkey = h; }, &window);
    field->move(20, 18);
    window.resize(240, 60);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window; }));
    window.setFocus(Qt::OtherFocusReason);  // no control has the keys yet
    waitUntil([] { return false; }, std::chrono::milliseconds(200));

    for (QAbstractButton* button : {field->recordButton(), field->clearButton()}) {
      SCOPED_TRACE(button->objectName().toStdString() + (dark ? " dark" : " light"));
      const QImage before = onScreen(button);
      xdotool({"key", "Tab"});
      ASSERT_TRUE(waitUntil([&] { return button->hasFocus(); }));
      waitUntil([] { return false; }, std::chrono::milliseconds(100));
      EXPECT_GT(accentPixels(onScreen(button)), accentPixels(before) + 8);
      QGuiApplication::primaryScreen()
          ->grabWindow(0, window.x(), window.y(), window.width(), window.height())
          .save(QStringLiteral(CLIPVANE_SCREENSHOTS "/x11-recorder-focus-%1-%2.png")
                    .arg(button->objectName(), dark ? "dark" : "light"));
    }
    // Space on the clear button the user can see clears the key.
    xdotool({"key", "space"});
    EXPECT_TRUE(waitUntil([&] { return hotkey.display.empty(); }));
    EXPECT_FALSE(field->isRecording());
  }
}

TEST(SettingsX11, AUrlGivenToASecondCopyOpensTheNamedTabInTheFirst) {
  Program first(QStringLiteral(CLIPVANE_PROGRAM));
  ASSERT_TRUE(waitUntil([&] { return bool(first.trayIcon()); }));

  // The second copy hands the URL over and ends.
  EXPECT_TRUE(first.handOver(QStringLiteral("clipvane://settings/apps")));

  std::optional<ShownWindow> window;
  ASSERT_TRUE(waitUntil([&] { return bool(window = first.titled("Apps — Clipvane")); }));
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
