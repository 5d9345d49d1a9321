#include "SingleInstance.h"

#include "OnMain.h"
#include "ports/Ports.h"

namespace clipvane::SingleInstance {

namespace {

// A copy that cannot tell when it started counts as the earliest.
Date launchKeyDate(const RunningCopy& copy) {
  return copy.launchDate.value_or(Date{Date::duration::min()});
}

}  // namespace

bool launchedBefore(const RunningCopy& a, const RunningCopy& b) {
  const Date da = launchKeyDate(a), db = launchKeyDate(b);
  if (da != db) return da < db;
  return a.pid < b.pid;
}

std::optional<RunningCopy> olderCopy() {
  InstancePort& port = Ports::get<InstancePort>();
  const auto id = port.bundleIdentifier();
  if (!id) return std::nullopt;
  const RunningCopy self = port.currentCopy();
  std::optional<RunningCopy> oldest;
  for (const RunningCopy& copy : port.runningCopies(*id)) {
    if (copy.pid == self.pid || copy.terminated || !launchedBefore(copy, self)) continue;
    if (!oldest || launchedBefore(copy, *oldest)) oldest = copy;
  }
  return oldest;
}

void handOver(const QStringList& urls, const RunningCopy& to) {
  InstancePort& port = Ports::get<InstancePort>();
  if (!urls.isEmpty() && to.canOpenUrls) {
    port.openUrls(urls, to, [] { onMain(0, [] { Ports::get<InstancePort>().terminate(0); }); });
    return;
  }
  port.postReopen();
  port.terminate(0);
}

void listen(std::function<void()> action, std::function<void(const QStringList&)> onUrls) {
  Ports::get<InstancePort>().listen(
      [action = std::move(action)] {
        assertMainThread();
        action();
      },
      std::move(onUrls));
}

}  // namespace clipvane::SingleInstance
