#pragma once
// The desktop's look as tests set it.
#include "ports/AppearancePort.h"

namespace clipvane::fakes {

class FakeAppearance : public AppearancePort {
 public:
  bool isDark = false;
  bool isCompositing = true;

  bool dark() const override { return isDark; }
  bool compositing() const override { return isCompositing; }

  // Changes the scheme and tells the listeners, as the desktop would.
  void setDark(bool on) {
    isDark = on;
    Q_EMIT changed();
  }
};

}  // namespace clipvane::fakes
