#pragma once
// Waiting for a QFuture for at most a given time, without blocking the
// thread: the result arrives on the context object's thread.
#include <QCoreApplication>
#include <QFuture>
#include <QPromise>
#include <QTimer>
#include <cmath>
#include <memory>
#include <optional>

#include "AsyncTimeout.h"

namespace clipvane {

// A future that already holds its value.
template <class T>
QFuture<T> readyFuture(T value) {
  QPromise<T> promise;
  promise.start();
  promise.addResult(std::move(value));
  promise.finish();
  return promise.future();
}

namespace AsyncTimeout {

// The future's value when it finishes within the time-out, else nothing; the
// first to finish decides. The work is not cancelled and runs on. Both the
// continuation and the timer run on the context's thread, so no lock is
// needed to tell which came first.
template <class T>
QFuture<std::optional<T>> value(QFuture<T> future, double seconds,
                                QObject* context = QCoreApplication::instance()) {
  auto promise = std::make_shared<QPromise<std::optional<T>>>();
  promise->start();
  QFuture<std::optional<T>> result = promise->future();
  auto settle = [promise](std::optional<T> v) {
    if (promise->future().isFinished()) return;
    promise->addResult(std::move(v));
    promise->finish();
  };
  future.then(context, [settle](QFuture<T> done) {
    settle(done.resultCount() > 0 ? std::optional<T>(done.result()) : std::nullopt);
  });
  const int ms = seconds <= 0 ? 0 : static_cast<int>(std::lround(seconds * 1000.0));
  QTimer::singleShot(ms, Qt::PreciseTimer, context, [settle] { settle(std::nullopt); });
  return result;
}

}  // namespace AsyncTimeout
}  // namespace clipvane
