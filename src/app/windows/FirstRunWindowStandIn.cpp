// Stands in for the first-run window until its own file provides it.
#include "WindowManager.h"

namespace clipvane {

QWidget* makeFirstRunWindow(AppModel&, std::function<void()>) {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setObjectName(QStringLiteral("firstRunWindow"));
  window->resize(340, 300);
  return window;
}

}  // namespace clipvane
