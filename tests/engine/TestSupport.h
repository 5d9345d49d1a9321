#pragma once
// Helpers for driving the event loop in engine tests.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "OnMain.h"

namespace clipvane::testing {

// Processes events until the condition holds; the limit only guards against
// a hang and is far above any delay the engine has.
inline bool waitUntil(const std::function<bool()>& condition, int limitMs = 5000) {
  QDeadlineTimer deadline(limitMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

// Keeps the event loop running for that long (for the delays that are the point).
inline void runFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
}

// Runs everything already queued on the main thread, and what that queues.
inline void drainEvents() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Runs the program's delayed calls (onMain with a delay) on a clock of the
// test's own, in milliseconds, so that a test states a delay exactly without
// waiting for it. Calls still pending when it goes never run.
class DelayClock {
 public:
  DelayClock() {
    setDelayedCalls([this](double after, std::function<void()> fn) {
      due_.push_back({now_ + std::llround(after * 1000.0), next_++, std::move(fn)});
    });
  }
  ~DelayClock() { setDelayedCalls({}); }
  DelayClock(const DelayClock&) = delete;
  DelayClock& operator=(const DelayClock&) = delete;

  // Moves the clock on, running each call when it falls due, in order.
  void advance(long long ms) {
    const long long end = now_ + ms;
    for (;;) {
      drainEvents();  // calls made so far have reached the clock
      const auto next = std::min_element(due_.begin(), due_.end(), [](const Due& a, const Due& b) {
        return std::tie(a.at, a.order) < std::tie(b.at, b.order);
      });
      if (next == due_.end() || next->at > end) break;
      now_ = next->at;
      std::function<void()> fn = std::move(next->fn);
      due_.erase(next);
      fn();
    }
    now_ = end;
  }

 private:
  struct Due {
    long long at;
    long long order;
    std::function<void()> fn;
  };
  long long now_ = 0, next_ = 0;
  std::vector<Due> due_;
};

}  // namespace clipvane::testing
