#pragma once
// One copy per user on the session bus: the first copy owns the name
// "app.ostrel.Clipvane" and exports the hand-over method; the owner of the
// name is the older copy. A later copy asks it to reopen through the
// method "Reopen"; the broadcast signal "reopen" of the same interface is
// obeyed only when the holder of the name sends it.
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

#include "ports/InstancePort.h"

namespace clipvane::x11 {

class SessionBusInstance : public QObject, public InstancePort {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "app.ostrel.Clipvane")

 public:
  static inline const QString serviceName = QStringLiteral("app.ostrel.Clipvane");
  static inline const QString objectPath = QStringLiteral("/app/ostrel/Clipvane");

  SessionBusInstance();
  ~SessionBusInstance() override;

  std::optional<QString> bundleIdentifier() override { return serviceName; }
  RunningCopy currentCopy() override;
  std::vector<RunningCopy> runningCopies(const QString& bundleID) override;
  void openUrls(const QStringList& urls, const RunningCopy& copy,
                std::function<void()> done) override;
  void postReopen() override;
  void listen(std::function<void()> onReopen,
              std::function<void(const QStringList&)> onUrls) override;
  void terminate(int exitCode) override;

  // How long the owner of the name has to answer as this program does; a
  // copy of this program that is busy longer is known by its executable.
  static constexpr int answerTimeoutMs = 2000;
  // How long a later copy waits for the running one to take its URLs.
  static constexpr int handOverTimeoutMs = 30000;

  // What a later copy calls on the bus.
 public Q_SLOTS:
  Q_SCRIPTABLE void OpenUrls(const QStringList& urls);
  // The program's version: a later copy asks it to know that the name's
  // owner is this program.
  Q_SCRIPTABLE QString Version();
  // Opens the settings window, as a copy started again asks.
  Q_SCRIPTABLE void Reopen();

 private Q_SLOTS:
  void reopenSignalled(const QDBusMessage& signal);

 private:
  // Takes the name (once); true when this copy owns it.
  bool claim();

  int claimed_ = -1;  // -1 not tried, 0 refused, 1 owned
  std::function<void()> onReopen_;
  std::function<void(const QStringList&)> onUrls_;
  QList<QStringList> early_;  // URLs handed over before listen()
};

}  // namespace clipvane::x11
