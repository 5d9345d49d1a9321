// Helpers of the kit's tests.
#include "KitTestSupport.h"

#include <QPainter>

namespace clipvane::testing {

void Sheet::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Theme::color(background_));
}

}  // namespace clipvane::testing
