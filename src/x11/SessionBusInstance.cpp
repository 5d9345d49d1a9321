#include "SessionBusInstance.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QThread>
#include <cstdlib>

namespace clipvane::x11 {

namespace {

const QString kInterface = QStringLiteral("app.ostrel.Clipvane");
constexpr int kCallTimeoutMs = 5000;

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

// Whether the owner of the name answers as this program does: its interface
// at its path, with a version, in time.
bool answersAsThisProgram(QDBusConnection& bus) {
  const QDBusMessage call = QDBusMessage::createMethodCall(SessionBusInstance::serviceName,
                                                           SessionBusInstance::objectPath,
                                                           kInterface, QStringLiteral("Version"));
  const QDBusMessage reply = bus.call(call, QDBus::Block, SessionBusInstance::answerTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
         reply.arguments().front().typeId() == QMetaType::QString &&
         !reply.arguments().front().toString().isEmpty();
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
  // The owner of the name is the older copy, whatever the clocks say, when it
  // answers as this program does.
  if (pid.isValid())
    copies.push_back(
        RunningCopy{qint64(pid.value()), std::nullopt, false, true, answersAsThisProgram(bus)});
  return copies;
}

void SessionBusInstance::openUrls(const QStringList& urls, const RunningCopy&,
                                  std::function<void()> done) {
  QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, kInterface,
                                                     QStringLiteral("OpenUrls"));
  call << urls;
  auto* watcher = new QDBusPendingCallWatcher(
      QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [done = std::move(done)](QDBusPendingCallWatcher* w) {
            w->deleteLater();
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
