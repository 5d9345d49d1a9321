// The installed applications from desktop entries: the listed ones sorted
// by name, hidden ones only by id.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "X11Applications.h"

namespace clipvane::x11 {
namespace {

void entry(const QString& dir, const QString& file, const QByteArray& body) {
  QFile f(dir + "/" + file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Desktop Entry]\nType=Application\nExec=true\n" + body);
}

TEST(X11Applications, ListsShownEntriesByNameAndFindsHiddenOnesById) {
  QTemporaryDir home;
  const QString apps = home.filePath("applications");
  QDir().mkpath(apps);
  entry(apps, "org.example.Zed.desktop", "Name=Zed\nIcon=zed\n");
  entry(apps, "alpha.desktop", "Name=alpha tool\nIcon=/opt/alpha/icon.png\n");
  entry(apps, "helper.desktop", "Name=Helper\nNoDisplay=true\n");
  entry(apps, "Beta.desktop", "Name=Beta\n");
  const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  qputenv("XDG_DATA_DIRS", home.filePath("none").toUtf8());

  X11Applications port;
  const auto listed = port.applications();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0], (InstalledApp{"alpha", "alpha tool", "/opt/alpha/icon.png"}));
  EXPECT_EQ(listed[1].name, "Beta");
  EXPECT_EQ(listed[2], (InstalledApp{"org.example.Zed", "Zed", "zed"}));
  EXPECT_EQ(port.application("helper")->name, "Helper");
  EXPECT_EQ(port.application("missing"), std::nullopt);

  qputenv("XDG_DATA_HOME", oldHome);
  qputenv("XDG_DATA_DIRS", oldDirs);
}

}  // namespace
}  // namespace clipvane::x11
