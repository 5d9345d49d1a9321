#pragma once
// The review's item list: one row per finding on a rounded plate, scrolling
// within a height limit. Only the rows on screen exist as widgets (and the
// one holding the keyboard focus): rows are made as they scroll in and
// dropped as they leave, so a list of a hundred thousand findings costs what
// a list of five does. The keyboard reaches every row that takes the focus,
// scrolling it into view (the review walks the list with enter() and step()).
#include <QAbstractScrollArea>

#include <functional>
#include <map>

namespace clipvane {

class ReviewList : public QAbstractScrollArea {
 public:
  // Makes row `index`; its focus proxy, when set, is what Tab reaches.
  using MakeRow = std::function<QWidget*(int index)>;
  // Whether row `index` takes the focus (a locked row does not).
  using TakesFocus = std::function<bool(int index)>;

  static constexpr int rowHeight = 44;

  ReviewList(int count, MakeRow make, TakesFocus takesFocus, QWidget* parent = nullptr);

  int count() const { return count_; }
  // The tallest the list may be; shorter lists take their rows' height.
  void setMaxHeight(int height);
  int maxHeight() const { return maxHeight_; }
  // The height the list takes: its rows', at most the limit.
  int fittingHeight() const;

  // The row while it exists (on screen, or holding the focus); else null.
  QWidget* row(int index) const;
  // Every existing row, in index order.
  void forEachRow(const std::function<void(int, QWidget*)>& visit) const;
  // Scrolls the least that shows the whole row.
  void scrollTo(int index);
  // The keyboard comes into the list: focuses the first row on screen that
  // takes the focus (the last, going backwards), else the nearest such row
  // off screen. False when no row takes the focus.
  bool enter(bool forward, Qt::FocusReason reason);
  // From the focused row to the next (or previous) row that takes the
  // focus. False when the focus is in no row or no such row follows.
  bool step(bool forward, Qt::FocusReason reason);
  // The row holding the keyboard focus; -1 when none does.
  int focusedRow() const;

 protected:
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The rounded plate goes under the rows and the scroll bar alike.
  bool event(QEvent* event) override;

 private:
  void layoutRows();
  void updateScrollRange();
  int shownHeight() const;
  void focusRow(int index, Qt::FocusReason reason);
  // The first row from `from` on (or back) that takes the focus; -1 if none.
  int nextTaking(int from, bool forward) const;

  const int count_;
  MakeRow make_;
  TakesFocus takesFocus_;
  int maxHeight_;
  std::map<int, QWidget*> rows_;
};

}  // namespace clipvane
