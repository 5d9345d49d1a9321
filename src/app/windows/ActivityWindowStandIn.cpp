// Stands in for the activity window until its own file provides it.
#include "WindowManager.h"

namespace clipvane {

QWidget* makeActivityWindow(AppModel&, ActivityState&) {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setObjectName(QStringLiteral("activityWindow"));
  window->setWindowTitle(QStringLiteral("Activity"));
  window->setMinimumSize(420, 360);
  window->resize(828, 440);
  return window;
}

}  // namespace clipvane
