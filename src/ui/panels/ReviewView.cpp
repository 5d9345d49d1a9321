// The review card: header, summary or item list, footer; its keep set and keys.
#include "ReviewView.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QVBoxLayout>

#include "AccessibleRole.h"
#include "FloatingPanel.h"
#include "GlassChrome.h"
#include "HotkeyText.h"
#include "Kit.h"
#include "KitRows.h"
#include "ReviewList.h"
#include "ReviewText.h"
#include "TextLine.h"

namespace clipvane {

namespace {

constexpr int padding = 12;
constexpr int textInset = 12;  // the preview's text inside its row
constexpr int textTop = 10;
// The first stretch of text the preview lays out; more is made only when it
// does not fill the lines (a text of narrow characters).
constexpr qsizetype firstPreviewLimit = 1024;
// Characters beyond the last shown line that settle where that line breaks.
constexpr qsizetype breakSlack = 8;

// The preview of the pasted text: at most five lines on a rounded row; a
// click opens the item list. The text is made and laid out once per keep
// set, and only as much of it as the lines show.
class PreviewButton : public KitButton {
 public:
  PreviewButton(const ReviewSession& session, const std::set<int>& keep)
      : session_(session), keep_(keep) {
    setObjectName(QStringLiteral("previewButton"));
    setFont(Kit::font(13));
    setCursor(Qt::PointingHandCursor);
    setFixedWidth(ReviewView::cardWidth - 2 * padding);
    refresh();
  }

  // The keep set changed: the text and its height may have.
  void refresh() {
    for (qsizetype limit = firstPreviewLimit;; limit *= 4) {
      bool whole = true;
      runs_ = ReviewText::preview(session_, keep_, limit, &whole);
      if (layOut(whole) || whole) break;
    }
    setFixedHeight(height_ + 2 * textTop);
    update();
  }

  // The text as laid out, line by line (for tests).
  QStringList lines() const {
    QStringList out;
    for (int i = 0; layout_ && i < layout_->lineCount(); ++i) {
      const QTextLine line = layout_->lineAt(i);
      out << layout_->text().mid(line.textStart(), line.textLength());
    }
    return out;
  }

 protected:
  QPainterPath shape() const override { return Kit::continuousRect(QRectF(rect()), 12); }

  void paintContent(QPainter& p) override {
    p.fillPath(shape(), Theme::color(Theme::glassRow));
    // The edge the glass would give the box: white on white without it.
    p.strokePath(Kit::continuousRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 11.5),
                 QPen(Theme::color(Theme::glassEdge), 1));
    // The labels' colours are the scheme's: a new scheme lays the text out again.
    if (scheme_ != Theme::scheme()) layOut(whole_);
    p.setPen(Theme::color(Theme::tx));
    const QPointF origin(textInset, textTop);
    for (int i = 0; i < layout_->lineCount(); ++i) {
      const QTextLine line = layout_->lineAt(i);
      const bool last = i == layout_->lineCount() - 1;
      if (last && cut_) {
        // The fifth line ends in an ellipsis when more text follows.
        const QString more = QStringLiteral("…");
        const double room = textWidth() - fontMetrics().horizontalAdvance(more);
        p.save();
        p.setClipRect(QRectF(origin.x(), origin.y() + line.y(), room, line.height()));
        line.draw(&p, origin);
        p.restore();
        const double end = std::min(line.naturalTextWidth(), room);
        p.drawText(QPointF(origin.x() + end, origin.y() + line.y() + line.ascent()), more);
      } else {
        line.draw(&p, origin);
      }
    }
  }

 private:
  static double textWidth() { return ReviewView::cardWidth - 2 * padding - 2 * textInset; }

