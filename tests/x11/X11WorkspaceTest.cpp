// The window in front: the application behind it, its desktop entry, and the
// focused field in it through AT-SPI.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include "Accessibility.h"
#include "AppModel.h"
#include "DesktopEntries.h"
#include "Pasteboard.h"
#include "Place.h"
#include "SmartPaste.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// Desktop entries are read from this folder only, written there as needed.
class DataHome {
 public:
  DataHome() {
    qputenv("XDG_DATA_HOME", dir_.path().toUtf8());
    qputenv("XDG_DATA_DIRS", (dir_.path() + "/none").toUtf8());
  }
  void remove(const QString& file) { QFile::remove(dir_.path() + "/applications/" + file); }
  void write(const QString& file, const QByteArray& body) {
    const QString path = dir_.path() + "/applications/" + file;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
  }

 private:
  QTemporaryDir dir_;
};

// Every port as the program wires them.
class X11FrontTest : public ::testing::Test {
 protected:
  X11Ports ports;
  X11Workspace& workspace = ports.workspace;
};

bool near(double a, double b) { return std::abs(a - b) <= 2; }

}  // namespace

TEST_F(X11FrontTest, FrontmostApplicationOfAQtWindow) {
  DataHome data;

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
    if (r.file) data.write(r.file, r.body);
    const auto app = workspace.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->pid, target->pid());
    EXPECT_EQ(app->bundleID, r.id);
    EXPECT_EQ(app->name, r.name);
  }
  // A GTK application names its desktop entry itself; an id no entry has
  // gives way to the entry its class finds (MATE Terminal's window says
  // "org.mate.Terminal", its entry is mate-terminal).
  run("xprop", {"-id", QString::number(target->windowId()), "-f", "_GTK_APPLICATION_ID", "8u",
                "-set", "_GTK_APPLICATION_ID", "org.example.T\u00e4rget"});
  ASSERT_TRUE(waitUntil([&] {
    const auto app = workspace.frontmostApplication();
    return app && app->bundleID == QString("org-example.Target");
  }));
  data.write("org.example.T\u00e4rget.desktop", "[Desktop Entry]\nType=Application\nName=T\n");
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
  DataHome data;
  data.write("org.gnome.Terminal.desktop",
             "[Desktop Entry]\nType=Application\nName=Terminal\nIcon=utilities-terminal\n"
             "Categories=GNOME;GTK;System;TerminalEmulator;\n"
             "[Desktop Action new]\nName=New Window\nCategories=Office;\n");
  data.write("xfce4-terminal.desktop",
             "[Desktop Entry]\nType=Application\nName=Xfce Terminal\n"
             "Categories=GTK;System;TerminalEmulator\n");
  data.write("code.desktop",
             "[Desktop Entry]\nName=Visual Studio Code\nType=Application\n"
             "StartupWMClass=Code\nNoDisplay=false\n");
  data.write("helper.desktop", "[Desktop Entry]\nType=Application\nName=H\nNoDisplay=true\n");
  data.write("link.desktop", "[Desktop Entry]\nType=Link\nName=Site\n");

  auto& entries = DesktopEntries::shared();
  const auto terminal = entries.byId("org.gnome.Terminal");
  ASSERT_TRUE(terminal);
  EXPECT_EQ(terminal->name, "Terminal");  // not the action's name
  EXPECT_EQ(terminal->icon, "utilities-terminal");
  EXPECT_TRUE(terminal->terminal);  // the entry's category, not the action's
  EXPECT_TRUE(entries.byId("xfce4-terminal")->terminal);
  EXPECT_FALSE(entries.byId("code")->terminal);
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
      // An application id no entry has: the class finds the entry.
      {"org.xfce.Terminal", "xfce4-terminal", "Xfce4-terminal", "xfce4-terminal"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(entries.idForWindow(r.gtkId, r.instance, r.cls), r.id) << r.cls.toStdString();
}

