// The review card: header, summary or item list, footer; its keep set and keys.
#include "ReviewView.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QTextLayout>
#include <QVBoxLayout>

#include "FloatingPanel.h"
#include "GlassChrome.h"
#include "HotkeyText.h"
#include "Kit.h"
#include "KitRows.h"
#include "ReviewText.h"
#include "TextLine.h"

namespace clipvane {

namespace {

constexpr int padding = 12;
constexpr int previewLines = 5;

// The preview of the pasted text: at most five lines on a rounded row; a
// click opens the item list.
class PreviewButton : public QAbstractButton {
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
    setFixedHeight(laidOut(false).height + 20);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath row;
    row.addRoundedRect(QRectF(rect()), 12, 12);
    p.fillPath(row, Theme::color(Theme::glassRow));
    p.setPen(Theme::color(Theme::tx));
    Laid laid = laidOut(true);
    const QPointF origin(12, 10);
    for (int i = 0; i < laid.layout->lineCount(); ++i) {
      const QTextLine line = laid.layout->lineAt(i);
      const bool last = i == laid.layout->lineCount() - 1;
      if (last && laid.cut) {
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
  struct Laid {
    std::unique_ptr<QTextLayout> layout;
    int height = 0;
    bool cut = false;
  };

  double textWidth() const { return width() - 24.0; }

  Laid laidOut(bool colours) const {
    const std::vector<ReviewText::Run> runs = ReviewText::preview(session_, keep_);
    QString text;
    QList<QTextLayout::FormatRange> formats;
    for (const ReviewText::Run& run : runs) {
      if (run.color && colours) {
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
    Laid laid{std::make_unique<QTextLayout>(text, font()), 0, false};
    laid.layout->setFormats(formats);
    laid.layout->beginLayout();
    double y = 0;
    for (int n = 0; n < previewLines; ++n) {
      QTextLine line = laid.layout->createLine();
      if (!line.isValid()) break;
      line.setLineWidth(ReviewView::cardWidth - 2 * padding - 24);
      line.setPosition(QPointF(0, y));
      y += line.height();
      laid.cut = line.textStart() + line.textLength() < text.size();
    }
    laid.layout->endLayout();
    laid.height = std::max(int(std::ceil(y)), fontMetrics().height());
    return laid;
  }

  const ReviewSession& session_;
  const std::set<int>& keep_;
};

// A vertical list on a rounded row background, clipped to it.
class ItemList : public QScrollArea {
 public:
  ItemList() {
    setObjectName(QStringLiteral("itemList"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);
  }

  // The list's height: its content's, at most the cap.
  void fit() {
    if (!widget()) return;
    setFixedHeight(std::min(widget()->sizeHint().height(), ReviewView::listMaxHeight));
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width(), height()), 12, 12);
    viewport()->setMask(QRegion(outline.toFillPolygon().toPolygon()));
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QScrollArea::resizeEvent(event);
    fit();
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(viewport());
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath row;
    row.addRoundedRect(QRectF(viewport()->rect()), 12, 12);
    p.fillPath(row, Theme::color(Theme::glassRow));
  }
};

}  // namespace

ReviewView::ReviewView(ReviewSession session, Done done, QWidget* parent)
    : QWidget(parent), session_(std::move(session)), done_(std::move(done)) {
  setObjectName(QStringLiteral("review"));
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
  auto* back = new RoundIconButton(QStringLiteral("chevron_left"), 28, 17, false, true);
  back->setObjectName(QStringLiteral("backButton"));
  back_ = back;
  connect(back, &QAbstractButton::clicked, this, [this] { setShowItems(false); });
  header->addWidget(dot_);
  header->addWidget(back_);
  auto* title =
      new TextLine(ReviewText::title(session_.found.size()), Kit::font(15, QFont::Bold), Theme::tx);
  title->setObjectName(QStringLiteral("reviewTitle"));
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
  items_ = new ItemList;
  auto* rows = new QWidget;
  auto* list = new QVBoxLayout(rows);
  list->setContentsMargins(0, 0, 0, 0);
  list->setSpacing(0);
  for (int i = 0; i < int(session_.found.size()); ++i) {
    const Finding& f = session_.found[std::size_t(i)];
    const bool locked = session_.locked.count(i) > 0;
    auto* toggle = new SimpleSwitch;
    toggle->setObjectName(QStringLiteral("switch%1").arg(i));
    toggle->setChecked(true);
    toggle->setEnabled(!locked);
    connect(toggle, &QAbstractButton::toggled, this, [this, i](bool on) { setRowMasked(i, on); });
    switches_.push_back(toggle);
    auto* row =
        new GroupedRow(QString::fromUtf8(f.kind.materialIcon()), locked ? Theme::bad : Theme::tx,
                       QString::fromStdU16String(f.label), ReviewText::shown(f), i > 0, toggle);
    row->setObjectName(QStringLiteral("row%1").arg(i));
    list->addWidget(row);
  }
  items_->setWidget(rows);
  rows->setAutoFillBackground(false);  // the list's rounded fill shows through
  column->addWidget(items_);

  // Footer: Cancel (Escape) and Paste (Return).
  auto* footer = new QHBoxLayout;
  footer->setSpacing(8);
  footer->addStretch(1);
  auto* cancelButton = new PillButton(QStringLiteral("Cancel"), false, 32);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  auto* pasteButton = new PillButton(QStringLiteral("Paste"), true, 32);
  pasteButton->setObjectName(QStringLiteral("pasteButton"));
  connect(cancelButton, &QAbstractButton::clicked, this, &ReviewView::cancel);
  connect(pasteButton, &QAbstractButton::clicked, this, &ReviewView::paste);
  footer->addWidget(cancelButton);
  footer->addWidget(pasteButton);
  column->addLayout(footer);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(new GlassFrame(GlassShape::rounded20, card));
  outer->setSizeConstraint(QLayout::SetFixedSize);
  changed();
}

std::set<int> ReviewView::keepable() const {
  std::set<int> all;
  for (int i = 0; i < int(session_.found.size()); ++i)
    if (!session_.locked.count(i)) all.insert(i);
  return all;
}

bool ReviewView::original() const {
  const std::set<int> all = keepable();
  return !all.empty() && keep_.size() == all.size();
}

bool ReviewView::rowMasked(int index) const {
  return session_.locked.count(index) > 0 || keep_.count(index) == 0;
}

void ReviewView::chooseMasked() {
  keep_.clear();
  changed();
}

void ReviewView::chooseOriginal() {
  keep_ = keepable();
  changed();
}

void ReviewView::setRowMasked(int index, bool masked) {
  if (index < 0 || index >= int(session_.found.size()) || session_.locked.count(index)) return;
  if (masked)
    keep_.erase(index);
  else
    keep_.insert(index);
  changed();
}

void ReviewView::setShowItems(bool show) {
  showItems_ = show;
  changed();
}

void ReviewView::paste() { answer(keep_); }
void ReviewView::cancel() { answer(std::nullopt); }

void ReviewView::answer(const std::optional<std::set<int>>& keep) {
  if (std::exchange(answered_, true)) return;
  if (done_) done_(keep);
}

void ReviewView::changed() {
  dot_->setVisible(!showItems_);
  back_->setVisible(showItems_);
  if (keyCap_) keyCap_->setVisible(!showItems_);
  summary_->setVisible(!showItems_);
  items_->setVisible(showItems_);
  const bool all = original();
  maskedTile_->setSelected(!all);
  originalTile_->setSelected(all);
  originalTile_->setEnabled(!keepable().empty());
  for (int i = 0; i < int(switches_.size()); ++i) {
    const QSignalBlocker quiet(switches_[std::size_t(i)]);
    switches_[std::size_t(i)]->setChecked(rowMasked(i));
  }
  static_cast<PreviewButton*>(previewButton_)->refresh();
  if (showItems_) static_cast<ItemList*>(items_)->fit();
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

void ReviewView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Keys reach the card even while no control has been chosen.
  if (!focusWidget()) setFocus(Qt::OtherFocusReason);
}

}  // namespace clipvane
