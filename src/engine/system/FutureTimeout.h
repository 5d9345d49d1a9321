#pragma once
// Waiting for a QFuture without blocking the thread. A QFuture carries only
// one then() continuation (a second replaces the first), so everything here
// observes futures through watchers and hands out futures of its own.
// Main thread only: results arrive on the context object's thread.
#include <QCoreApplication>
#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

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

// Runs done with the future's value on the context's thread once it finishes
// (a future that ends without a value gives none); any number of observers
// may watch one future.
template <class T>
void whenFinished(const QFuture<T>& future, QObject* context,
                  std::function<void(std::optional<T>)> done) {
  auto* watcher = new QFutureWatcher<T>(context);
  QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, done] {
    const QFuture<T> f = watcher->future();
    done(f.resultCount() > 0 ? std::optional<T>(f.result()) : std::nullopt);
    watcher->deleteLater();
  });
  watcher->setFuture(future);
}

// Runs `work` on the global pool and hands its value to `done` on the
// context's thread (nothing when `work` threw, or when the context is gone).
// A watcher, not then(): then() attaches its continuation to a future that
// the pool thread may be finishing at that very moment, and with the Qt this
// runs on the main thread was once seen crashing as such a continuation
// started; a watcher connects under the future's own lock.
template <class Work, class Done>
void onPool(QObject* context, Work work, Done done) {
  using T = std::invoke_result_t<Work&>;
  whenFinished<T>(QtConcurrent::run(std::move(work)), context,
                  [done = std::move(done)](std::optional<T> value) mutable {
                    if (!value) return;
                    // As with then(), what `done` throws ends there and
                    // never reaches the event loop.
                    try {
                      done(std::move(*value));
                    } catch (...) {
                    }
                  });
}

// A future of its own that finishes with the given one's value, so that the
// caller may attach its continuation without taking another's place.
template <class T>
QFuture<T> follow(const QFuture<T>& future, QObject* context = QCoreApplication::instance()) {
  auto promise = std::make_shared<QPromise<T>>();
  promise->start();
  QFuture<T> result = promise->future();
  whenFinished<T>(future, context, [promise](std::optional<T> v) {
    if (v) promise->addResult(std::move(*v));
    promise->finish();
  });
  return result;
}

namespace AsyncTimeout {

// The future's value when it finishes within the time-out, else nothing; the
// first to finish decides. The work is not cancelled and runs on.
template <class T>
QFuture<std::optional<T>> value(const QFuture<T>& future, double seconds,
                                QObject* context = QCoreApplication::instance()) {
  auto promise = std::make_shared<QPromise<std::optional<T>>>();
  promise->start();
  QFuture<std::optional<T>> result = promise->future();
  auto settle = [promise](std::optional<T> v) {
    if (promise->future().isFinished()) return;
    promise->addResult(std::move(v));
    promise->finish();
  };
  whenFinished<T>(future, context, settle);
  const int ms = seconds <= 0 ? 0 : static_cast<int>(std::lround(seconds * 1000.0));
  QTimer::singleShot(ms, Qt::PreciseTimer, context, [settle] { settle(std::nullopt); });
  return result;
}

}  // namespace AsyncTimeout
}  // namespace clipvane