  // Lays out the runs made; true when the lines shown are settled: the text
  // was whole, or enough of it follows the last line shown.
  bool layOut(bool whole) {
    scheme_ = Theme::scheme();
    whole_ = whole;
    QString text;
    QList<QTextLayout::FormatRange> formats;
    for (const ReviewText::Run& run : runs_) {
      if (run.color) {
        QColor c = Theme::color(*run.color);
        QTextCharFormat format;
        format.setForeground(c);
        c.setAlphaF(c.alphaF() * 0.12f);
        format.setBackground(c);
        formats.append({int(text.size()), int(run.text.size()), format});
      }
      text += run.text;
    }
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout_ = std::make_unique<QTextLayout>(text, font());
    QTextOption option;
    // A word longer than the row (a key, a base64 blob) breaks where the row ends.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_->setTextOption(option);
    layout_->setFormats(formats);
    layout_->beginLayout();
    double y = 0;
    qsizetype end = 0;
    int lines = 0;
    for (; lines < ReviewView::previewLines; ++lines) {
      QTextLine line = layout_->createLine();
      if (!line.isValid()) break;
      line.setLineWidth(textWidth());
      line.setPosition(QPointF(0, y));
      y += line.height();
      end = line.textStart() + line.textLength();
    }
    layout_->endLayout();
    height_ = std::max(int(std::ceil(y)), fontMetrics().height());
    cut_ = !whole || end < text.size();
    return whole || (lines == ReviewView::previewLines && end + breakSlack <= text.size());
  }

  const ReviewSession& session_;
  const std::set<int>& keep_;
  std::vector<ReviewText::Run> runs_;
  std::unique_ptr<QTextLayout> layout_;
  Scheme scheme_ = Scheme::light;
  int height_ = 0;
  bool whole_ = true;  // the runs hold the whole preview
  bool cut_ = false;   // more text follows the last line shown
};

}  // namespace

ReviewView::ReviewView(ReviewSession session, Done done, QWidget* parent)
    : QWidget(parent), session_(std::move(session)), done_(std::move(done)) {
  setObjectName(QStringLiteral("review"));
  const int count = int(session_.found.size());
  keepableCount_ = std::size_t(count);
  for (int i : session_.locked)
    if (i >= 0 && i < count) --keepableCount_;

  auto* card = new QWidget;
  card->setObjectName(QStringLiteral("reviewCard"));
  card->setFixedWidth(cardWidth);
  card->setFont(Kit::font(13));
  auto* column = new QVBoxLayout(card);
  column->setContentsMargins(padding, padding, padding, padding);
  column->setSpacing(12);

  // Header: the dot (or, in the list, the way back), the count, the hot key.
  auto* header = new QHBoxLayout;
  header->setSpacing(8);
  const bool anyLocked = !session_.locked.empty();
  dot_ = new StatusDot(anyLocked ? QStringLiteral("block") : QStringLiteral("priority_high"),
                       anyLocked ? Theme::bad : Theme::att, 28);
  dot_->setObjectName(QStringLiteral("reviewDot"));
  back_ = new RoundIconButton(QStringLiteral("chevron_left"), 28, 17, false, true);
  back_->setObjectName(QStringLiteral("backButton"));
  AccessibleRole::set(*back_, QAccessible::Button);
  back_->setAccessibleName(QStringLiteral("Back"));
  connect(back_, &QAbstractButton::clicked, this, [this] { setShowItems(false); });
  header->addWidget(dot_);
  header->addWidget(back_);
  auto* title =
      new TextLine(ReviewText::title(session_.found.size()), Kit::font(15, QFont::Bold), Theme::tx);
  title->setObjectName(QStringLiteral("reviewTitle"));
  title->giveWay();  // the key cap is never cut
  header->addWidget(title);
  header->addSpacing(8);
  header->addStretch(1);
  if (const QString keys = hotkeyText(session_.hotkey); !keys.isEmpty()) {
    keyCap_ = new KeyCap(keys);
    keyCap_->setObjectName(QStringLiteral("reviewKeyCap"));
    header->addWidget(keyCap_);
  }
  column->addLayout(header);

  // Summary: the preview, then masked or original.
  summary_ = new QWidget;
  auto* summary = new QVBoxLayout(summary_);
  summary->setContentsMargins(0, 0, 0, 0);
  summary->setSpacing(12);
  auto* preview = new PreviewButton(session_, keep_);
  previewButton_ = preview;
  connect(preview, &QAbstractButton::clicked, this, [this] { setShowItems(true); });
  summary->addWidget(preview);
  auto* tiles = new QHBoxLayout;
  tiles->setSpacing(8);
  maskedTile_ = new ChoiceTile(QStringLiteral("visibility_off"), QStringLiteral("Masked"), true, 72,
                               Theme::glassRow);
  maskedTile_->setObjectName(QStringLiteral("maskedTile"));
  originalTile_ = new ChoiceTile(QStringLiteral("visibility"), QStringLiteral("Original"), false,
                                 72, Theme::glassRow);
  originalTile_->setObjectName(QStringLiteral("originalTile"));
  connect(maskedTile_, &QAbstractButton::clicked, this, &ReviewView::chooseMasked);
  connect(originalTile_, &QAbstractButton::clicked, this, &ReviewView::chooseOriginal);
  tiles->addWidget(maskedTile_);
  tiles->addWidget(originalTile_);
  summary->addLayout(tiles);
  column->addWidget(summary_);

  // The item list: one row per finding, its switch on while it is masked.
  items_ = new ReviewList(
      count, [this](int i) { return makeRow(i); },
      [this](int i) { return session_.locked.count(i) == 0; });
  column->addWidget(items_);

  // Footer: Cancel (Escape) and Paste (Return).
  auto* footer = new QHBoxLayout;
  footer->setSpacing(8);
  footer->addStretch(1);
  cancelButton_ = new PillButton(QStringLiteral("Cancel"), false, 32);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  pasteButton_ = new PillButton(QStringLiteral("Paste"), true, 32);
  pasteButton_->setObjectName(QStringLiteral("pasteButton"));
  connect(cancelButton_, &QAbstractButton::clicked, this, &ReviewView::cancel);
  connect(pasteButton_, &QAbstractButton::clicked, this, &ReviewView::paste);
  footer->addWidget(cancelButton_);
  footer->addWidget(pasteButton_);
  column->addLayout(footer);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(new GlassFrame(GlassShape::rounded20, card));
  outer->setSizeConstraint(QLayout::SetFixedSize);
  changed(false);
}

