#pragma once
// Copies of this program running for the same user, and the hand-over
// between them (on Linux: the session bus name "app.ostrel.Clipvane").
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

#include "Types.h"

namespace clipvane {

struct RunningCopy {
  qint64 pid = 0;
  std::optional<Date> launchDate;  // none: unknown
  bool terminated = false;
  // It can be handed URLs (it exports the hand-over method).
  bool canOpenUrls = true;
  // It answers as this program does. Another process that holds the
  // program's name is never handed anything.
  bool isThisProgram = true;
  bool operator==(const RunningCopy&) const = default;
};

class InstancePort {
 public:
  virtual ~InstancePort() = default;

  // The program's identifier; none disables the single-copy rule.
  virtual std::optional<QString> bundleIdentifier() = 0;
  virtual RunningCopy currentCopy() = 0;
  // The running copies with that identifier, this one possibly among them.
  virtual std::vector<RunningCopy> runningCopies(const QString& bundleID) = 0;

  // URLs travel as the strings they were given: the scheme is compared
  // exactly, which a parsed URL (lower-cased scheme and host) cannot do.

  // Hands the URLs to the copy; done runs once when that finished, on any
  // thread, whether it worked or not.
  virtual void openUrls(const QStringList& urls, const RunningCopy& copy,
                        std::function<void()> done) = 0;
  // Asks every listening copy to reopen (delivered at once).
  virtual void postReopen() = 0;

  // The first copy: from now on reopen requests run onReopen and handed-over
  // URLs run onUrls, both on the main thread, for the life of the process.
  virtual void listen(std::function<void()> onReopen,
                      std::function<void(const QStringList&)> onUrls) = 0;

  // Ends this process with that exit code.
  virtual void terminate(int exitCode) = 0;
};

}  // namespace clipvane
