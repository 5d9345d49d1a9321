#pragma once
// What a notice looks like: a coloured dot, the message on one line and at
// most one small button, on a glass capsule. It only paints and reports the
// button; timing and replacing belong to Panels.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

#include "Toast.h"

class QHBoxLayout;

namespace clipvane {

class PillButton;
class StatusDot;
class TextLine;

class ToastView : public QWidget {
  Q_OBJECT

 public:
  // The capsule's height; the panel adds the glass margin on every side.
  static constexpr int capsuleHeight = 40;

  // `done` runs after the action, when its button is pressed.
  ToastView(const Toast& toast, std::function<void()> done, QWidget* parent = nullptr);

  // Shows another notice in the same capsule: what differs from the one
  // shown is changed, the rest (and its picture) stays. From now on the
  // button acts for this notice; a press begun before is let go.
  void setToast(const Toast& toast, std::function<void()> done);

 private:
  void pressed();

  QHBoxLayout* row_;
  StatusDot* dot_;
  TextLine* text_;
  QPointer<PillButton> button_;
  std::optional<Toast::Action> action_;
  std::function<void()> done_;
};

}  // namespace clipvane