QWidget* ReviewView::makeRow(int i) {
  const Finding& f = session_.found[std::size_t(i)];
  const bool locked = session_.locked.count(i) > 0;
  auto* toggle = new SimpleSwitch;
  toggle->setObjectName(QStringLiteral("switch%1").arg(i));
  // Named by the kind only: the value stays off the accessibility bus.
  toggle->setAccessibleName(QStringLiteral("Mask ") + QString::fromStdU16String(f.label));
  toggle->setChecked(rowMasked(i));
  toggle->setEnabled(!locked);
  connect(toggle, &QAbstractButton::toggled, this, [this, i](bool on) { setRowMasked(i, on); });
  auto* row =
      new GroupedRow(QString::fromUtf8(f.kind.materialIcon()), locked ? Theme::bad : Theme::tx,
                     QString::fromStdU16String(f.label), ReviewText::shown(f), i > 0, toggle);
  row->setObjectName(QStringLiteral("row%1").arg(i));
  row->setFocusProxy(toggle);
  return row;
}

QStringList ReviewView::previewShown() const {
  return static_cast<const PreviewButton*>(previewButton_)->lines();
}

std::set<int> ReviewView::keepable() const {
  std::set<int> all;
  for (int i = 0; i < int(session_.found.size()); ++i)
    if (!session_.locked.count(i)) all.insert(i);
  return all;
}

bool ReviewView::original() const { return keepableCount_ > 0 && keep_.size() == keepableCount_; }

bool ReviewView::rowMasked(int index) const {
  return session_.locked.count(index) > 0 || keep_.count(index) == 0;
}

void ReviewView::chooseMasked() {
  keep_.clear();
  changed(true);
}

void ReviewView::chooseOriginal() {
  keep_ = keepable();
  changed(true);
}

