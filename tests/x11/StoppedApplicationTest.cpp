// An application that stops answering (kill -STOP) while the paste-key
// decision holds the keyboard: each query waits on it at most once, an
// application that let a call go unanswered is left alone for a while, and
// its window's title comes from the window manager without asking it. How
// long the waits take is bench_accessibility's figure.
#include <gtest/gtest.h>
#include <signal.h>

#include <QThread>

#include "Accessibility.h"
#include "X11Ports.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;
using Calls = AtspiAccessibility::Calls;

namespace {

// Sends SIGCONT at the end, whatever the test did.
struct Stopped {
  explicit Stopped(qint64 pid) : pid(pid) { ::kill(pid_t(pid), SIGSTOP); }
  ~Stopped() { resume(); }
  void resume() { ::kill(pid_t(pid), SIGCONT); }
  qint64 pid;
};

}  // namespace

TEST(StoppedApplication, EachQueryWaitsOnItAtMostOnceThenLeavesItAlone) {
  X11Ports ports;
  constexpr auto rest = std::chrono::milliseconds(1500);
  ports.accessibility.setRest(rest);
  const auto since = [&](const Calls& before) {
    const Calls now = ports.accessibility.calls();
    return Calls{now.made - before.made, now.unanswered - before.unanswered,
                 now.skipped - before.skipped};
  };

  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  ASSERT_TRUE(waitUntil([] { return Accessibility::focusedElementRect().has_value(); }));
  const auto pid = std::int32_t(target->pid());
  EXPECT_TRUE(Accessibility::answeredFocusedElementText().has_value());
  Stopped stopped(pid);

  // The title is the window manager's: nothing is asked of the application.
  Calls before = ports.accessibility.calls();
  EXPECT_EQ(Accessibility::focusedWindowTitle(pid), QString("Target"));
  EXPECT_EQ(since(before).made, 0);

  struct Row {
    const char* query;
    std::function<bool()> answered;
    bool answers;
    int unanswered;  // calls that waited on the application
  };
  const Row rows[] = {
      {"field", [] { return Accessibility::focusedElementRect().has_value(); }, false, 1},
      // Left alone from here on: not one call waits.
      {"caret", [] { return Accessibility::selectionRect().has_value(); }, false, 0},
      // Silent, not empty: the texts are told apart from a field without any.
      {"texts", [] { return Accessibility::answeredFocusedElementText().has_value(); }, false, 0},
      {"front tab", [&] { return Accessibility::frontTabHost(pid).has_value(); }, false, 0},
      {"title", [&] { return Accessibility::focusedWindowTitle(pid) == QString("Target"); }, true,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.query);
    before = ports.accessibility.calls();
    EXPECT_EQ(row.answered(), row.answers);
    EXPECT_EQ(since(before).unanswered, row.unanswered);
  }

  // After its rest it is asked again, and waited on once more per query
  // while it stays silent.
  QThread::msleep(rest.count() + 100);
  before = ports.accessibility.calls();
  EXPECT_FALSE(Accessibility::selectionRect());
  EXPECT_EQ(since(before).unanswered, 1);

  // Answering again, it is heard again once its rest is over.
  stopped.resume();
  EXPECT_TRUE(waitUntil([] { return Accessibility::focusedElementRect().has_value(); }));
}
