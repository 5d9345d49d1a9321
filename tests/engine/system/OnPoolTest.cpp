#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

#include "FutureTimeout.h"
#include "TestSupport.h"

namespace clipvane {
namespace {

// Work that ends while its result handler is being attached is the case that
// matters: thousands of jobs with no work at all, each handled exactly once,
// on the main thread, with its own value.
TEST(OnPool, EveryQuickJobIsHandedOnOnceOnTheMainThread) {
  constexpr int jobs = 3000;
  std::vector<int> handled(jobs, 0);
  std::atomic<int> offMain{0};
  int ended = 0;
  for (int i = 0; i < jobs; ++i) {
    onPool(
        QCoreApplication::instance(), [i] { return i; },
        [&, i](int value) {
          if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offMain;
          if (value == i) ++handled[std::size_t(i)];
          ++ended;
        });
  }
  ASSERT_TRUE(testing::waitUntil([&] { return ended >= jobs; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(ended, jobs);
  EXPECT_EQ(offMain.load(), 0);
  EXPECT_EQ(std::count(handled.begin(), handled.end(), 1), jobs);
}

// Work that throws hands nothing on, a handler that throws keeps it to
// itself, and a context that is gone hears nothing.
TEST(OnPool, ThrowingWorkThrowingHandlersAndAContextThatIsGone) {
  int calls = 0;
  onPool(
      QCoreApplication::instance(), []() -> int { throw std::runtime_error("disk full"); },
      [&](int) { ++calls; });
  bool thrown = false;
  onPool(
      QCoreApplication::instance(), [] { return 1; },
      [&](int) {
        thrown = true;
        throw 7;
      });
  auto context = std::make_unique<QObject>();
  std::atomic<bool> release{false};
  onPool(
      context.get(),
      [&] {
        while (!release) QThread::msleep(1);
        return 2;
      },
      [&](int) { ++calls; });
  context.reset();
  release = true;
  EXPECT_TRUE(testing::waitUntil([&] { return thrown; }));
  QThread::msleep(50);
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace clipvane
