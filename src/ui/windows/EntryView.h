#pragma once
// The detail of one activity entry: where and when the paste went, the kinds
// it caught, its placeholders, and "Copy Original", which puts the originals
// the vault still holds back on the clipboard (after the password check when
// the lock is on). Escape or the back control returns to the list.
#include <QWidget>

#include <functional>
#include <vector>

#include "Activity.h"

namespace clipvane {

class AppModel;

class EntryView : public QWidget {
 public:
  EntryView(AppModel& model, ActivityEntry entry, std::function<void()> back,
            QWidget* parent = nullptr);

  const ActivityEntry& entry() const { return entry_; }

  // "3 phones, Email": each kind with its count, larger counts first.
  static QString types(const ActivityEntry& entry);
  // Puts the originals of these placeholders on the clipboard, one per line;
  // beeps when the vault holds none of them. With the lock on, only after
  // the owner authenticated (a refusal does nothing at all).
  static void copyOriginal(AppModel& model, const std::vector<QString>& placeholders);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  AppModel& model_;
  ActivityEntry entry_;
  std::function<void()> back_;
};

}  // namespace clipvane
