#include "ClipboardMonitor.h"

#include <gtest/gtest.h>

#include "Pasteboard.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

struct Call {
  std::optional<QString> text;
  qint64 count;
  bool operator==(const Call&) const = default;
};

class ClipboardMonitorTest : public ::testing::Test {
 protected:
  ClipboardMonitorTest() {
    ports.clipboard.userCopies("there at start");
    monitor = std::make_unique<ClipboardMonitor>();
    monitor->setOnChange([this](std::optional<QString> text, qint64 count) {
      calls.push_back({std::move(text), count});
    });
  }
  fakes::FakePorts ports;
  std::unique_ptr<ClipboardMonitor> monitor;
  std::vector<Call> calls;
};

TEST_F(ClipboardMonitorTest, ReportsEachUserChangeOnceAndNothingAtStart) {
  monitor->poll();
  EXPECT_TRUE(calls.empty());
  ports.clipboard.userCopies("one");
  ports.clipboard.userCopies("two");  // both within one interval
  monitor->poll();
  monitor->poll();
  EXPECT_EQ(calls, (std::vector<Call>{{"two", ports.clipboard.count}}));
}

TEST_F(ClipboardMonitorTest, SkipsOurOwnWritesAndForgetsThem) {
  const qint64 own = Pasteboard::write("masked").value();
  monitor->poll();
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(Pasteboard::ownChanges().count(own));
}

TEST_F(ClipboardMonitorTest, ConcealedAndNonTextClipboardsGiveNoText) {
  const ClipboardSnapshot cases[] = {
      fakes::passwordCopy(),
      {{{fakes::plainText, "hunter2"}, {Pasteboard::transientType, ""}}},
      fakes::imageCopy(),
  };
  for (const auto& contents : cases) {
    calls.clear();
    ports.clipboard.userCopiesItems(contents);
    monitor->poll();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, std::nullopt);
  }
}

// The system's change notice makes the monitor look at once, without a poll;
// a monitor that is gone is no longer told.
TEST_F(ClipboardMonitorTest, LooksAtOnceOnTheSystemsNotice) {
  monitor->start();
  ASSERT_TRUE(ports.clipboard.changed);
  ports.clipboard.userCopies("one");
  ports.clipboard.changed();
  EXPECT_EQ(calls, (std::vector<Call>{{"one", ports.clipboard.count}}));
  monitor.reset();
  EXPECT_FALSE(ports.clipboard.changed);
}

}  // namespace
}  // namespace clipvane
