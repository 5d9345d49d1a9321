// The application chooser of the Apps tab.
#include "AppChooser.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

#include "Kit.h"
#include "SettingsComponents.h"
#include "Theme.h"
#include "ThemeScrollBar.h"
#include "ports/Ports.h"

namespace clipvane {

namespace {

constexpr int iconSide = 24;

// The icon centred in a square of the list's icon size: a theme that has the
// icon only at another size or shape (wider than high) would otherwise draw
// it out of line with the others.
QIcon squareIcon(const QIcon& icon) {
  // No icon at all keeps an empty square: the names still line up.
  QIcon out;
  for (const double ratio : {1.0, 2.0}) {
    const int side = qRound(iconSide * ratio);
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    const QPixmap drawn = icon.isNull() ? QPixmap() : icon.pixmap(QSize(iconSide, iconSide), ratio);
    if (!drawn.isNull()) {
      const QSize size = drawn.size().scaled(side, side, Qt::KeepAspectRatio);
      QPainter p(&square);
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawPixmap(QRect(QPoint((side - size.width()) / 2, (side - size.height()) / 2), size),
                   drawn);
    }
    square.setDevicePixelRatio(ratio);
    out.addPixmap(square);
  }
  return out;
}

}  // namespace

AppChooser::AppChooser(std::vector<InstalledApp> apps, QWidget* parent)
    : SheetDialog(Theme::card, parent), apps_(std::move(apps)) {
  setObjectName(QStringLiteral("appChooser"));
  setWindowTitle(QStringLiteral("Add Application"));
  setWindowModality(Qt::WindowModal);
  resize(380, 440);
  // The list takes the settings window's colours, not the platform's.
  setPalette(Theme::popupPalette());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 18, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(
      new DetectText(QStringLiteral("Add Application"), Kit::font(13, QFont::DemiBold), Theme::tx));
  search_ = new DetectLineEdit(this);
  search_->setObjectName(QStringLiteral("search"));
  search_->setPlaceholderText(QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("applications"));
  list_->setIconSize(QSize(iconSide, iconSide));
  list_->setUniformItemSizes(true);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setSpacing(2);
  ThemeScrollBar::install(*list_);
  for (std::size_t i = 0; i < apps_.size(); ++i) {
    auto* item = new QListWidgetItem(squareIcon(installedAppIcon(apps_[i])), apps_[i].name, list_);
    item->setToolTip(apps_[i].id);
    item->setData(Qt::UserRole, int(i));
  }
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  buttons->addStretch(1);
  add_ = addAnswers(buttons, QStringLiteral("Add"), QStringLiteral("add"));
  add_->setEnabled(false);
  layout->addWidget(search_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  search_->installEventFilter(this);
  connect(search_, &QLineEdit::textChanged, this, &AppChooser::filter);
  connect(list_, &QListWidget::currentItemChanged, this,
          [this](QListWidgetItem* current) { add_->setEnabled(current && !current->isHidden()); });
  connect(list_, &QListWidget::itemActivated, this, &AppChooser::confirm);
}

void AppChooser::confirm() {
  if (chosen()) accept();
}

bool AppChooser::eventFilter(QObject* watched, QEvent* e) {
  if (watched != search_ || e->type() != QEvent::KeyPress)
    return SheetDialog::eventFilter(watched, e);
  const int key = static_cast<QKeyEvent*>(e)->key();
  if (key != Qt::Key_Down && key != Qt::Key_Up && key != Qt::Key_PageDown && key != Qt::Key_PageUp)
    return SheetDialog::eventFilter(watched, e);
  // Asked before the focus moves: the list makes its first row current when
  // it takes the focus.
  const bool current = list_->currentItem() != nullptr;
  list_->setFocus(Qt::TabFocusReason);
  if (current) {
    QCoreApplication::sendEvent(list_, e);
  } else {
    // The first application the search leaves.
    for (int i = 0; i < list_->count(); ++i) {
      if (list_->item(i)->isHidden()) continue;
      list_->setCurrentItem(list_->item(i));
      break;
    }
  }
  return true;
}

void AppChooser::filter(const QString& text) {
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    const InstalledApp& app = apps_[std::size_t(item->data(Qt::UserRole).toInt())];
    item->setHidden(!app.name.contains(text, Qt::CaseInsensitive) &&
                    !app.id.contains(text, Qt::CaseInsensitive));
  }
  if (list_->currentItem() && list_->currentItem()->isHidden()) list_->setCurrentItem(nullptr);
  add_->setEnabled(list_->currentItem() != nullptr);
}

std::optional<InstalledApp> AppChooser::chosen() const {
  const QListWidgetItem* item = list_->currentItem();
  if (!item || item->isHidden()) return std::nullopt;
  return apps_[std::size_t(item->data(Qt::UserRole).toInt())];
}

std::optional<InstalledApp> AppChooser::choose(QWidget* parent) {
  auto* port = Ports::find<ApplicationsPort>();
  AppChooser chooser(port ? port->applications() : std::vector<InstalledApp>{}, parent);
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  return chooser.chosen();
}

}  // namespace clipvane
