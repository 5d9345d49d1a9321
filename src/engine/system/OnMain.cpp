#include "OnMain.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <climits>
#include <cmath>

namespace clipvane {

namespace {

// Read and written on the main thread only.
DelayedCalls& delayedCalls() {
  static DelayedCalls calls;
  return calls;
}

}  // namespace

void setDelayedCalls(DelayedCalls calls) {
  assertMainThread();
  delayedCalls() = std::move(calls);
}

void onMain(double after, std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  Q_ASSERT(app);
  // Always queued first, so that fn never runs inside this call; the timer is
  // created on the main thread, which owns the event loop it needs.
  QMetaObject::invokeMethod(
      app,
      [after, fn = std::move(fn)]() mutable {
        if (!(after > 0)) {  // also NaN
          fn();
          return;
        }
        if (delayedCalls()) {
          delayedCalls()(after, std::move(fn));
          return;
        }
        const double ms = std::ceil(after * 1000.0);
        const int delay = ms >= double(INT_MAX) ? INT_MAX : int(ms);
        QTimer::singleShot(delay, Qt::PreciseTimer, QCoreApplication::instance(), std::move(fn));
      },
      Qt::QueuedConnection);
}

void assertMainThread() {
  Q_ASSERT(QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread());
}

}  // namespace clipvane
