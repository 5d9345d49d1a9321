// The settings tabs' frame and table pieces.
#include "SettingsComponents.h"

#include <QDir>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

#include "AccessibleRole.h"
#include "KitRows.h"
#include "MaterialSymbols.h"
#include "ThemeScrollBar.h"
#include "ports/ApplicationsPort.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

QFont paneFont(double pixelSize, QFont::Weight weight = QFont::Normal) {
  QFont f;
  f.setPixelSize(int(pixelSize));
  f.setWeight(weight);
  return f;
}

// Paints the table's rounded border over its rows: outside the rounded
// rectangle the pane's card colour hides the rows' square corners.
class TableFrame : public QWidget {
 public:
  explicit TableFrame(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    QPainterPath outside;
    outside.addRect(r);
    QPainterPath inside;
    inside.addRoundedRect(r, 6, 6);
    p.fillPath(outside.subtracted(inside), Theme::color(Theme::card));
    QPen pen(Theme::color(Theme::edge), 0.5);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.25, 0.25, -0.25, -0.25), 5.75, 5.75);
  }
};

// One half of the add and remove bar: the outer corners rounded 4.
class BarSegment : public KitButton {
 public:
  BarSegment(QString glyph, bool leftHalf, QWidget* parent)
      : KitButton(parent), glyph_(std::move(glyph)), left_(leftHalf) {
    setFixedSize(24, 20);
    setCursor(Qt::ArrowCursor);
    setAccessibleName(leftHalf ? QStringLiteral("Add") : QStringLiteral("Remove"));
  }

 protected:
  // The half of a rounded plate: round on the outer side only.
  QPainterPath shape() const override {
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const double radius = 4;
    QPainterPath path;
    if (left_) {
      path.moveTo(r.right(), r.top());
      path.lineTo(r.left() + radius, r.top());
      path.quadTo(r.left(), r.top(), r.left(), r.top() + radius);
      path.lineTo(r.left(), r.bottom() - radius);
      path.quadTo(r.left(), r.bottom(), r.left() + radius, r.bottom());
      path.lineTo(r.right(), r.bottom());
    } else {
      path.moveTo(r.left(), r.top());
      path.lineTo(r.right() - radius, r.top());
      path.quadTo(r.right(), r.top(), r.right(), r.top() + radius);
      path.lineTo(r.right(), r.bottom() - radius);
      path.quadTo(r.right(), r.bottom(), r.right() - radius, r.bottom());
      path.lineTo(r.left(), r.bottom());
    }
    path.closeSubpath();
    return path;
  }

  void paintContent(QPainter& p) override {
    const QPainterPath path = shape();
    p.fillPath(path, Theme::color(Theme::card));
    if (isDown()) p.fillPath(path, Theme::color(Theme::fill));
    p.setPen(QPen(Theme::color(Theme::edge), 0.5));
    p.drawPath(path);
    const QRectF glyph(QPointF((width() - 15) / 2.0, (height() - 15) / 2.0), QSizeF(15, 15));
    MaterialSymbol::paint(p, glyph_, glyph, Theme::color(Theme::tx2));
  }

 private:
  QString glyph_;
  bool left_;
};

}  // namespace

// ---- ThemeText ---------------------------------------------------------------

ThemeText::ThemeText(QString text, ThemeColor color, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), color_(color) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  AccessibleRole::setText(*this, text_);
}

void ThemeText::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  setAccessibleName(text_);
  updateGeometry();
  update();
}

void ThemeText::setColor(const ThemeColor& color) {
  color_ = color;
  update();
}

void ThemeText::setAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void ThemeText::setWordWrap(bool wrap) {
  wrap_ = wrap;
  QSizePolicy policy = sizePolicy();
  policy.setHeightForWidth(wrap);
  setSizePolicy(policy);
  updateGeometry();
}

QSize ThemeText::sizeHint() const {
  const QFontMetrics fm(font());
  return {fm.horizontalAdvance(text_) + 1, fm.height()};
}

QSize ThemeText::minimumSizeHint() const {
  if (wrap_) return {0, QFontMetrics(font()).height()};
  return {0, QFontMetrics(font()).height()};
}

int ThemeText::heightForWidth(int width) const {
  const QFontMetrics fm(font());
  return fm.boundingRect(QRect(0, 0, width, 100000), int(alignment_) | Qt::TextWordWrap, text_)
      .height();
}

void ThemeText::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) updateGeometry();
  QWidget::changeEvent(e);
}

void ThemeText::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QColor c = TableRow::textColor(this, color_);
  if (!isEnabled()) c = Theme::color(Theme::dis);
  p.setPen(c);
  if (wrap_) {
    p.drawText(rect(), int(alignment_) | Qt::TextWordWrap, text_);
  } else {
    const QString shown = fontMetrics().elidedText(text_, Qt::ElideRight, width());
    p.drawText(rect(), int(alignment_) | Qt::TextSingleLine, shown);
  }
}

