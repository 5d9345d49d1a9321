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

Helper::Helper(const QStringList& args) {
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readLines(); });
  process_.start(CLIPVANE_X11_HELPER, args);
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

bool Helper::waitActive() {
  const auto active = [&] {
    process_.waitForReadyRead(0);
    return focused_ && activeWindow() == windowId_ && inputFocus() == windowId_;
  };
  if (waitUntil(active)) return true;
  xdotool({"windowactivate", "--sync", QString::number(windowId_)});
  return waitUntil(active);
}

void xdotool(const QStringList& args) { run("xdotool", args); }

KeyboardLayout::KeyboardLayout() {
  for (const QString& line : QString::fromUtf8(run("setxkbmap", {"-query"})).split('\n')) {
    const QString value = line.section(':', 1).trimmed();
    if (line.startsWith("layout:")) layout_ = value;
    if (line.startsWith("variant:")) variant_ = value;
  }
}

KeyboardLayout::~KeyboardLayout() { set(layout_, variant_); }

void KeyboardLayout::set(const QString& layout, const QString& variant) {
  run("setxkbmap", {"-layout", layout, "-variant", variant});
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
