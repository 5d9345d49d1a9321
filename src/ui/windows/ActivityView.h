#pragma once
// The activity window: the safe pastes of the last 30 days as a list grouped
// by day, newest first, filtered by outcome and searched by title and place;
// a click opens the entry's detail in place of the list. The window only
// reads AppModel::activity; the window manager reloads it before showing.
#include <QAbstractListModel>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "Activity.h"
#include "EntryView.h"
#include "Types.h"

class QStackedWidget;
class QVBoxLayout;

namespace clipvane {

class AppModel;

class SegmentedControl;

// The entries of the history that pass the filter and the search, newest
// first (equal dates keep their stored order). One row per entry.
class ActivityModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum class Filter { all, masked, blocked };
  static QString filterName(Filter f);  // "All", "Masked", "Blocked"

  enum Role {
    glyphRole = Qt::UserRole + 1,  // the row's icon-set name
    outcomeRole,                   // ActivityEntry::Outcome as int
    valueRole,                     // "Terminal · 3:45 PM"
    dayRole,                       // "Today", "Yesterday", "Mar 5"
    idRole,                        // the entry's id, canonical text
  };

  explicit ActivityModel(QObject* parent = nullptr);

  void setHistory(std::vector<ActivityEntry> history);
  void setFilter(Filter filter);
  void setSearch(const QString& search);
  Filter filter() const { return filter_; }
  const QString& search() const { return search_; }
  const ActivityEntry& entry(int row) const { return shown_.at(std::size_t(row)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // "Email masked", "3 emails masked", "5 items blocked", "2 kept as is".
  static QString title(const ActivityEntry& entry);
  // "block" for a blocked paste, the one kind's icon, else "description".
  static QString glyph(const ActivityEntry& entry);
  // "Today", "Yesterday" or the short date, by the local calendar of `now`.
  static QString dayTitle(Date date, Date now);

 private:
  void recompute();
  std::vector<ActivityEntry> history_;
  std::vector<ActivityEntry> shown_;
  Filter filter_ = Filter::all;
  QString search_;
};

class ActivityView : public QWidget {
  Q_OBJECT

 public:
  explicit ActivityView(AppModel& model, QWidget* parent = nullptr);

  // The entry whose detail is shown; none, or an id the history does not
  // hold, shows the list.
  void setOpen(std::optional<Uuid> id);
  const std::optional<Uuid>& open() const { return open_; }
  // Where a row click and the detail's back action go; without one they
  // call setOpen themselves. The window routes them through its shared state.
  void setOpenRequest(std::function<void(std::optional<Uuid>)> request);

  ActivityModel& list() { return list_; }
  // The detail shown, null on the list.
  EntryView* detail() const { return detail_; }

 private:
  void requestOpen(std::optional<Uuid> id);
  void historyChanged();
  void rebuildList();
  void showOpen();

  AppModel& model_;
  ActivityModel list_;
  std::optional<Uuid> open_;
  std::function<void(std::optional<Uuid>)> request_;
  QStackedWidget* pages_;
  SegmentedControl* filterControl_;
  QVBoxLayout* days_;
  QPointer<EntryView> detail_;
};

// The top-level activity window (828 x 440, at least 420 x 360, "Activity —
// Clipvane", hidden by Ctrl+W) around a view of the model's history;
// makeActivityWindow (WindowManager.h) builds it over the manager's shared
// state.
ActivityView* newActivityWindow(AppModel& model);

}  // namespace clipvane