void ReviewView::setRowMasked(int index, bool masked) {
  if (index < 0 || index >= int(session_.found.size()) || session_.locked.count(index)) return;
  if (masked)
    keep_.erase(index);
  else
    keep_.insert(index);
  changed(true);
}

void ReviewView::setShowItems(bool show) {
  if (show == showItems_) return;
  // The control the keyboard was on goes with the mode: its counterpart in
  // the other mode takes the focus (the way back, or the preview again).
  const auto* focus = dynamic_cast<const KitButton*>(focusWidget());
  const bool ring = focus && focus->showsFocus();
  const bool leaving = focus && (show ? summary_->isAncestorOf(focus)
                                      : focus == back_ || items_->isAncestorOf(focus));
  showItems_ = show;
  changed(false);
  if (!leaving) return;
  if (ring)
    (show ? static_cast<QWidget*>(back_) : previewButton_)->setFocus(Qt::TabFocusReason);
  else
    setFocus(Qt::OtherFocusReason);  // keys still reach the card
}

void ReviewView::paste() { answer(keep_); }
void ReviewView::cancel() { answer(std::nullopt); }

void ReviewView::answer(const std::optional<std::set<int>>& keep) {
  if (std::exchange(answered_, true)) return;
  if (done_) done_(keep);
}

void ReviewView::changed(bool keepChanged) {
  dot_->setVisible(!showItems_);
  back_->setVisible(showItems_);
  if (keyCap_) keyCap_->setVisible(!showItems_);
  summary_->setVisible(!showItems_);
  items_->setVisible(showItems_);
  const bool all = original();
  maskedTile_->setSelected(!all);
  originalTile_->setSelected(all);
  originalTile_->setEnabled(keepableCount_ > 0);
  items_->forEachRow([this](int i, QWidget* row) {
    if (auto* toggle = qobject_cast<QAbstractButton*>(row->focusProxy())) {
      const QSignalBlocker quiet(toggle);
      toggle->setChecked(rowMasked(i));
    }
  });
  if (keepChanged) static_cast<PreviewButton*>(previewButton_)->refresh();
  if (auto* panel = qobject_cast<FloatingPanel*>(window())) panel->fitContent();
}

void ReviewView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      cancel();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      paste();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

bool ReviewView::focusNextPrevChild(bool next) {
  const Qt::FocusReason reason = next ? Qt::TabFocusReason : Qt::BacktabFocusReason;
  // Inside the list, Tab goes row by row before it leaves the list.
  if (items_->isVisibleTo(this) && items_->step(next, reason)) return true;

  // The stops in reading order; null stands for the list.
  const std::vector<QWidget*> stops{back_,   previewButton_, maskedTile_, originalTile_,
                                    nullptr, cancelButton_,  pasteButton_};
  const auto takes = [this](QWidget* stop) {
    if (!stop) return items_->isVisibleTo(this);
    return stop->isVisibleTo(this) && stop->isEnabled() && (stop->focusPolicy() & Qt::TabFocus);
  };
  const QWidget* focus = focusWidget();
  int at = -1;
  for (int i = 0; i < int(stops.size()); ++i)
    if (stops[std::size_t(i)] ? stops[std::size_t(i)] == focus : items_->focusedRow() >= 0) at = i;
  const int n = int(stops.size());
  // From nowhere, Tab starts at the first stop and Backtab at the last.
  int i = at < 0 ? (next ? -1 : n) : at;
  for (int tries = 0; tries < n; ++tries) {
    i = ((next ? i + 1 : i - 1) % n + n) % n;
    QWidget* stop = stops[std::size_t(i)];
    if (!takes(stop)) continue;
    if (!stop) {
      if (items_->enter(next, reason)) return true;
      continue;
    }
    stop->setFocus(reason);
    return true;
  }
  return false;
}

void ReviewView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Keys reach the card even while no control has been chosen.
  if (!focusWidget()) setFocus(Qt::OtherFocusReason);
}

}  // namespace clipvane
