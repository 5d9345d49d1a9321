#pragma once
// The desktop's look as tests set it.
#include <QList>
#include <utility>

#include "ports/AppearancePort.h"

namespace clipvane::fakes {

class FakeAppearance : public AppearancePort {
 public:
  bool isDark = false;
  bool isCompositing = true;
  bool blurs = false;
  // Every blur asked for: the window and the region behind it.
  QList<std::pair<quintptr, QRect>> blurAsks;

  bool dark() const override { return isDark; }
  bool compositing() const override { return isCompositing; }
  bool blursBehind() const override { return blurs; }
  void blurBehind(quintptr window, const QRect& region) override {
    blurAsks.append({window, region});
  }

  // Changes the scheme and tells the listeners, as the desktop would.
  void setDark(bool on) {
    isDark = on;
    Q_EMIT changed();
  }
};

}  // namespace clipvane::fakes
