#pragma once
// What the activity window shows: the entry whose detail is open, or the
// list. The window manager sets it before each showing; the activity view
// follows it and sets it when the user opens or closes an entry.
#include <QObject>

#include <optional>

#include "Types.h"

namespace clipvane {

class ActivityState : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // None: the list is shown.
  const std::optional<Uuid>& open() const { return open_; }
  // Tells the view every time, also when the value stays, so a detail closed
  // meanwhile by the view is closed in the state too.
  void setOpen(std::optional<Uuid> id);

 Q_SIGNALS:
  void openChanged();

 private:
  std::optional<Uuid> open_;
};

}  // namespace clipvane