// ---- SettingsPane ------------------------------------------------------------

SettingsPane::SettingsPane(double spacing, QWidget* parent) : QScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ThemeScrollBar::install(*this);
  setWidgetResizable(true);
  setFixedSize(width, height);
  setFont(paneFont(13));
  // The pane's controls take the keyboard (the pane scrolls to them); the
  // pane itself would take it without showing it.
  setFocusPolicy(Qt::NoFocus);

  content_ = new QWidget;
  items_ = new QVBoxLayout(content_);
  items_->setContentsMargins(28, 20, 28, 20);
  items_->setSpacing(int(spacing));
  items_->addStretch(1);
  setWidget(content_);
  // The pane paints the card colour behind the content.
  content_->setAutoFillBackground(false);
  viewport()->setAutoFillBackground(false);
}

void SettingsPane::addItem(QWidget* item, Qt::Alignment alignment) {
  items_->insertWidget(items_->count() - 1, item, 0, alignment);
}

void SettingsPane::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), Theme::color(Theme::card));
}

// ---- SettingsTable -----------------------------------------------------------

SettingsTable::SettingsTable(std::vector<Column> columns, bool checkboxes, QWidget* parent)
    : QWidget(parent), columns_(std::move(columns)), checkboxes_(checkboxes) {
  rowsLayout_ = new QVBoxLayout(this);
  rowsLayout_->setContentsMargins(0, headerHeight, 0, 0);
  rowsLayout_->setSpacing(0);
  rowsLayout_->setSizeConstraint(QLayout::SetMinimumSize);
  auto* frame = new TableFrame(this);
  frame->setObjectName(QStringLiteral("tableFrame"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // The frame follows the table's size and stays above the rows.
  struct Follow : QObject {
    QWidget* frame;
    Follow(QWidget* f, QObject* owner) : QObject(owner), frame(f) {}
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Resize || e->type() == QEvent::ChildAdded) {
        frame->setGeometry(static_cast<QWidget*>(o)->rect());
        frame->raise();
      }
      return false;
    }
  };
  installEventFilter(new Follow(frame, this));
}

TableRow* SettingsTable::addRow(std::vector<QWidget*> cells, bool selected,
                                std::optional<bool> checked) {
  auto* row = new TableRow(columns_, int(rows_.size()), selected, checked, std::move(cells), this);
  rows_.push_back(row);
  rowsLayout_->addWidget(row);
  row->show();
  return row;
}

void SettingsTable::clearRows() {
  for (TableRow* row : rows_) {
    rowsLayout_->removeWidget(row);
    row->hide();
    // Out of the tree at once; deleted later, as its own signal may be running.
    row->setParent(nullptr);
    row->deleteLater();
  }
  rows_.clear();
}

std::vector<int> SettingsTable::titleStarts() const {
  std::vector<int> starts;
  int fixed = 0;
  int flexible = 0;
  for (const auto& c : columns_) {
    if (c.width)
      fixed += int(*c.width);
    else
      ++flexible;
  }
  const int lead = padding + (checkboxes_ ? checkWidth + spacing : 0);
  const int gaps = columns_.empty() ? 0 : spacing * int(columns_.size() - 1);
  const int left = std::max(0, width() - lead - padding - gaps - fixed);
  int x = lead;
  for (const auto& c : columns_) {
    starts.push_back(x);
    x += (c.width ? int(*c.width) : (flexible ? left / flexible : 0)) + spacing;
  }
  return starts;
}

void SettingsTable::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Theme::color(Theme::card));
  p.fillRect(QRect(0, 0, width(), headerHeight), Theme::color(Theme::bar));
  p.setFont(paneFont(12, QFont::DemiBold));
  p.setPen(Theme::color(Theme::tx2));
  const auto starts = titleStarts();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const int x = starts[i];
    const int w = i + 1 < starts.size() ? starts[i + 1] - spacing - x : width() - padding - x;
    p.drawText(QRect(x, 0, std::max(0, w), headerHeight), Qt::AlignLeft | Qt::AlignVCenter,
               columns_[i].title);
  }
}

// ---- TableRow ------------------------------------------------------------------

