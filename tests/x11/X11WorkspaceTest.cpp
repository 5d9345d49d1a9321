#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "DesktopEntries.h"
#include "X11Display.h"
#include "X11TestSupport.h"
#include "X11Workspace.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

void writeEntry(const QString& dir, const QString& file, const QByteArray& body) {
  QDir().mkpath(QFileInfo(dir + "/" + file).path());
  QFile f(dir + "/" + file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(body);
}

void xprop(const QStringList& args) { run("xprop", args); }

}  // namespace

TEST(X11Workspace, FrontmostApplicationOfAQtWindow) {
  QTemporaryDir data;
  const QString apps = data.path() + "/applications";
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  qputenv("XDG_DATA_DIRS", (data.path() + "/none").toUtf8());
  X11Workspace workspace(X11Display::shared());

  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());

  struct Row {
    const char* file;
    QByteArray body;
    QString id, name;
  };
  const Row rows[] = {
      // No entry: the window's class in lower case.
      {nullptr, {}, "target", "Target"},
      // An entry that names the class, in a sub-folder.
      {"org/example.Target.desktop",
       "[Desktop Entry]\nType=Application\nName=Target Example\nStartupWMClass=target\n",
       "org-example.Target", "Target Example"},
  };
  for (const Row& r : rows) {
    if (r.file) writeEntry(apps, r.file, r.body);
    const auto app = workspace.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->pid, target->pid());
    EXPECT_EQ(app->bundleID, r.id);
    EXPECT_EQ(app->name, r.name);
  }
  // A GTK application names its desktop entry itself.
  xprop({"-id", QString::number(target->windowId()), "-f", "_GTK_APPLICATION_ID", "8u", "-set",
         "_GTK_APPLICATION_ID", "org.example.T\u00e4rget"});
  ASSERT_TRUE(waitUntil([&] {
    const auto app = workspace.frontmostApplication();
    return app && app->bundleID == QString("org.example.T\u00e4rget");
  }));
  EXPECT_EQ(workspace.windowTitle(target->pid()), QString("Target"));
  EXPECT_EQ(workspace.windowTitle(1), std::nullopt);

  // Our own window in front does not count: the application under it does.
  QLineEdit own;
  own.show();
  own.activateWindow();
  ASSERT_TRUE(waitUntil([&] { return activeWindow() == own.winId(); }));
  const auto app = workspace.frontmostApplication();
  ASSERT_TRUE(app);
  EXPECT_EQ(app->pid, target->pid());
  EXPECT_EQ(workspace.activeWindow(true)->pid, QCoreApplication::applicationPid());
}

TEST(DesktopEntries, ParsesAndMatchesWindows) {
  QTemporaryDir data;
  const QString apps = data.path() + "/applications";
  writeEntry(apps, "org.gnome.Terminal.desktop",
             "[Desktop Entry]\nType=Application\nName=Terminal\nIcon=utilities-terminal\n"
             "[Desktop Action new]\nName=New Window\n");
  writeEntry(apps, "code.desktop",
             "[Desktop Entry]\nName=Visual Studio Code\nType=Application\n"
             "StartupWMClass=Code\nNoDisplay=false\n");
  writeEntry(apps, "helper.desktop", "[Desktop Entry]\nType=Application\nName=H\nNoDisplay=true\n");
  writeEntry(apps, "link.desktop", "[Desktop Entry]\nType=Link\nName=Site\n");
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  qputenv("XDG_DATA_DIRS", (data.path() + "/none").toUtf8());

  auto& entries = DesktopEntries::shared();
  const auto terminal = entries.byId("org.gnome.Terminal");
  ASSERT_TRUE(terminal);
  EXPECT_EQ(terminal->name, "Terminal");  // not the action's name
  EXPECT_EQ(terminal->icon, "utilities-terminal");
  EXPECT_TRUE(entries.byId("helper")->hidden);
  EXPECT_FALSE(entries.byId("link"));  // not an application

  struct Row {
    QString gtkId, instance, cls, id;
  };
  const Row rows[] = {
      {"org.gnome.Nautilus", "org.gnome.Nautilus", "Org.gnome.Nautilus", "org.gnome.Nautilus"},
      {"", "code", "Code", "code"},
      {"", "gnome-terminal-server", "Org.gnome.Terminal", "org.gnome.Terminal"},
      {"", "Navigator", "firefox", "firefox"},
      {"", "kitty", "", "kitty"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(entries.idForWindow(r.gtkId, r.instance, r.cls), r.id) << r.cls.toStdString();
}
