// Shared pieces of the desktop tests, and their main: they need a running
// QApplication, listing them needs no X.
#include "X11TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QThread>
#include <QWidget>
#include <cerrno>
#include <cstdlib>

#include <signal.h>
#include <unistd.h>

#include "Pasteboard.h"
#include "X11Display.h"
#include "X11Keys.h"
#include "XcbXkb.h"

#include <xcb/xtest.h>

namespace clipvane::x11::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return true;
}

int accountTool(const QString& tool, const QStringList& args, const QByteArray& input) {
  int rc = -1;
  // Again while another holds the lock (exit 1 or 10: the password or the
  // group file could not be updated).
  for (int attempt = 0; attempt < 50; ++attempt) {
    run(tool, args, input, &rc);
    if (rc != 1 && rc != 10) break;
    QThread::msleep(100);
  }
  return rc;
}

TestUser::TestUser() : name(prefix() + QString::number(getpid())) {
  if (geteuid() != 0) return;
  removeOrphans();
  int rc = accountTool("useradd", {"-M", "-s", "/usr/sbin/nologin", name});
  if (rc == 0) rc = accountTool("chpasswd", {}, (name + ":" + password + "\n").toUtf8());
  ready = rc == 0;
  if (!ready) accountTool("userdel", {name});
}

TestUser::~TestUser() {
  if (geteuid() == 0) accountTool("userdel", {name});
}

QString TestUser::prefix() { return QStringLiteral("cvpam"); }

void TestUser::removeOrphans() {
  QFile passwd(QStringLiteral("/etc/passwd"));
  if (!passwd.open(QIODevice::ReadOnly)) return;
  for (const QByteArray& line : passwd.readAll().split('\n')) {
    const QString account = QString::fromUtf8(line.left(line.indexOf(':')));
    if (!account.startsWith(prefix())) continue;
    bool number = false;
    const int pid = account.mid(prefix().size()).toInt(&number);
    if (number && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) accountTool("userdel", {account});
  }
}

QWidget* passwordDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "clipvane-password" && w->isVisible()) return w;
  return nullptr;
}

QByteArray run(const QString& program, const QStringList& args, const QByteArray& input,
               int* exitCode) {
  QProcess p;
  p.start(program, args);
  p.waitForStarted();
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  // Keep serving clipboard requests while the command asks us for data.
  waitUntil([&] { return p.state() == QProcess::NotRunning; }, std::chrono::seconds(20));
  const bool ended = p.state() == QProcess::NotRunning && p.error() == QProcess::UnknownError;
  if (exitCode) *exitCode = ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return p.readAllStandardOutput();
}

Helper::Helper(const QStringList& args, const QString& program) {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readLines(); });
  process_.start(program, args);
  process_.waitForStarted();
}

Helper::~Helper() {
  process_.kill();
  process_.waitForFinished(5000);
}

std::unique_ptr<Helper> Helper::window(const QString& name) {
  auto h = std::make_unique<Helper>(QStringList{"window", name});
  return h->waitFor("window") ? std::move(h) : nullptr;
}

namespace {

constexpr char gtkWindowScript[] = R"(
import sys
import gi
gi.require_version("Gdk", "3.0")
gi.require_version("GdkX11", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import GLib
GLib.set_prgname("target")  # before GTK starts: its window class comes from it
from gi.repository import Gdk, GdkX11, Gtk
def say(line):
    print(line, flush=True)
def key(_, event):
    if event.state & Gdk.ModifierType.CONTROL_MASK:
        say("key ctrl+" + Gdk.keyval_name(Gdk.keyval_to_lower(event.keyval)))
    return False
w = Gtk.Window(title=sys.argv[1])
w.set_default_size(420, 60)
field = Gtk.Entry()
w.add(field)
field.connect("changed", lambda f: say("text " + f.get_text().encode().hex()))
field.connect("key-press-event", key)
w.connect("focus-in-event", lambda *_: say("focus 1"))
w.connect("focus-out-event", lambda *_: say("focus 0"))
w.connect("map-event", lambda *_: say("window %d" % w.get_window().get_xid()))
w.connect("destroy", Gtk.main_quit)
w.show_all()
Gtk.main()
)";

}  // namespace

std::unique_ptr<Helper> Helper::gtkWindow(const QString& name) {
  // The system's Python, with its GTK.
  auto h = std::make_unique<Helper>(QStringList{"-c", gtkWindowScript, name}, "/usr/bin/python3");
  return h->waitFor("window") ? std::move(h) : nullptr;
}

std::unique_ptr<Helper> Helper::copy(const QList<std::pair<QString, QByteArray>>& formats) {
  QStringList args{"copy"};
  for (const auto& [type, bytes] : formats) args << type + "=" + QString::fromLatin1(bytes.toHex());
  auto h = std::make_unique<Helper>(args);
  return h->waitFor("copied") ? std::move(h) : nullptr;
}

