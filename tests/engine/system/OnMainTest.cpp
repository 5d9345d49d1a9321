#include "OnMain.h"

#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "TestSupport.h"

namespace clipvane {
namespace {

TEST(OnMain, NeverRunsInsideTheCallWhateverTheDelay) {
  for (double after : {0.0, -1.0, std::nan("")}) {
    bool ran = false;
    onMain(after, [&] { ran = true; });
    EXPECT_FALSE(ran) << after;
    EXPECT_TRUE(testing::waitUntil([&] { return ran; })) << after;
  }
}

TEST(OnMain, ShorterDelayRunsFirstAndBackgroundCallsReachTheMainThread) {
  std::vector<int> order;
  bool fromThreadOnMain = false;
  onMain(0.5, [&] { order.push_back(1); });
  onMain(0.1, [&] { order.push_back(2); });
  std::thread([&] {
    onMain(0, [&] { fromThreadOnMain = QThread::currentThread() == qApp->thread(); });
  }).join();
  ASSERT_TRUE(testing::waitUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_TRUE(fromThreadOnMain);
}

}  // namespace
}  // namespace clipvane
