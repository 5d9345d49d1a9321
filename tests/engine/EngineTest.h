#pragma once
// The fixture of the model's tests: fresh fakes, an empty data directory and
// a clock the test moves.
#include <QDateTime>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "AICheck.h"
#include "AppModel.h"
#include "TestSupport.h"
#include "Types.h"
#include "fakes/FakePorts.h"
#include "fakes/FakeSystemPorts.h"

namespace clipvane::testing {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    qputenv("CLIPVANE_HOME", home.path().toUtf8());
    now = at(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    Clock::set([this] { return now; });
  }
  ~EngineTest() override {
    systemPorts.model.open();  // a test that ended early may have left it waiting
    settle();
    model_.reset();
    drainEvents();
    Clock::set({});
  }

  // Noon on a fixed day, local time, moved by tests.
  Date now;
  void advance(std::chrono::seconds s) { now += s; }
  static Date at(const QDateTime& t) {
    return Date{std::chrono::milliseconds(t.toMSecsSinceEpoch())};
  }

  fakes::FakePorts ports;
  fakes::FakeSystemPorts systemPorts;
  QTemporaryDir home;
  const RunningApp editor{42, QStringLiteral("code"), QStringLiteral("Code")};
  const RunningApp terminal{43, QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal")};

  // A model over the fakes (created on first use, with the settings on disk).
  AppModel& model() {
    if (!model_) model_ = std::make_unique<AppModel>();
    return *model_;
  }
  // Stores settings changed by fn through the model's observer.
  template <class Fn>
  void changeSettings(Fn fn) {
    AppSettings s = model().settings();
    fn(s);
    model().setSettings(s);
  }
  // Stores one changed setting.
  template <class T, class V>
  void set(T AppSettings::*field, const V& value) {
    changeSettings([&](AppSettings& s) { s.*field = value; });
  }

  // A fresh model over the same fakes and data, no toasts shown, settings changed by fn.
  template <class Fn>
  void restart(Fn fn) {
    model_.reset();
    ports.panels.toasts.clear();
    changeSettings(fn);
  }

  // The user copies and the monitor's next tick sees it.
  void userCopies(const QString& text) {
    userCopies(ClipboardSnapshot{{{fakes::plainText, text.toUtf8()}}});
  }
  void userCopies(const ClipboardSnapshot& items) {
    if (!model().monitor().isRunning()) model().start();
    ports.clipboard.userCopiesItems(items);
    model().monitor().poll();
  }
  // A copy seen and fully handled.
  template <class Copied>
  void copy(const Copied& what) {
    userCopies(what);
    settle();
  }
  // Holds every background thread until the guard goes: scans started meanwhile
  // cannot finish, so their results come back only after what the test does next.
  // (A scan that finished before its result handler was attached is applied at once.)
  struct ScansHeld {
    QSemaphore started, release;
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    ScansHeld() {
      for (int i = 0; i < threads; ++i)
        QThreadPool::globalInstance()->start([this] {
          started.release();
          release.acquire();
        });
      started.acquire(threads);
    }
    ~ScansHeld() { release.release(threads); }
  };

  // Waits until every scan, model request, vault update and re-detection has
  // been applied: background work finishes on the pools, then its result is
  // applied on the main thread, possibly starting more background work.
  void settle() {
    for (int round = 0; round < 10; ++round) {
      AICheck::pool().waitForDone();
      QThreadPool::globalInstance()->waitForDone();
      drainEvents();
    }
  }

  std::unique_ptr<AppModel> model_;
};

}  // namespace clipvane::testing