TEST_F(X11FrontTest, FocusedTextFieldThroughAtspi) {
  // No other application in front: our own tree is never asked.
  EXPECT_EQ(Accessibility::focusedElementRect(), std::nullopt);
  EXPECT_EQ(Accessibility::selectionRect(), std::nullopt);
  EXPECT_EQ(Accessibility::focusedElementText(), QString());
  EXPECT_EQ(Accessibility::focusedWindowTitle(999999), std::nullopt);

  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  xdotool({"type", "hello"});
  ASSERT_TRUE(waitUntil([&] { return target->text() == "hello"; }));
  ASSERT_TRUE(waitUntil([&] { return target->field().width() > 0; }));

  // The application registers its tree a moment after it starts.
  std::optional<QRectF> rect;
  ASSERT_TRUE(waitUntil([&] { return (rect = Accessibility::focusedElementRect()).has_value(); }));
  const QRect field = target->field();
  EXPECT_TRUE(near(rect->x(), field.x()) && near(rect->y(), field.y()) &&
              near(rect->width(), field.width()) && near(rect->height(), field.height()))
      << rect->x() << "," << rect->y() << " " << rect->width() << "x" << rect->height();

  // The caret at the end of "hello": a one-point line right of the text.
  const auto caret = Accessibility::selectionRect();
  ASSERT_TRUE(caret);
  EXPECT_EQ(caret->width(), 1);
  EXPECT_GT(caret->x(), field.x() + 10);
  EXPECT_LT(caret->x(), field.x() + field.width() / 2);
  EXPECT_GE(caret->y(), field.y());
  EXPECT_LE(caret->bottom(), field.bottom() + 1);

  // A selection covers the selected characters.
  xdotool({"key", "shift+Home"});
  std::optional<QRectF> selection;
  ASSERT_TRUE(waitUntil([&] {
    selection = Accessibility::selectionRect();
    return selection && selection->width() > 10;
  }));
  EXPECT_LE(selection->right(), caret->x() + 1);
  EXPECT_GE(selection->x(), field.x());

  const QString text = Accessibility::focusedElementText();
  EXPECT_TRUE(text.contains("Chat input") && text.contains("Message")) << text.toStdString();
  EXPECT_EQ(Accessibility::focusedWindowTitle(std::int32_t(target->pid())), QString("Target"));
  EXPECT_EQ(Accessibility::frontTabHost(std::int32_t(target->pid())), std::nullopt);
}

TEST_F(X11FrontTest, ATerminalByItsDesktopEntryTakesCtrlShiftV) {
  DataHome data;
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());

  struct Row {
    QByteArray categories;
    bool terminal;
  };
  const Row rows[] = {
      {"Categories=System;TerminalEmulator;\n", true},
      {"Categories=Utility;TextEditor;\n", false},
      {"", false},
  };
  QString previous;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.categories.toStdString());
    // A new file each time: the index is read again when its folder changes.
    const QString id = QString("target-term-%1").arg(&r - rows);
    if (!previous.isEmpty()) data.remove(previous + ".desktop");
    data.write(id + ".desktop",
               "[Desktop Entry]\nType=Application\nName=Target Term\n"
               "StartupWMClass=target\n" +
                   r.categories);
    previous = id;
    const auto app = workspace.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, id);
    EXPECT_EQ(app->terminal, r.terminal);
    EXPECT_EQ(Place::isTerminal(app), r.terminal);
    EXPECT_EQ(Pasteboard::pasteShortcut(),
              (Pasteboard::Shortcut{KeyCode::v,
                                    Modifier::control | (r.terminal ? Modifier::shift : 0u)}));
  }
}

