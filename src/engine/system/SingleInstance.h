#pragma once
// One copy per user: a later copy hands its URLs (or a reopen request) to
// the older one and ends.
#include <QStringList>

#include <functional>
#include <optional>

#include "ports/InstancePort.h"

namespace clipvane::SingleInstance {

// Whether a sorts before b: earlier launch (unknown = earliest), then lower pid.
bool launchedBefore(const RunningCopy& a, const RunningCopy& b);

// The oldest running copy launched before this one, if any.
std::optional<RunningCopy> olderCopy();

// Hands the URLs (or, without URLs or a copy that takes none, a reopen
// request) to the older copy, then ends this process.
void handOver(const QStringList& urls, const RunningCopy& to);

// The first copy: runs action on reopen requests; handed-over URLs go to onUrls.
void listen(std::function<void()> action, std::function<void(const QStringList&)> onUrls);

}  // namespace clipvane::SingleInstance
