#include "InOrder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "TestSupport.h"

namespace clipvane {
namespace {

// Jobs that end with a value, a standard exception, an exception of another
// type and a throwing result handler: each hands on to the next, in order.
TEST(InOrder, EveryJobRunsAfterTheOneBeforeHoweverThatEnded) {
  std::vector<int> ran;  // the jobs' bodies, in the order they ran
  std::vector<std::optional<int>> results;
  QFuture<void> last;
  auto add = [&](int id, std::function<int()> body, bool throwingDone = false) {
    last = InOrder::after<int>(
        last, QCoreApplication::instance(),
        [&ran, id, body] {
          ran.push_back(id);  // one at a time: no lock needed
          return body();
        },
        [&results, throwingDone](std::optional<int> v) {
          results.push_back(v);
          if (throwingDone) throw 7;
        });
  };
  add(1, [] { return 10; });
  add(2, []() -> int { throw std::runtime_error("disk full"); });
  add(3, []() -> int { throw 42; });
  add(
      4, [] { return 40; }, true);
  add(5, [] { return 50; });
  ASSERT_TRUE(testing::waitUntil([&] { return last.isFinished(); }));
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(results, (std::vector<std::optional<int>>{10, std::nullopt, std::nullopt, 40, 50}));
}

}  // namespace
}  // namespace clipvane
