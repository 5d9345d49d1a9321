// A second start while the running copy is slow to answer on the session bus:
// a copy of the program is waited for and handed the URLs; only a process
// that is not the program is refused.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>

#include "E2eSupport.h"
#include "SessionBusInstance.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::e2e;
using x11::SessionBusInstance;
using x11::test::Helper;
using x11::test::waitUntil;
using namespace std::chrono_literals;

namespace {

// Asks the holder of the program's name for its version, as a later copy does.
QDBusMessage askVersion(int timeoutMs) {
  return QDBusConnection::sessionBus().call(
      QDBusMessage::createMethodCall(SessionBusInstance::serviceName,
                                     SessionBusInstance::objectPath, "app.ostrel.Clipvane",
                                     "Version"),
      QDBus::Block, timeoutMs);
}

// The first copy shows the settings window (as a second start asked) and runs on.
void expectSettingsShown(const Clipvane& first, const QString& step) {
  EXPECT_TRUE(waitUntil([&] { return bool(first.window("General — Clipvane")); }, 20s))
      << "no settings window";
  waitUntil([] { return false; }, 300ms);  // painted
  screenshot(step);
  EXPECT_TRUE(first.running());
}

// A holder of the program's name that is not the program and never answers.
class SilentHolder : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "app.ostrel.Clipvane")
 public:
  int handed = 0;
 public Q_SLOTS:
  Q_SCRIPTABLE QString Version(const QDBusMessage& call) {
    call.setDelayedReply(true);  // and never answered
    return {};
  }
  Q_SCRIPTABLE void OpenUrls(const QStringList&) { ++handed; }
};

}  // namespace

// A clipboard owner that never answers and takes the clipboard again every
// 2 s: the program answers on the session bus within a second every time, and
// a second start with a settings URL hands it over and ends.
TEST(SecondStart, AHungClipboardOwnerHoldsUpNeitherTheBusNorASecondStart) {
  Home home;
  home.write(onboarded());
  Clipvane first(home);
  ASSERT_TRUE(first.waitDocked()) << "no tray icon";
  Helper owner({"owner", "retake", "mail ann@example.com"});
  ASSERT_TRUE(owner.waitFor("copied"));
  int asked = 0;
  qint64 longest = 0;
  QElapsedTimer span;
  span.start();
  while (span.elapsed() < 7000) {
    QElapsedTimer one;
    one.start();
    const QDBusMessage reply = askVersion(1000);
    longest = std::max(longest, one.elapsed());
    ++asked;
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    waitUntil([] { return false; }, 200ms);
  }
  EXPECT_LT(longest, 1000) << "of " << asked << " questions";
  Clipvane second(home, {"clipvane://settings"});
  EXPECT_TRUE(second.waitExit(15000)) << "the second copy did not end";
  EXPECT_EQ(second.exitCode(), 0);
  expectSettingsShown(first, "second-start-hung-owner");
}

// The running copy stopped for longer than a later copy waits for its version
// (as a copy frozen or busy would be): the later copy knows it by its
// executable, waits, and hands the URL over once it answers.
TEST(SecondStart, ARunningCopyTooBusyToAnswerIsWaitedFor) {
  Home home;
  home.write(onboarded());
  Clipvane first(home);
  ASSERT_TRUE(first.waitDocked()) << "no tray icon";
  ASSERT_EQ(::kill(pid_t(first.pid()), SIGSTOP), 0);
  // Resumed well after the later copy has given up asking for the version.
  const int stoppedMs = SessionBusInstance::answerTimeoutMs + 3000;
  Clipvane second(home, {"clipvane://settings"});
  waitUntil([] { return false; }, std::chrono::milliseconds(stoppedMs));
  EXPECT_TRUE(second.running()) << "ended while the first copy was stopped";
  ::kill(pid_t(first.pid()), SIGCONT);
  EXPECT_TRUE(second.waitExit(SessionBusInstance::handOverTimeoutMs)) << "did not end";
  EXPECT_EQ(second.exitCode(), 0);
  expectSettingsShown(first, "second-start-busy-first");
}

// A process that is not the program holds its name and never answers: a
// start says it could not start, hands it nothing and ends with 1.
TEST(SecondStart, ASilentForeignHolderOfTheNameIsRefused) {
  SilentHolder holder;
  QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "silent");
  ASSERT_TRUE(other.isConnected());
  other.registerObject(SessionBusInstance::objectPath, &holder,
                       QDBusConnection::ExportScriptableSlots);
  ASSERT_TRUE(other.registerService(SessionBusInstance::serviceName));
  Home home;
  home.write(onboarded());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CLIPVANE_HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.file("config"));
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(CLIPVANE_PROGRAM), {"clipvane://settings"});
  ASSERT_TRUE(program.waitForStarted());
  EXPECT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30s));
  EXPECT_EQ(program.exitCode(), 1);
  const QByteArray err = program.readAllStandardError();
  EXPECT_TRUE(err.contains("Clipvane could not start: another process (" +
                           QByteArray::number(QCoreApplication::applicationPid()) + ")"))
      << err.toStdString();
  EXPECT_EQ(holder.handed, 0);
  other.unregisterService(SessionBusInstance::serviceName);
  QDBusConnection::disconnectFromBus("silent");
}

#include "SecondStartX11Test.moc"