TableRow::TableRow(const std::vector<SettingsTable::Column>& columns, int index, bool selected,
                   std::optional<bool> checked, std::vector<QWidget*> cells, QWidget* parent)
    : QWidget(parent), index_(index), selected_(selected) {
  setFixedHeight(rowHeight);
  // A row without a checkbox takes the keyboard itself.
  setFocusPolicy(checked ? Qt::NoFocus : Qt::TabFocus);
  auto* layout = new QHBoxLayout(this);
  // The checkbox's focus ring lies outside its box, in the row's padding and
  // the gap after it; the gaps are explicit so that the cells stay under the
  // column titles.
  constexpr int ring = 3;
  layout->setContentsMargins(SettingsTable::padding - (checked ? ring : 0), 0,
                             SettingsTable::padding, 0);
  layout->setSpacing(0);
  if (checked) {
    auto* box = new Checkbox(QString(), this);
    box->setObjectName(QStringLiteral("rowCheckbox"));
    box->setRingRoom(ring);
    box->setFixedSize(box->sizeHint());
    box->setChecked(*checked);
    checkbox_ = box;
    connect(checkbox_, &QAbstractButton::clicked, this, &TableRow::checkToggled);
    layout->addWidget(checkbox_);
    layout->addSpacing(SettingsTable::spacing - ring);
  }
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) layout->addSpacing(SettingsTable::spacing);
    auto* slot = new QWidget(this);
    auto* inner = new QHBoxLayout(slot);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(0);
    if (cells[i]) inner->addWidget(cells[i], 1, Qt::AlignLeft | Qt::AlignVCenter);
    const bool fixed = i < columns.size() && columns[i].width;
    if (fixed) {
      slot->setFixedWidth(int(*columns[i].width));
      layout->addWidget(slot);
    } else {
      slot->setMinimumWidth(0);
      slot->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      layout->addWidget(slot, 1);
    }
  }
}

void TableRow::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  update();
  for (QWidget* child : findChildren<QWidget*>()) child->update();
}

void TableRow::setChecked(bool checked) {
  if (checkbox_) checkbox_->setChecked(checked);
}

QColor TableRow::textColor(const QWidget* inside, const ThemeColor& normal) {
  for (const QWidget* w = inside; w; w = w->parentWidget())
    if (const auto* row = qobject_cast<const TableRow*>(w))
      return row->isSelected() ? QColor(Qt::white) : Theme::color(normal);
  return Theme::color(normal);
}

void TableRow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (selected_)
    p.fillRect(rect(), Theme::color(Theme::acc));
  else if (index_ % 2 == 1)
    p.fillRect(rect(), Theme::color(Theme::bar));
  if (hasFocus()) {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    Kit::paintFocusRing(p, outline, selected_);
  }
}

void TableRow::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit clicked();
  e->accept();
}

void TableRow::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  update();
}

void TableRow::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  update();
}

void TableRow::keyPressEvent(QKeyEvent* e) {
  const bool select = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
                      (!checkbox_ && e->key() == Qt::Key_Space);
  if (!select) {
    QWidget::keyPressEvent(e);
    return;
  }
  e->accept();
  emit clicked();
}

// ---- AddRemoveBar ----------------------------------------------------------------

AddRemoveBar::AddRemoveBar(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  add_ = new BarSegment(QStringLiteral("add"), true, this);
  add_->setObjectName(QStringLiteral("addButton"));
  remove_ = new BarSegment(QStringLiteral("remove"), false, this);
  remove_->setObjectName(QStringLiteral("removeButton"));
  layout->addWidget(add_);
  layout->addWidget(remove_);
  connect(add_, &QAbstractButton::clicked, this, &AddRemoveBar::add);
  connect(remove_, &QAbstractButton::clicked, this, &AddRemoveBar::remove);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AddRemoveBar::setCanRemove(bool can) { remove_->setEnabled(can); }

// ---- AppIcon ------------------------------------------------------------------------

QIcon installedAppIcon(const InstalledApp& app) {
  if (app.icon.isEmpty()) return {};
  if (QDir::isAbsolutePath(app.icon)) return QIcon(app.icon);
  return QIcon::fromTheme(app.icon);
}

namespace {
QIcon protectedAppIcon(const AppSettings::ProtectedApp& app) {
  if (!app.bundleID) return {};
  auto* port = Ports::find<ApplicationsPort>();
  if (!port) return {};
  const auto found = port->application(QString::fromStdU16String(*app.bundleID));
  return found ? installedAppIcon(*found) : QIcon();
}
}  // namespace

AppIcon::AppIcon(AppSettings::ProtectedApp app, QWidget* parent)
    : QWidget(parent), app_(std::move(app)) {
  setFixedSize(16, 16);
}

void AppIcon::setApp(const AppSettings::ProtectedApp& app) {
  app_ = app;
  update();
}

bool AppIcon::hasIcon() const { return !protectedAppIcon(app_).isNull(); }

void AppIcon::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QIcon icon = protectedAppIcon(app_);
  if (!icon.isNull()) {
    icon.paint(&p, rect());
    return;
  }
  QPainterPath square;
  square.addRoundedRect(QRectF(rect()), 4, 4);
  p.fillPath(square, Theme::color(Theme::fill));
}

}  // namespace clipvane
