// The activity window's list, its model and the switch to an entry's detail.
#include "ActivityView.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "AppModel.h"
#include "DetectWidgets.h"
#include "EntryView.h"
#include "Kit.h"
#include "KitRows.h"
#include "LocaleText.h"
#include "MaterialSymbols.h"
#include "ThemeScrollBar.h"
#include "WindowKit.h"
#include "WindowManager.h"

namespace clipvane {

namespace {

QString qs(std::u16string_view s) { return QString::fromStdU16String(std::u16string(s)); }

QDate localDay(Date date) {
  return QDateTime::fromMSecsSinceEpoch(
             std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count())
      .date();
}

const ThemeColor& outcomeTint(ActivityEntry::Outcome outcome) {
  switch (outcome) {
    case ActivityEntry::Outcome::hidden:
      return Theme::acc;
    case ActivityEntry::Outcome::blocked:
      return Theme::bad;
    case ActivityEntry::Outcome::kept:
      break;
  }
  return Theme::gray;
}

// One clickable entry row: the whole rectangle opens the entry, and so do
// Return and Space once Tab has brought the focus (and its ring) to it.
class EntryRow : public QAbstractButton {
 public:
  EntryRow(QWidget* content, QWidget* parent = nullptr) : QAbstractButton(parent) {
    // Only the keyboard focuses a row: a click opens it at once.
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(content);
    setCursor(Qt::PointingHandCursor);
    // As narrow as its content may shrink (its value cut in the middle), not
    // as wide as its whole text: a long place would push the row past the
    // window.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!hasFocus()) return;
    QPainter p(this);
    Kit::paintFocusRing(p, Kit::continuousRect(QRectF(rect()).adjusted(1, 1, -1, -1), 10), false);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      click();
      return;
    }
    QAbstractButton::keyPressEvent(e);
  }
};

// The search text on the field's own plate: no background of its own.
class SearchField : public QLineEdit {
 protected:
  void paintEvent(QPaintEvent* e) override {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::color(Theme::tx));
    palette.setColor(QPalette::PlaceholderText, Theme::color(Theme::dis));
    if (palette != this->palette()) setPalette(palette);
    QLineEdit::paintEvent(e);
  }
};

}  // namespace

// ---- model ------------------------------------------------------------------

QString ActivityModel::filterName(Filter f) {
  switch (f) {
    case Filter::masked:
      return QStringLiteral("Masked");
    case Filter::blocked:
      return QStringLiteral("Blocked");
    case Filter::all:
      break;
  }
  return QStringLiteral("All");
}

ActivityModel::ActivityModel(QObject* parent) : QAbstractListModel(parent) {}

void ActivityModel::setHistory(std::vector<ActivityEntry> history) {
  history_ = std::move(history);
  recompute();
}

void ActivityModel::setFilter(Filter filter) {
  if (filter == filter_) return;
  filter_ = filter;
  recompute();
}

void ActivityModel::setSearch(const QString& search) {
  if (search == search_) return;
  search_ = search;
  recompute();
}

void ActivityModel::recompute() {
  beginResetModel();
  shown_.clear();
  // The history is stored oldest first and its dates are kept to the second:
  // taken from the end, entries of the same second stay newest first through
  // the stable sort.
  for (auto it = history_.rbegin(); it != history_.rend(); ++it) {
    const ActivityEntry& e = *it;
    if (filter_ == Filter::masked && e.outcome != ActivityEntry::Outcome::hidden) continue;
    if (filter_ == Filter::blocked && e.outcome != ActivityEntry::Outcome::blocked) continue;
    if (!search_.isEmpty() && !title(e).contains(search_, Qt::CaseInsensitive) &&
        !qs(e.place).contains(search_, Qt::CaseInsensitive))
      continue;
    shown_.push_back(e);
  }
  std::stable_sort(shown_.begin(), shown_.end(),
                   [](const ActivityEntry& a, const ActivityEntry& b) { return a.date > b.date; });
  endResetModel();
}

int ActivityModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(shown_.size());
}

QVariant ActivityModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const ActivityEntry& e = entry(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return title(e);
    case glyphRole:
      return glyph(e);
    case outcomeRole:
      return int(e.outcome);
    case valueRole:
      return qs(e.place) + QStringLiteral(" · ") + LocaleText::skeleton(e.date, u"jmm");
    case dayRole:
      return dayTitle(e.date, Clock::now());
    case idRole:
      return QString::fromStdString(e.id.string());
    default:
      return {};
  }
}

