// The program's start as a newcomer meets it: its options answer without a
// display and never reach a running copy, a desktop without X11 is named, a
// desktop without a tray is told how to reach the program, and a name on the
// session bus held by another process is said.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "ProgramWindows.h"
#include "X11TestSupport.h"

using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

struct Ran {
  int exitCode = -1;
  QByteArray out, err;
};

// Runs the program to its end with the environment changed: a value set, or
// an empty one removed.
Ran runProgram(const QStringList& args, const QMap<QString, QString>& env) {
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (auto it = env.begin(); it != env.end(); ++it)
    it.value().isEmpty() ? e.remove(it.key()) : e.insert(it.key(), it.value());
  QProcess p;
  p.setProcessEnvironment(e);
  p.start(QStringLiteral(CLIPVANE_PROGRAM), args);
  p.waitForStarted();
  waitUntil([&] { return p.state() == QProcess::NotRunning; });
  Ran r;
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

// The whole screen of a display, saved for people to look at.
void screenshot(X11Display& d, const QSize& size, const QString& name) {
  xcb_connection_t* c = d.conn();
  auto* reply = xcb_get_image_reply(
      c,
      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, d.root(), 0, 0, size.width(), size.height(), ~0u),
      nullptr);
  if (!reply) return;
  const QImage image(xcb_get_image_data(reply), size.width(), size.height(), QImage::Format_RGB32);
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  image.save(QStringLiteral(CLIPVANE_SCREENSHOTS "/") + name + QStringLiteral(".png"));
  free(reply);
}

// An X server of this test's own with a window manager and no tray host
// until startTray().
struct TraylessDesktop {
  TraylessDesktop() {
    xvfb.start(QStringLiteral("Xvfb"),
               {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x600x24"});
    // It writes its display number once it takes connections.
    if (!waitUntil([&] { return xvfb.canReadLine(); })) return;
    display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine().trimmed());
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    start(wm, QStringLiteral("openbox"));
  }
  ~TraylessDesktop() {
    for (QProcess* p : {&tray, &wm, &xvfb}) {
      p->terminate();
      if (!p->waitForFinished(5000)) {
        p->kill();
        p->waitForFinished(2000);
      }
    }
  }
  // A panel with a tray, as one started after the program (it needs the
  // window manager).
  void startTray() { start(tray, QStringLiteral("tint2")); }

  QString display;
  QProcessEnvironment env;

 private:
  void start(QProcess& p, const QString& program) {
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, {});
  }
  QProcess xvfb, wm, tray;
};

}  // namespace

TEST(StartX11, OptionsAnswerWithoutADisplayAndNeverReachTheRunningCopy) {
  Program first(QStringLiteral(CLIPVANE_PROGRAM));
  ASSERT_TRUE(waitUntil([&] { return bool(first.trayIcon()); }));
  const auto before = first.popups();

  struct Case {
    QStringList args;
    QMap<QString, QString> env;
    int exitCode;
    QByteArray out;  // the start of standard output
    QByteArray err;  // a part of the one line on standard error ("": none)
  };
  const QString noDisplay;  // removed from the environment
  const Case cases[] = {
      {{"--help"}, {}, 0, "Usage: clipvane [OPTION]... [URL]...\n", ""},
      {{"-h", "clipvane://activity"}, {{"DISPLAY", noDisplay}}, 0, "Usage: clipvane", ""},
      {{"--version"}, {{"DISPLAY", noDisplay}}, 0, "clipvane " CLIPVANE_VERSION "\n", ""},
      {{"-V"}, {}, 0, "clipvane " CLIPVANE_VERSION "\n", ""},
      {{"--quit"}, {}, 2, "", "unknown option '--quit'"},
      {{},
       {{"DISPLAY", noDisplay}, {"WAYLAND_DISPLAY", "wayland-0"}},
       1,
       "",
       "Wayland sessions are not supported"},
      {{}, {{"DISPLAY", noDisplay}, {"WAYLAND_DISPLAY", noDisplay}}, 1, "", "DISPLAY is not set"},
      // Nothing listens there (loopback, port 6000 + 4321).
      {{}, {{"DISPLAY", "127.0.0.1:4321"}}, 1, "", "none answers at DISPLAY=127.0.0.1:4321"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString() + " " +
                 QStringList(c.env.keys()).join(' ').toStdString());
    const Ran r = runProgram(c.args, c.env);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_TRUE(r.out.startsWith(c.out)) << r.out.toStdString();
    if (c.err.isEmpty()) {
      EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    } else {
      EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
      EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
      EXPECT_TRUE(r.out.isEmpty());
    }
  }
  // A copy handed a word over would open its settings window by now.
  waitUntil([] { return false; }, std::chrono::milliseconds(800));
  EXPECT_EQ(first.popups().size(), before.size());
  EXPECT_TRUE(first.running());
}

