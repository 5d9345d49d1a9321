// "Open at login" follows the copy that runs: an autostart entry written by
// another copy (a build tree's before the package was installed, a package's
// since purged) starts the program that starts now.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "E2eSupport.h"
#include "XdgLoginItem.h"

using namespace clipvane;
using namespace clipvane::e2e;

namespace {

std::string entry(const Home& home) {
  QFile f(home.file("config/autostart/clipvane.desktop"));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

}  // namespace

TEST(LoginItem, StartingPointsTheEntryAtTheRunningCopy) {
  Home home;
  AppSettings settings = onboarded();
  settings.launchAtLogin = true;
  home.write(settings);
  ASSERT_TRUE(QDir().mkpath(home.file("config/autostart")));
  const QByteArray stale =
      "[Desktop Entry]\nType=Application\nName=Clipvane\nExec=/opt/gone/clipvane\n"
      "X-GNOME-Autostart-enabled=true\nX-GNOME-Autostart-Delay=5\n";
  {
    QFile f(home.file("config/autostart/clipvane.desktop"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(stale);
  }
  const QString program = QFileInfo(QStringLiteral(CLIPVANE_PROGRAM)).canonicalFilePath();
  QByteArray expected = stale;
  expected.replace("Exec=/opt/gone/clipvane",
                   "Exec=" + x11::XdgLoginItem::execLine(program).toUtf8());

  {
    Clipvane first(home);
    ASSERT_TRUE(first.waitDocked()) << "no tray icon";
    EXPECT_EQ(entry(home), expected.toStdString());
  }
  // Switched off in the desktop's settings, the entry is left as it is.
  QByteArray off = stale;
  off.append("Hidden=true\n");
  {
    QFile f(home.file("config/autostart/clipvane.desktop"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(off);
  }
  Clipvane second(home);
  ASSERT_TRUE(second.waitDocked()) << "no tray icon";
  EXPECT_EQ(entry(home), off.toStdString());
}