QString ActivityModel::title(const ActivityEntry& entry) {
  if (entry.outcome == ActivityEntry::Outcome::kept)
    return LocaleText::count(entry.kept) + QStringLiteral(" kept as is");
  const QString word = entry.outcome == ActivityEntry::Outcome::blocked ? QStringLiteral("blocked")
                                                                        : QStringLiteral("masked");
  if (entry.counts.size() == 1) {
    const auto& [kind, n] = *entry.counts.begin();
    const QString label = qs(kind.label());
    return (n == 1 ? label : AppModel::counted(n, label)) + u' ' + word;
  }
  return LocaleText::count(entry.hiddenCount()) + QStringLiteral(" items ") + word;
}

QString ActivityModel::glyph(const ActivityEntry& entry) {
  if (entry.outcome == ActivityEntry::Outcome::blocked) return QStringLiteral("block");
  if (entry.counts.size() == 1)
    return QString::fromUtf8(entry.counts.begin()->first.materialIcon().data(),
                             qsizetype(entry.counts.begin()->first.materialIcon().size()));
  return QStringLiteral("description");
}

QString ActivityModel::dayTitle(Date date, Date now) {
  const QDate day = localDay(date);
  const QDate today = localDay(now);
  if (day == today) return QStringLiteral("Today");
  if (day == today.addDays(-1)) return QStringLiteral("Yesterday");
  return LocaleText::skeleton(date, u"MMMd");
}

// ---- view -------------------------------------------------------------------

ActivityView::ActivityView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), list_(this) {
  setObjectName(QStringLiteral("activityView"));
  setFont(Kit::font(13));
  setMinimumSize(420, 360);
  pages_ = new QStackedWidget;
  plateColumn(this, Theme::grouped, {}, 0)->addWidget(pages_);

  auto* listPage = new QWidget;
  auto* column = new QVBoxLayout(listPage);
  column->setContentsMargins(24, 16, 24, 24);
  column->setSpacing(12);
  auto* header = new QHBoxLayout;
  header->setSpacing(12);
  QStringList names;
  for (auto f :
       {ActivityModel::Filter::all, ActivityModel::Filter::masked, ActivityModel::Filter::blocked})
    names << ActivityModel::filterName(f);
  filterControl_ =
      new SegmentedControl(names, 0, [this](int i) { list_.setFilter(ActivityModel::Filter(i)); });
  filterControl_->setObjectName(QStringLiteral("filter"));
  header->addWidget(filterControl_);
  header->addStretch();
  auto* searchPlate = new Plate(Theme::fill, 9);
  // 200 wide where there is room; it gives way before the filter does.
  searchPlate->setFixedHeight(30);
  searchPlate->setMinimumWidth(120);
  searchPlate->setMaximumWidth(200);
  searchPlate->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* searchRow = new QHBoxLayout(searchPlate);
  searchRow->setContentsMargins(10, 0, 10, 0);
  searchRow->setSpacing(6);
  searchRow->addWidget(new MaterialIcon(QStringLiteral("search"), 17, Theme::tx2));
  auto* search = new SearchField;
  search->setObjectName(QStringLiteral("search"));
  search->setPlaceholderText(QStringLiteral("Search"));
  search->setAccessibleName(QStringLiteral("Search"));
  search->setFrame(false);
  search->setFont(Kit::font(13));
  connect(search, &QLineEdit::textChanged, this, [this](const QString& t) { list_.setSearch(t); });
  searchRow->addWidget(search, 1);
  header->addWidget(searchPlate);
  column->addLayout(header);

  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("scroll"));
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ThemeScrollBar::install(*scroll);
  // The rows take the keyboard; the list around them would take it unseen.
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->viewport()->setAutoFillBackground(false);
  auto* content = new QWidget;
  days_ = new QVBoxLayout(content);
  days_->setContentsMargins(0, 0, 0, 0);
  days_->setSpacing(12);
  scroll->setWidget(content);
  content->setAutoFillBackground(false);  // setWidget turned it on
  column->addWidget(scroll, 1);
  pages_->addWidget(listPage);

  connect(&list_, &QAbstractItemModel::modelReset, this, &ActivityView::rebuildList);
  connect(&model_, &AppModel::activityChanged, this, &ActivityView::historyChanged);
  list_.setHistory(model_.activity());
}

