#pragma once
// The accessibility tree of other applications through AT-SPI2. Every call
// to an application is bounded by the 250 ms time-out; this process's own
// tree is never asked (its answers would wait for the thread that asks).
//
// Main thread only: libatspi is not thread-safe.
#include <functional>
#include <optional>

#include "ports/AccessibilityPort.h"

namespace clipvane::x11 {

class AtspiAccessibility : public AccessibilityPort {
 public:
  // activePid: the process of the window the user works in (none: unknown);
  // windowTitle: a process's focused window title from the window manager.
  AtspiAccessibility(std::function<std::optional<std::int32_t>()> activePid,
                     std::function<std::optional<QString>(std::int32_t)> windowTitle);
  ~AtspiAccessibility() override;

  Element systemWide() override;
  Element application(std::int32_t pid) override;
  Value attribute(const Element& element, Attribute attribute) override;
  Value boundsForRange(const Element& element, const Value& range) override;

  static constexpr int timeoutMs = 250;

  // Whether this process reached an accessibility bus; decided once, on the
  // first call. Without one every query answers nothing, but a window's title
  // still comes from the window manager.
  static bool busReady();

 private:
  std::function<std::optional<std::int32_t>()> activePid_;
  std::function<std::optional<QString>(std::int32_t)> windowTitle_;
  bool ready_ = false;
};

}  // namespace clipvane::x11
