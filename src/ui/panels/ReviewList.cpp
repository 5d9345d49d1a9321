// The review's item list, rows made as they scroll in.
#include "ReviewList.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <algorithm>

#include "Kit.h"
#include "Theme.h"
#include "ThemeScrollBar.h"

namespace clipvane {

namespace {

constexpr int defaultMaxHeight = 220;
constexpr int corner = 12;

}  // namespace

ReviewList::ReviewList(int count, MakeRow make, TakesFocus takesFocus, QWidget* parent)
    : QAbstractScrollArea(parent),
      count_(std::max(0, count)),
      make_(std::move(make)),
      takesFocus_(std::move(takesFocus)),
      maxHeight_(defaultMaxHeight) {
  setObjectName(QStringLiteral("itemList"));
  setFrameShape(QFrame::NoFrame);
  // The rows take the keyboard, not the list around them.
  setFocusPolicy(Qt::NoFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAutoFillBackground(false);
  ThemeScrollBar::install(*this);
  verticalScrollBar()->setSingleStep(rowHeight / 2);
  setFixedHeight(fittingHeight());
  // The first rows stand ready before the list is first shown.
  updateScrollRange();
  layoutRows();
}

void ReviewList::setMaxHeight(int height) {
  maxHeight_ = std::max(rowHeight, height);
  setFixedHeight(fittingHeight());
  updateScrollRange();
  layoutRows();
}

int ReviewList::fittingHeight() const {
  return int(std::min<qint64>(qint64(count_) * rowHeight, maxHeight_));
}

QWidget* ReviewList::row(int index) const {
  const auto found = rows_.find(index);
  return found == rows_.end() ? nullptr : found->second;
}

void ReviewList::forEachRow(const std::function<void(int, QWidget*)>& visit) const {
  for (const auto& [index, row] : rows_) visit(index, row);
}

void ReviewList::scrollTo(int index) {
  if (index < 0 || index >= count_) return;
  QScrollBar* bar = verticalScrollBar();
  const int top = index * rowHeight;
  const int bottom = top + rowHeight;
  if (top < bar->value())
    bar->setValue(top);
  else if (bottom > bar->value() + shownHeight())
    bar->setValue(bottom - shownHeight());
  layoutRows();
}

int ReviewList::focusedRow() const {
  // The window's focus child: the panel holds the keyboard whether or not
  // it is the active window.
  const QWidget* focus = window()->focusWidget();
  if (!focus) return -1;
  for (const auto& [index, row] : rows_)
    if (row == focus || row->isAncestorOf(focus)) return index;
  return -1;
}

int ReviewList::nextTaking(int from, bool forward) const {
  for (int i = from; i >= 0 && i < count_; i += forward ? 1 : -1)
    if (!takesFocus_ || takesFocus_(i)) return i;
  return -1;
}

bool ReviewList::enter(bool forward, Qt::FocusReason reason) {
  if (count_ == 0) return false;
  const int top = verticalScrollBar()->value();
  const int first = std::min(count_ - 1, top / rowHeight);
  const int last = std::min(count_ - 1, (top + std::max(1, shownHeight()) - 1) / rowHeight);
  int index = nextTaking(forward ? first : last, forward);
  if (index < 0) index = nextTaking(forward ? first - 1 : last + 1, !forward);
  if (index < 0) return false;
  focusRow(index, reason);
  return true;
}

bool ReviewList::step(bool forward, Qt::FocusReason reason) {
  const int from = focusedRow();
  if (from < 0) return false;
  const int index = nextTaking(from + (forward ? 1 : -1), forward);
  if (index < 0) return false;
  focusRow(index, reason);
  return true;
}

void ReviewList::focusRow(int index, Qt::FocusReason reason) {
  scrollTo(index);
  if (QWidget* r = row(index)) r->setFocus(reason);
}

int ReviewList::shownHeight() const {
  // The list's own height: no frame and no horizontal bar take from it, and
  // unlike the viewport's it holds before the list is first laid out.
  return height();
}

void ReviewList::updateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  const qint64 content = qint64(count_) * rowHeight;
  bar->setPageStep(shownHeight());
  bar->setRange(0, int(std::max<qint64>(0, content - shownHeight())));
}

void ReviewList::layoutRows() {
  const int top = verticalScrollBar()->value();
  const int height = shownHeight();
  const int width = viewport()->width();
  const int first = top / rowHeight;
  const int last = std::min(count_ - 1, (top + std::max(0, height - 1)) / rowHeight);
  const int focused = focusedRow();

  // Rows that left the screen go, but not the one the keyboard is on.
  for (auto it = rows_.begin(); it != rows_.end();) {
    if ((it->first < first || it->first > last) && it->first != focused) {
      QWidget* gone = it->second;
      gone->hide();
      // Deleted later: it may be the receiver of the event that scrolled.
      gone->setParent(nullptr);
      gone->deleteLater();
      it = rows_.erase(it);
    } else {
      ++it;
    }
  }
  if (height > 0)
    for (int i = first; i <= last; ++i) {
      if (rows_.count(i)) continue;
      QWidget* made = make_(i);
      made->setParent(viewport());
      rows_.emplace(i, made);
      made->show();
    }
  for (const auto& [index, row] : rows_)
    row->setGeometry(0, index * rowHeight - top, width, rowHeight);
  viewport()->update();
}

void ReviewList::scrollContentsBy(int, int) { layoutRows(); }

void ReviewList::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange();
  // The plate's rounded outline clips the rows too.
  QPainterPath outline;
  outline.addRoundedRect(QRectF(viewport()->rect()), corner, corner);
  viewport()->setMask(QRegion(outline.toFillPolygon().toPolygon()));
  layoutRows();
}

void ReviewList::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  updateScrollRange();
  layoutRows();
}

bool ReviewList::event(QEvent* event) {
  if (event->type() != QEvent::Paint) return QAbstractScrollArea::event(event);
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath plate;
  plate.addRoundedRect(QRectF(rect()), corner, corner);
  p.fillPath(plate, Theme::color(Theme::glassRow));
  // The edge the glass would give the list: white on white without it.
  QPainterPath edge;
  edge.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), corner - 0.5, corner - 0.5);
  p.strokePath(edge, QPen(Theme::color(Theme::glassEdge), 1));
  return true;
}

}  // namespace clipvane
