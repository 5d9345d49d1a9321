#pragma once
// Helpers for driving the event loop in engine tests.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <functional>

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

}  // namespace clipvane::testing
