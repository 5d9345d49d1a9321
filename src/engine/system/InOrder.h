#pragma once
// Background work that ends in the order it was started: each job runs on the
// global pool once the one before it has ended, whatever it ended with (a
// value or an exception of any type), and its result comes back on the
// context's thread. Main thread only.
#include <QCoreApplication>
#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <functional>
#include <memory>
#include <optional>

#include "FutureTimeout.h"

namespace clipvane::InOrder {

// Starts `work` after `previous` (an invalid future: at once) and hands its
// value to `done`, or none when it threw. Returns the future that ends once
// `done` has run: the `previous` of the next job.
template <class T>
QFuture<void> after(const QFuture<void>& previous, QObject* context, std::function<T()> work,
                    std::function<void(std::optional<T>)> done) {
  auto ended = std::make_shared<QPromise<void>>();
  ended->start();
  QFuture<void> result = ended->future();
  auto start = [context, work = std::move(work), done = std::move(done), ended] {
    onPool(
        context,
        [work]() -> std::optional<T> {
          try {
            return work();
          } catch (...) {
            return std::nullopt;  // any exception: the next job still runs
          }
        },
        [done, ended](std::optional<T> value) {
          // Ends even when `done` throws.
          const std::unique_ptr<QPromise<void>, void (*)(QPromise<void>*)> finish(
              ended.get(), [](QPromise<void>* p) { p->finish(); });
          done(std::move(value));
        });
  };
  if (!previous.isValid() || previous.isFinished()) {
    start();
    return result;
  }
  auto* watcher = new QFutureWatcher<void>(context);
  QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, start] {
    watcher->deleteLater();
    start();
  });
  watcher->setFuture(previous);
  return result;
}

}  // namespace clipvane::InOrder
