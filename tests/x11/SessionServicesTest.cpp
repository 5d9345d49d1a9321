// The services that need a session but no screen: the single copy on the
// session bus, the autostart entry, PAM and the local model.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "SessionBusInstance.h"
#include "X11TestSupport.h"
#include "XdgLoginItem.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

TEST(SessionBusInstance, LaterCopyHandsOverAndEnds) {
  SessionBusInstance first;
  const auto copies = first.runningCopies(*first.bundleIdentifier());
  ASSERT_EQ(copies.size(), 1u);  // this process owns the name now
  EXPECT_EQ(copies[0].pid, QCoreApplication::applicationPid());
  EXPECT_TRUE(copies[0].launchDate.has_value());
  QList<QStringList> handed;
  int reopened = 0;
  first.listen([&] { ++reopened; }, [&](const QStringList& urls) { handed << urls; });

  struct Row {
    QStringList urls;
    int reopens;
  };
  const Row rows[] = {
      {{"clipvane://settings/apps"}, 0},
      {{"clipvane://activity", "CLIPVANE://settings/about"}, 0},
      {{}, 1},  // no URL: a reopen request
  };
  for (const Row& r : rows) {
    Helper second(QStringList{"instance"} + r.urls);
    ASSERT_TRUE(second.waitFor("older " + QByteArray::number(QCoreApplication::applicationPid())));
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.exitCode(), 0);
    if (!r.urls.isEmpty()) {
      ASSERT_TRUE(waitUntil([&] { return !handed.isEmpty(); }));
      EXPECT_EQ(handed.takeFirst(), r.urls);  // as given, capitals and all
    }
    EXPECT_TRUE(waitUntil([&] { return reopened == r.reopens; }));
  }
  EXPECT_TRUE(handed.isEmpty());
  EXPECT_EQ(reopened, 1);
}

TEST(SessionBusInstance, FirstCopyWithoutOthersRuns) {
  Helper only({"instance"});
  EXPECT_TRUE(only.waitFor("first"));
}

TEST(XdgLoginItem, AutostartEntryAppearsAndDisappears) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  XdgLoginItem item("/opt/Clip vane/bin/clipvane");
  const QString file = config.path() + "/autostart/clipvane.desktop";
  EXPECT_EQ(XdgLoginItem::path(), file);
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  EXPECT_EQ(item.registerItem(), std::nullopt);
  ASSERT_TRUE(QFile::exists(file));
  EXPECT_EQ(item.status(), LoginItemStatus::enabled);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("Exec=\"/opt/Clip vane/bin/clipvane\"\n"));
  f.close();

  // The user switched it off in their desktop's settings.
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("Hidden=true\n");
  f.close();
  EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

  EXPECT_EQ(item.unregisterItem(), std::nullopt);
  EXPECT_FALSE(QFile::exists(file));
  EXPECT_EQ(item.unregisterItem(), std::nullopt);  // already gone

  // A folder that cannot be made is an error the caller logs.
  QFile blocker(config.path() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
  EXPECT_TRUE(item.registerItem().has_value());
  // A relative XDG_CONFIG_HOME is ignored.
  qputenv("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(XdgLoginItem::path(), QDir::homePath() + "/.config/autostart/clipvane.desktop");
}

TEST(XdgLoginItem, ExecLineQuoting) {
  struct Row {
    QString program, exec;
  };
  const Row rows[] = {
      {"/usr/bin/clipvane", "/usr/bin/clipvane"},
      {"/opt/my apps/clipvane", "\"/opt/my apps/clipvane\""},
      {"/opt/a$b/clip\"vane", "\"/opt/a\\\\$b/clip\\\\\"vane\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(XdgLoginItem::execLine(r.program), r.exec) << r.program.toStdString();
}
