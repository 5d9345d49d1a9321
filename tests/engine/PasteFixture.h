#pragma once
// The fixture of the safe-paste, commit and restore tests: a model over the
// fakes, a destination in front, and a record of what each paste keystroke
// pasted.
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "EngineTest.h"

namespace clipvane::testing {

// Holds every thread of the global pool, so that background work waits. The
// held tasks share their state, which outlives the blocker until they leave.
class PoolBlocker {
 public:
  PoolBlocker() {
    auto* pool = QThreadPool::globalInstance();
    const int n = pool->maxThreadCount();
    for (int i = 0; i < n; ++i)
      pool->start([state = state_] {
        ++state->started;
        std::unique_lock lock(state->mutex);
        state->released.wait(lock, [&] { return state->open; });
      });
    waitUntil([&] { return state_->started.load() == n; });
  }
  ~PoolBlocker() { release(); }
  void release() {
    {
      std::lock_guard lock(state_->mutex);
      state_->open = true;
    }
    state_->released.notify_all();
  }

 private:
  struct State {
    std::atomic<int> started{0};
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

class PasteFixture : public EngineTest {
 protected:
  PasteFixture() {
    // A paste gives the clipboard back a second later if its change count is
    // still the paste's own; counts of their own keep such a return from
    // reaching the fakes of a later test.
    static qint64 range = 0;
    ports.clipboard.count = 1'000'000 + ++range * 10'000;
    ports.workspace.frontmost = editor;
    set(&AppSettings::onboarded, true);
  }

  QStringList& pasted = ports.pasted;  // the text of each paste keystroke

  // Another application puts text on the clipboard (not yet scanned).
  void clipboardHolds(const QString& text) { ports.clipboard.userCopies(text); }
  void safePaste(AppModel::Trigger trigger = AppModel::Trigger::hotkey) {
    model().safePaste(trigger);
    settle();
  }
  // A safe paste of text with auto-mask off: the review it opens.
  ReviewSession openReview(const QString& text) {
    set(&AppSettings::autoMask, false);
    ports.panels.reviews.clear();
    clipboardHolds(text);
    safePaste();
    EXPECT_EQ(ports.panels.reviews.size(), 1u);
    if (ports.panels.reviews.empty()) {
      ReviewSession none;
      none.paste = [](const std::set<int>&) {};
      return none;
    }
    return ports.panels.reviews.back();
  }
  // Waits for the history writes and returns what the file holds.
  std::vector<ActivityEntry> history(std::size_t expected) {
    waitUntil([&] { return ActivityStore::read().size() >= expected; });
    settle();
    return ActivityStore::read();
  }
};

}  // namespace clipvane::testing
