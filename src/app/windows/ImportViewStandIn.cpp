// Stands in for the import view until its own file provides it.
#include "WindowManager.h"

namespace clipvane {

QWidget* makeImportView(AppModel&, QWidget*, std::function<void()>) {
  auto* view = new QWidget;
  view->setObjectName(QStringLiteral("importView"));
  view->setMinimumSize(360, 300);
  return view;
}

}  // namespace clipvane
