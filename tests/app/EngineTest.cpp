#include "EngineTest.h"

#include <QThreadPool>

namespace clipvane::testing {

EngineTest::EngineTest() {
  qputenv("CLIPVANE_HOME", home.path().toUtf8());
  const QDateTime noon(QDate(2026, 3, 10), QTime(12, 0));
  now = Date{std::chrono::milliseconds(noon.toMSecsSinceEpoch())};
  Clock::set([this] { return now; });
}

EngineTest::~EngineTest() {
  settle();
  model_.reset();
  drainEvents();
  Clock::set({});
}

AppModel& EngineTest::model() {
  if (!model_) model_ = std::make_unique<AppModel>();
  return *model_;
}

void EngineTest::userCopies(const QString& text) {
  if (!model().monitor().isRunning()) model().start();
  ports.clipboard.userCopies(text);
  model().monitor().poll();
}

void EngineTest::userCopies(const ClipboardSnapshot& items) {
  if (!model().monitor().isRunning()) model().start();
  ports.clipboard.userCopiesItems(items);
  model().monitor().poll();
}

void EngineTest::settle() {
  // Background work finishes on the pool, then its result is applied on the
  // main thread, possibly starting more background work.
  for (int round = 0; round < 10; ++round) {
    QThreadPool::globalInstance()->waitForDone();
    drainEvents();
  }
}

}  // namespace clipvane::testing
