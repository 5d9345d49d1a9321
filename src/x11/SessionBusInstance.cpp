#include "SessionBusInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace clipvane::x11 {

namespace {

const QString kInterface = QStringLiteral("app.ostrel.Clipvane");

// The process's start, from /proc (clock ticks after boot); none when unknown.
std::optional<Date> startOf(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray line = stat.readAll();
  // Fields after the command name, which may hold spaces and parentheses.
  const auto close = line.lastIndexOf(')');
  if (close < 0) return std::nullopt;
  const QList<QByteArray> fields = line.mid(close + 2).split(' ');
  if (fields.size() < 20) return std::nullopt;
  bool ok = false;
  const qulonglong ticks = fields[19].toULongLong(&ok);  // field 22: starttime
  if (!ok) return std::nullopt;
  QFile uptime(QStringLiteral("/proc/uptime"));
  if (!uptime.open(QIODevice::ReadOnly)) return std::nullopt;
  const double up = uptime.readAll().split(' ').value(0).toDouble();
  const double sinceStart = up - double(ticks) / double(sysconf(_SC_CLK_TCK));
  // The system clock, not the program's: other processes compare with it.
  const auto wall =
      std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
  return Date(wall - std::chrono::microseconds(qint64(sinceStart * 1e6)));
}

enum class Answer { asThisProgram, otherwise, none };

// How the owner of the name answers the program's question: as this program
// does (its interface at its path, with a version), otherwise (an error, or
// something else than a version), or not at all in time.
Answer versionAnswer(QDBusConnection& bus) {
  const QDBusMessage call = QDBusMessage::createMethodCall(SessionBusInstance::serviceName,
                                                           SessionBusInstance::objectPath,
                                                           kInterface, QStringLiteral("Version"));
  const QDBusMessage reply = bus.call(call, QDBus::Block, SessionBusInstance::answerTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage &&
      (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
       reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.Timeout")))
    return Answer::none;
  const bool version = reply.type() == QDBusMessage::ReplyMessage &&
                       reply.arguments().size() == 1 &&
                       reply.arguments().front().typeId() == QMetaType::QString &&
                       !reply.arguments().front().toString().isEmpty();
  return version ? Answer::asThisProgram : Answer::otherwise;
}

// The executable a process runs, as /proc names it; a file replaced since
// (a package update) keeps its path.
QByteArray executableOf(const QByteArray& proc) {
  char buffer[4096];
  const ssize_t n = ::readlink(proc + "/exe", buffer, sizeof buffer);
  if (n <= 0 || size_t(n) >= sizeof buffer) return {};
  QByteArray path(buffer, n);
  if (path.endsWith(" (deleted)")) path.chop(10);
  return path;
}

// Whether the process runs this program's own executable: the same file, or
// the same path.
bool runsThisExecutable(qint64 pid) {
  const QByteArray theirs = "/proc/" + QByteArray::number(pid);
  struct stat a {
  }, b{};
  if (::stat("/proc/self/exe", &a) == 0 && ::stat(theirs + "/exe", &b) == 0 &&
      a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    return true;
  const QByteArray path = executableOf(theirs);
  return !path.isEmpty() && path == executableOf("/proc/self");
}

}  // namespace

SessionBusInstance::SessionBusInstance() = default;

SessionBusInstance::~SessionBusInstance() {
  if (claimed_ == 1) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(objectPath);
    bus.unregisterService(serviceName);
  }
}

RunningCopy SessionBusInstance::currentCopy() {
  const qint64 pid = QCoreApplication::applicationPid();
  return RunningCopy{pid, startOf(pid), false, true};
}

bool SessionBusInstance::claim() {
  if (claimed_ >= 0) return claimed_ == 1;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    claimed_ = 1;  // no bus, no other copy to find: run as the first
    return true;
  }
  // Exported before the name is taken, so that a later copy never finds the
  // name without the method.
  bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
  const auto reply =
      bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  claimed_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
  if (!claimed_) bus.unregisterObject(objectPath);
  return claimed_ == 1;
}

std::vector<RunningCopy> SessionBusInstance::runningCopies(const QString& bundleID) {
  std::vector<RunningCopy> copies{currentCopy()};
  if (bundleID != serviceName || claim()) return copies;
  QDBusConnection bus = QDBusConnection::sessionBus();
  const auto pid = bus.interface()->servicePid(serviceName);
  if (!pid.isValid()) return copies;
  // The owner of the name is the older copy, whatever the clocks say, when it
  // answers as this program does; a copy too busy to answer in time is known
  // by its executable, and waited for when handed over to.
  const Answer answer = versionAnswer(bus);
  const bool isThisProgram = answer == Answer::asThisProgram ||
                             (answer == Answer::none && runsThisExecutable(pid.value()));
  copies.push_back(RunningCopy{qint64(pid.value()), std::nullopt, false, true, isThisProgram});
  return copies;
}

void SessionBusInstance::openUrls(const QStringList& urls, const RunningCopy& copy,
                                  std::function<void()> done) {
  QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, kInterface,
                                                     QStringLiteral("OpenUrls"));
  call << urls;
  auto* watcher = new QDBusPendingCallWatcher(
      QDBusConnection::sessionBus().asyncCall(call, handOverTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [done = std::move(done), pid = copy.pid](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            // The request waits on the bus for the copy, which takes it once
            // it reads again.
            if (w->isError() && w->error().type() == QDBusError::NoReply) {
              std::fprintf(stderr,
                           "Clipvane is running (process %lld) but has not answered yet; it "
                           "opens what was asked once it does\n",
                           static_cast<long long>(pid));
              std::fflush(stderr);
            }
            if (done) done();
          });
}

void SessionBusInstance::postReopen() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // To the owner of the name alone, without waiting for its answer.
  bus.send(QDBusMessage::createMethodCall(serviceName, objectPath, kInterface,
                                          QStringLiteral("Reopen")));
  // A round trip to the bus: the request has left before this process ends.
  if (bus.isConnected()) bus.interface()->isServiceRegistered(serviceName);
}

void SessionBusInstance::listen(std::function<void()> onReopen,
                                std::function<void(const QStringList&)> onUrls) {
  onReopen_ = std::move(onReopen);
  onUrls_ = std::move(onUrls);
  claim();
  QDBusConnection::sessionBus().connect(QString(), objectPath, kInterface, QStringLiteral("reopen"),
                                        this, SLOT(reopenSignalled(QDBusMessage)));
  for (const QStringList& urls : std::exchange(early_, {}))
    if (onUrls_) onUrls_(urls);
}

void SessionBusInstance::OpenUrls(const QStringList& urls) {
  if (onUrls_)
    onUrls_(urls);
  else
    early_ << urls;
}

QString SessionBusInstance::Version() { return QStringLiteral(CLIPVANE_VERSION); }

void SessionBusInstance::Reopen() {
  if (onReopen_) onReopen_();
}

void SessionBusInstance::reopenSignalled(const QDBusMessage& signal) {
  // A broadcast anyone on the bus can send: obeyed only from the holder of
  // the program's name.
  QDBusConnection bus = QDBusConnection::sessionBus();
  const auto owner = bus.interface()->serviceOwner(serviceName);
  if (!owner.isValid() || owner.value() != signal.service()) return;
  Reopen();
}

void SessionBusInstance::terminate(int exitCode) {
  if (QCoreApplication::instance() && QThread::currentThread()->loopLevel() > 0) {
    QCoreApplication::exit(exitCode);
    return;
  }
  std::exit(exitCode);
}

}  // namespace clipvane::x11
