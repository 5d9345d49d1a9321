#pragma once
// What a notice looks like: a coloured dot, the message on one line and at
// most one small button, on a glass capsule. It only paints and reports the
// button; timing and replacing belong to Panels.
#include <QWidget>

#include <functional>

#include "Toast.h"

namespace clipvane {

class ToastView : public QWidget {
  Q_OBJECT

 public:
  // The capsule's height; the panel adds the glass margin on every side.
  static constexpr int capsuleHeight = 40;

  // `done` runs after the action, when its button is pressed.
  ToastView(const Toast& toast, std::function<void()> done, QWidget* parent = nullptr);
};

}  // namespace clipvane
