#pragma once
// The accessibility tree of other applications through AT-SPI2. The calls of
// one query share the 250 ms time-out as a whole, an application that let a
// call go unanswered is left alone for a while, and this process's own tree
// is never asked (its answers would wait for the thread that asks).
//
// Main thread only: libatspi is not thread-safe.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ports/AccessibilityPort.h"

namespace clipvane::x11 {

class AtspiAccessibility : public AccessibilityPort {
 public:
  // activePid: the process of the window the user works in (none: unknown);
  // windowTitle: a process's focused window title from the window manager;
  // isBrowser: whether a process is a browser, whose pages are asked for
  // their site (a Chromium one is woken to expose them).
  AtspiAccessibility(std::function<std::optional<std::int32_t>()> activePid,
                     std::function<std::optional<QString>(std::int32_t)> windowTitle,
                     std::function<bool(std::int32_t)> isBrowser = {});
  ~AtspiAccessibility() override;

  Element systemWide() override;
  Element application(std::int32_t pid) override;
  Value attribute(const Element& element, Attribute attribute) override;
  Value boundsForRange(const Element& element, const Value& range) override;
  void beginQuery() override;
  void endQuery() override;
  bool queryAnswered() const override;

  // How long an application that let a call go unanswered is not asked again:
  // a hung application costs one time-out now and then, not one per query.
  static constexpr std::chrono::milliseconds defaultRest{2000};
  void setRest(std::chrono::milliseconds rest);

  // The calls made to applications so far: each call, each that went
  // unanswered within its time, and each not made because the query's time
  // was up or the application was left alone.
  struct Calls {
    int made = 0, unanswered = 0, skipped = 0;
  };
  Calls calls() const;

  // Whether this process reached an accessibility bus; decided once, on the
  // first call. Without one every query answers nothing, but a window's title
  // still comes from the window manager.
  static bool busReady();

  class Gate;

 private:
  std::function<std::optional<std::int32_t>()> activePid_;
  std::function<std::optional<QString>(std::int32_t)> windowTitle_;
  std::function<bool(std::int32_t)> isBrowser_;
  // Per application (its bus name): whether its pages were woken (true) or
  // it needs no waking (false).
  std::map<std::string, bool> woken_;
  bool ready_ = false;
  std::unique_ptr<Gate> gate_;
};

}  // namespace clipvane::x11