void Helper::readLines() {
  buffer_ += process_.readAllStandardOutput();
  int nl;
  while ((nl = buffer_.indexOf('\n')) >= 0) {
    const QByteArray line = buffer_.left(nl);
    buffer_.remove(0, nl + 1);
    if (line.startsWith("field ")) {
      const auto n = line.mid(6).split(' ');
      field_ =
          QRect(n.value(0).toInt(), n.value(1).toInt(), n.value(2).toInt(), n.value(3).toInt());
      continue;  // repeated: not kept
    }
    lines_ << line;
    if (line.startsWith("window ")) windowId_ = line.mid(7).toUInt();
    if (line.startsWith("focus ")) focused_ = line.mid(6) == "1";
    if (line.startsWith("text ")) text_ = QString::fromUtf8(QByteArray::fromHex(line.mid(5)));
  }
}

bool Helper::waitFor(const QByteArray& tag) {
  return waitUntil([&] {
    process_.waitForReadyRead(0);
    for (const auto& line : lines_)
      if (line == tag || line.startsWith(tag + ' ')) return true;
    return false;
  });
}

bool Helper::waitForExit() {
  return waitUntil([&] { return process_.state() == QProcess::NotRunning; });
}

unsigned inputFocus() {
  auto& d = X11Display::shared();
  auto* reply = xcb_get_input_focus_reply(d.conn(), xcb_get_input_focus(d.conn()), nullptr);
  const unsigned focus = reply ? reply->focus : 0;
  std::free(reply);
  return focus;
}

unsigned activeWindow() {
  auto& d = X11Display::shared();
  return d.windowProperty(d.root(), "_NET_ACTIVE_WINDOW").value_or(0);
}

namespace {

// Whether the window is the other one or a child of it (GTK gives the focus
// to a child window of its own).
bool inside(unsigned window, unsigned other) {
  if (window == other) return true;
  auto& d = X11Display::shared();
  auto* reply = xcb_query_tree_reply(d.conn(), xcb_query_tree(d.conn(), window), nullptr);
  const bool child = reply && reply->parent == other;
  std::free(reply);
  return child;
}

}  // namespace

bool Helper::waitActive() {
  const auto active = [&] {
    process_.waitForReadyRead(0);
    return focused_ && activeWindow() == windowId_ && inside(inputFocus(), windowId_);
  };
  if (waitUntil(active)) return true;
  xdotool({"windowactivate", "--sync", QString::number(windowId_)});
  return waitUntil(active);
}

void xdotool(const QStringList& args) { run("xdotool", args); }

void typeKeys(const std::vector<unsigned>& codes) {
  auto& d = X11Display::shared();
  const auto fake = [&](uint8_t type, unsigned code) {
    xcb_test_fake_input(d.conn(), type, uint8_t(code), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  };
  for (unsigned code : codes) fake(XCB_KEY_PRESS, code);
  for (auto it = codes.rbegin(); it != codes.rend(); ++it) fake(XCB_KEY_RELEASE, *it);
  xcb_flush(d.conn());
}

KeyboardLayout::KeyboardLayout() {
  for (const QString& line : QString::fromUtf8(run("setxkbmap", {"-query"})).split('\n')) {
    const QString value = line.section(':', 1).trimmed();
    if (line.startsWith("layout:")) layout_ = value;
    if (line.startsWith("variant:")) variant_ = value;
  }
}

KeyboardLayout::~KeyboardLayout() {
  lockGroup(0);
  set(layout_, variant_);
}

void KeyboardLayout::set(const QString& layout, const QString& variant) {
  run("setxkbmap", {"-layout", layout, "-variant", variant});
}

bool KeyboardLayout::lockGroup(int group) {
  auto& d = X11Display::shared();
  if (!d.keyboardNotices()) return false;
  xcb_xkb_latch_lock_state(d.conn(), XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, uint8_t(group), 0, 0, 0);
  return waitUntil([&] { return KeyLayout::read(d).group() == group; });
}

}  // namespace clipvane::x11::test

namespace {

// Run as one process, the tests share the event loop: a paste's return of the
// previous clipboard, still pending when its test ends, must not run in the
// next test, where the ports it needs may be gone.
class EndPendingReturns : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo&) override {
    clipvane::Pasteboard::pendingRestore().reset();
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new EndPendingReturns);
  std::unique_ptr<QApplication> app;
  if (!::testing::GTEST_FLAG(list_tests)) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    // Our own test windows answer accessibility queries only when this is on
    // before the application starts.
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    app = std::make_unique<QApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
