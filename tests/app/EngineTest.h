#pragma once
// The fixture of the model's tests: fresh fakes, an empty data directory and
// a clock the test moves.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "AppModel.h"
#include "TestSupport.h"
#include "Types.h"
#include "fakes/FakePorts.h"
#include "fakes/FakeSystemPorts.h"

namespace clipvane::testing {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest();
  ~EngineTest() override;

  // Noon on a fixed day, local time, moved by tests.
  Date now;
  void advance(std::chrono::seconds s) { now += s; }

  fakes::FakePorts ports;
  fakes::FakeSystemPorts systemPorts;
  QTemporaryDir home;

  // A model over the fakes (created on first use, with the settings on disk).
  AppModel& model();
  // Stores settings changed by fn through the model's observer.
  template <class Fn>
  void changeSettings(Fn fn) {
    AppSettings s = model().settings();
    fn(s);
    model().setSettings(s);
  }

  // A fresh model over the same fakes and data, no toasts shown, settings changed by fn.
  template <class Fn>
  void restart(Fn fn) {
    model_.reset();
    ports.panels.toasts.clear();
    changeSettings(fn);
  }

  // The user copies a text and the monitor's next tick sees it.
  void userCopies(const QString& text);
  void userCopies(const ClipboardSnapshot& items);
  // Waits until every scan, vault update and re-detection has been applied.
  void settle();

  std::unique_ptr<AppModel> model_;
};

}  // namespace clipvane::testing