// xterm is in no fixed list: its Debian entry (debian-xterm, StartupWMClass
// XTerm, category TerminalEmulator) makes it a terminal, so the paste-key tap
// takes its Ctrl+Shift+V and lets its Ctrl+V (a literal ^V there) pass.
TEST_F(X11FrontTest, XtermIsATerminalAndItsPasteKeyIsTaken) {
  QTemporaryDir home;
  qputenv("XDG_DATA_HOME", home.filePath("none").toUtf8());
  qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
  const QByteArray oldHome = qgetenv("CLIPVANE_HOME");
  qputenv("CLIPVANE_HOME", home.path().toUtf8());

  QProcess xterm;
  xterm.start("xterm", {"-geometry", "60x8+300+300"});
  ASSERT_TRUE(xterm.waitForStarted()) << "xterm is missing (scripts/install-deps.sh)";
  std::optional<RunningApp> app;
  ASSERT_TRUE(waitUntil([&] {
    app = workspace.frontmostApplication();
    return app && app->pid == xterm.processId();
  }));
  EXPECT_EQ(app->bundleID, QString("debian-xterm"));
  EXPECT_EQ(app->name, "XTerm");
  EXPECT_TRUE(app->terminal);
  EXPECT_EQ(Place::of(app, AppSettings{}).kind, ActivityEntry::PlaceKind::terminal);

  AppSettings settings;
  settings.smartPaste = true;
  AppSettings::ProtectedApp protectedXterm;
  protectedXterm.name = u"XTerm";
  protectedXterm.bundleID = u"debian-xterm";
  protectedXterm.scope = AppSettings::ProtectedApp::Scope::allPastes;
  settings.protectedApps = {protectedXterm};
  settings.save();
  ports.clipboard.setString("mail ada@example.com");
  {
    AppModel model;  // reads the settings above; never started
    SmartPaste tap(&model);
    using Press = KeyGrabPort::Press;
    EXPECT_EQ(tap.handle(Press{KeyCode::v, false, true}), KeyGrabPort::Verdict::replay);
    EXPECT_EQ(tap.handle(Press{KeyCode::v, true, true}), KeyGrabPort::Verdict::swallow);
  }  // the safe paste the swallowed press queued finds no model

  xterm.kill();
  xterm.waitForFinished();
  if (oldHome.isNull())
    qunsetenv("CLIPVANE_HOME");
  else
    qputenv("CLIPVANE_HOME", oldHome);
}

namespace {

// A top-level window of a client that names no process (_NET_WM_PID), as
// remote X clients do.
class WindowWithoutPid {
 public:
  WindowWithoutPid() {
    xcb_connection_t* c = display_.conn();
    window_ = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, display_.root(), 300, 300, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char cls[] = "pidless\0Pidless";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof cls, cls);
    const char title[] = "No pid";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_map_window(c, window_);
    display_.sync();
  }
  unsigned id() const { return window_; }

 private:
  X11Display display_;
  xcb_window_t window_ = 0;
};

}  // namespace

// Nothing the user works in is in front: the window manager's own window has
// the focus, the active window has just closed, or the window in front names
// no process. None is an application, and a paste there goes to "Unknown".
TEST_F(X11FrontTest, NoApplicationWindowInFrontIsNoApplication) {
  auto& d = X11Display::shared();
  const auto check = d.windowProperty(d.root(), "_NET_SUPPORTING_WM_CHECK");
  ASSERT_TRUE(check) << "no window manager";

  struct Row {
    const char* situation;
    std::function<void()> arrange;
  };
  std::unique_ptr<Helper> closing;
  std::unique_ptr<WindowWithoutPid> pidless;
  const Row rows[] = {
      {"the window manager's window has the focus",
       [&] {
         run("xprop", {"-root", "-remove", "_NET_ACTIVE_WINDOW"});
         xdotool({"windowfocus", "--sync", QString::number(*check)});
         ASSERT_TRUE(waitUntil([&] { return inputFocus() == *check; }));
       }},
      {"the active window closed",
       [&] {
         closing = Helper::window("Closing");
         ASSERT_TRUE(closing && closing->waitActive());
         const unsigned id = closing->windowId();
         closing.reset();
         ASSERT_TRUE(waitUntil([&] { return inputFocus() != id; }));
       }},
      {"a window without a process",
       [&] {
         pidless = std::make_unique<WindowWithoutPid>();
         xdotool({"windowactivate", "--sync", QString::number(pidless->id())});
         ASSERT_TRUE(waitUntil([&] { return activeWindow() == pidless->id(); }));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.situation);
    row.arrange();
    const auto front = workspace.frontmostApplication();
    EXPECT_FALSE(front) << front->name.toStdString();
    const Place place = Place::of(front, AppSettings{});
    EXPECT_EQ(place.name.toStdString(), "Unknown");
    EXPECT_EQ(place.kind, ActivityEntry::PlaceKind::app);
  }

  // An application's window in front is one again.
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  const auto front = workspace.frontmostApplication();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->pid, target->pid());
}
