// The tray icon and when it is redrawn.
#include "StatusItemController.h"

#include <QCursor>
#include <QSystemTrayIcon>

#include "AppModel.h"
#include "MenuBarGlyph.h"
#include "OnMain.h"
#include "Ports.h"
#include "StatusMenu.h"
#include "Theme.h"
#include "ports/AppearancePort.h"

namespace clipvane {

StatusItemController::StatusItemController(AppModel& model, QObject* parent)
    : QObject(parent), model_(model), menu_(std::make_unique<StatusMenu>(model)) {}

StatusItemController::~StatusItemController() = default;

void StatusItemController::install() {
  assertMainThread();
  if (item_) return;
  // The menu is never attached as the tray's context menu: a desktop that
  // shows tray menus itself would draw its own rows. It opens here, on
  // either button.
  item_ = new QSystemTrayIcon(this);
  connect(item_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::Context) openMenu();
  });
  // A template glyph is drawn in the panel's text colour: a new scheme
  // needs a new picture.
  if (AppearancePort* appearance = Ports::find<AppearancePort>())
    connect(appearance, &AppearancePort::changed, this, [this] {
      shownState_.reset();
      refresh();
    });
  refresh();
  // Qt docks the icon once a tray host appears, also one started later.
  item_->setVisible(model_.settings().showInMenuBar);
}

bool StatusItemController::isInstalled() const { return item_ != nullptr; }

void StatusItemController::refresh() {
  if (!item_) return;
  const IconState state = model_.iconState();
  if (!shownState_ || *shownState_ != state) {
    item_->setIcon(MenuBarGlyph::trayIcon(state, Theme::scheme()));
    shownState_ = state;
    ++draws_;
  }
  const QString tip = tooltip(state);
  if (shownTip_ && *shownTip_ == tip) return;
  item_->setToolTip(tip);
  shownTip_ = tip;
  ++tips_;
}

void StatusItemController::setVisible(bool visible) {
  if (item_) item_->setVisible(visible);
}

std::optional<QRect> StatusItemController::iconFrame() const {
  if (!item_ || !item_->isVisible()) return std::nullopt;
  const QRect frame = item_->geometry();
  if (frame.isEmpty()) return std::nullopt;
  return frame;
}

QString StatusItemController::tooltip(const IconState& state) {
  using Badge = IconState::Badge;
  if (state.off) return QStringLiteral("Clipvane: off");
  if (state.badge) switch (*state.badge) {
      case Badge::copied:
        return QStringLiteral("Clipvane: sensitive data copied");
      case Badge::masked:
        return QStringLiteral("Clipvane: masked");
      case Badge::restored:
        return QStringLiteral("Clipvane: restored");
      case Badge::blocked:
        return QStringLiteral("Clipvane: blocked");
      case Badge::scanning:
        return QStringLiteral("Clipvane: scanning");
      case Badge::paused:
        return QStringLiteral("Clipvane: paused");
    }
  return state.askFirst ? QStringLiteral("Clipvane: ask first")
                        : QStringLiteral("Clipvane: auto-mask");
}

void StatusItemController::openMenu() {
  if (menu_->isVisible()) {
    menu_->hide();
    return;
  }
  menu_->popup(QCursor::pos());
}

}  // namespace clipvane