void ActivityView::setOpenRequest(std::function<void(std::optional<Uuid>)> request) {
  request_ = std::move(request);
}

void ActivityView::requestOpen(std::optional<Uuid> id) {
  if (request_) {
    request_(id);
  } else {
    setOpen(id);
  }
}

void ActivityView::setOpen(std::optional<Uuid> id) {
  open_ = id;
  showOpen();
}

void ActivityView::historyChanged() {
  list_.setHistory(model_.activity());
  showOpen();
}

void ActivityView::showOpen() {
  const auto& history = model_.activity();
  const auto found = open_ ? std::find_if(history.begin(), history.end(),
                                          [&](const ActivityEntry& e) { return e.id == *open_; })
                           : history.end();
  if (detail_ && (found == history.end() || detail_->entry() != *found)) {
    pages_->removeWidget(detail_);
    detail_->deleteLater();
    detail_ = nullptr;
  }
  if (found == history.end()) {
    pages_->setCurrentIndex(0);
    return;
  }
  if (!detail_) {
    detail_ = new EntryView(model_, *found, [this] { requestOpen(std::nullopt); });
    pages_->addWidget(detail_);
  }
  pages_->setCurrentWidget(detail_);
  detail_->setFocus();
}

void ActivityView::rebuildList() {
  while (QLayoutItem* item = days_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  GroupedCard* card = nullptr;
  QString lastDay;
  bool firstInCard = true;
  for (int row = 0; row < list_.rowCount(); ++row) {
    const QModelIndex index = list_.index(row);
    const QString day = index.data(ActivityModel::dayRole).toString();
    if (!card || day != lastDay) {
      auto* title = new DetectText(day, Kit::font(13, QFont::DemiBold), Theme::tx2);
      title->setContentsMargins(4, 0, 4, 0);
      title->setObjectName(QStringLiteral("day.") + day);
      auto* holder = new QWidget;
      auto* h = new QHBoxLayout(holder);
      h->setContentsMargins(4, 0, 4, 0);
      h->addWidget(title);
      days_->addWidget(holder);
      card = new GroupedCard(Theme::card);
      days_->addWidget(card);
      lastDay = day;
      firstInCard = true;
    }
    const ActivityEntry& e = list_.entry(row);
    auto* chevron = new MaterialIcon(QStringLiteral("chevron_right"), 17, Theme::dis);
    chevron->setObjectName(QStringLiteral("chevron"));
    auto* content =
        new GroupedRow(index.data(ActivityModel::glyphRole).toString(), outcomeTint(e.outcome),
                       index.data(Qt::DisplayRole).toString(),
                       index.data(ActivityModel::valueRole).toString(), !firstInCard, chevron);
    firstInCard = false;
    auto* button = new EntryRow(content);
    button->setObjectName(QStringLiteral("row.%1").arg(row));
    const Uuid id = e.id;
    connect(button, &QAbstractButton::clicked, this, [this, id] { requestOpen(id); });
    card->addRow(button);
  }
  if (list_.rowCount() == 0) {
    auto* empty = new DetectText(QStringLiteral("Nothing yet"), Kit::font(13), Theme::tx2);
    empty->setObjectName(QStringLiteral("nothingYet"));
    auto* holder = new QWidget;
    auto* h = new QHBoxLayout(holder);
    h->setContentsMargins(0, 40, 0, 0);
    h->addStretch();
    h->addWidget(empty);
    h->addStretch();
    days_->addWidget(holder);
  }
  days_->addStretch();
  if (isVisible()) showLaidOut(days_);
}

ActivityView* newActivityWindow(AppModel& model) {
  auto* window = new ActivityView(model);
  window->setWindowFlag(Qt::Window);
  window->setWindowTitle(programTitle(QStringLiteral("Activity")));
  closeOnCtrlW(*window);
  window->resize(828, 440);
  return window;
}

QWidget* makeActivityWindow(AppModel& model, ActivityState& state) {
  ActivityView* window = newActivityWindow(model);
  window->setOpen(state.open());
  // The state is the one place the open entry is kept: the manager writes it
  // before each showing, the view through its rows and back action.
  QObject::connect(&state, &ActivityState::openChanged, window,
                   [window, &state] { window->setOpen(state.open()); });
  window->setOpenRequest([&state](std::optional<Uuid> id) { state.setOpen(id); });
  return window;
}

}  // namespace clipvane