TEST(StartX11, WithoutATrayItSaysHowToReachItAndDocksWhenOneComes) {
  TraylessDesktop desktop;
  ASSERT_FALSE(desktop.display.isEmpty());
  X11Display display(desktop.display.toLocal8Bit().constData());
  ASSERT_TRUE(display.ok());
  ASSERT_TRUE(waitUntil(
      [&] { return bool(display.windowProperty(display.root(), "_NET_SUPPORTING_WM_CHECK")); }));
  QProcessEnvironment env;
  env.insert(QStringLiteral("DISPLAY"), desktop.display);
  Program program(QStringLiteral(CLIPVANE_PROGRAM), R"({"onboarded": true})", env);
  const auto shown = [&](bool inTray) {
    std::optional<ShownWindow> found;
    for (const ShownWindow& w : shownWindows(program.pid(), display))
      if (w.inTray == inTray && w.frame.width() > 1 && w.frame.height() > 1) found = w;
    return found;
  };

  // The notice comes once a tray host had its moment to appear, centred at
  // the top of the screen, where an icon's notices would stand below the icon.
  std::optional<ShownWindow> notice;
  ASSERT_TRUE(waitUntil([&] { return bool(notice = shown(false)); }, std::chrono::seconds(15)));
  EXPECT_LT(notice->frame.top(), 100);
  EXPECT_NEAR(notice->frame.center().x(), 512, 4);
  EXPECT_GT(notice->frame.width(), 400);                            // the message and its button
  waitUntil([] { return false; }, std::chrono::milliseconds(400));  // faded in
  screenshot(display, QSize(1024, 600), QStringLiteral("x11-no-tray-notice"));

  // A tray host started later still gets the icon.
  desktop.startTray();
  EXPECT_TRUE(waitUntil([&] { return bool(shown(true)); }, std::chrono::seconds(15)));
  EXPECT_TRUE(program.running());
}

// Another process owns the program's name on the session bus first: the
// program hands it nothing, says why on standard error and in a notice, and
// ends with 1 instead of 0 in silence.
TEST(StartX11, ANameHeldByAnotherProcessIsSaidNotObeyed) {
  QDBusConnection other =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("squatter"));
  ASSERT_TRUE(other.registerService(QStringLiteral("app.ostrel.Clipvane")));
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("CLIPVANE_HOME"), home.path());
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(CLIPVANE_PROGRAM), {QStringLiteral("clipvane://settings/apps")});
  ASSERT_TRUE(program.waitForStarted());

  std::optional<ShownWindow> notice;
  EXPECT_TRUE(waitUntil(
      [&] {
        for (const ShownWindow& w : shownWindows(program.processId()))
          if (w.frame.width() > 1 && w.frame.height() > 1) notice = w;
        return notice.has_value();
      },
      std::chrono::seconds(10)));
  if (notice) {
    EXPECT_LT(notice->frame.top(), 100);  // at the top, where no icon stands
    waitUntil([] { return false; }, std::chrono::milliseconds(400));  // faded in
    X11Display& d = X11Display::shared();
    screenshot(d, QSize(1280, 800), QStringLiteral("x11-name-held-by-another-process"));
  }
  ASSERT_TRUE(program.waitForFinished(15000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 1);
  const QByteArray err = program.readAllStandardError();
  EXPECT_TRUE(err.contains("Clipvane could not start: another process")) << err.toStdString();
  EXPECT_TRUE(err.contains("app.ostrel.Clipvane")) << err.toStdString();
  other.unregisterService(QStringLiteral("app.ostrel.Clipvane"));
  QDBusConnection::disconnectFromBus(QStringLiteral("squatter"));
}
