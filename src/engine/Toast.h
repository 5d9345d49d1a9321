#pragma once
// The message of one notice under the status icon.
#include <QString>

#include <functional>
#include <optional>

namespace clipvane {

// The palette colour of a notice's dot, named as the palette names it.
enum class Tint { acc, att, bad, gray };

struct Toast {
  struct Action {
    QString title;              // "Undo"
    std::function<void()> run;  // runs on the main thread when pressed
  };

  QString glyph;  // icon-set name: "check", "priority_high", "pause"
  Tint tint = Tint::acc;
  QString text;
  std::optional<Action> action;
};

}  // namespace clipvane
