// The tray icon and when it is redrawn.
#include "StatusItemController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

#include "AppModel.h"
#include "MenuBarGlyph.h"
#include "OnMain.h"
#include "StatusMenu.h"
#include "Theme.h"
#include "ports/AppearancePort.h"
#include "ports/Ports.h"

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
    connect(appearance, &AppearancePort::changed, this, &StatusItemController::followPanel);
  shownScheme_ = Theme::scheme();
  refresh();
  // Panels are painted in their own colours, often dark under a light
  // desktop scheme: the glyph's ink follows what lies behind the icon. The
  // host may dock the icon late or move it, so the look is taken again now
  // and then (a few pixels read from the screen).
  auto* panelWatch = new QTimer(this);
  connect(panelWatch, &QTimer::timeout, this, &StatusItemController::followPanel);
  panelWatch->start(3000);
  QTimer::singleShot(500, this, &StatusItemController::followPanel);
  // Qt docks the icon once a tray host appears, also one started later.
  item_->setVisible(model_.settings().showInMenuBar);
}

bool StatusItemController::isInstalled() const { return item_ != nullptr; }

void StatusItemController::refresh() {
  if (!item_) return;
  const IconState state = model_.iconState();
  if (!shownState_ || *shownState_ != state) {
    item_->setIcon(MenuBarGlyph::trayIcon(state, shownScheme_));
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

bool StatusItemController::trayAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
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

Scheme StatusItemController::panelScheme(const QImage& behind, Scheme desktop) {
  if (behind.isNull() || behind.width() < 2 || behind.height() < 2) return desktop;
  // The top corners: the glyph keeps clear of them at every icon size.
  const QColor a = behind.pixelColor(0, 0);
  const QColor b = behind.pixelColor(behind.width() - 1, 0);
  const auto luma = [](const QColor& c) {
    return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
  };
  return (luma(a) + luma(b)) / 2 < 0.5 ? Scheme::dark : Scheme::light;
}

void StatusItemController::followPanel() {
  const Scheme desktop = Theme::scheme();
  QImage behind;
  if (const std::optional<QRect> frame = iconFrame()) {
    if (QScreen* screen = QGuiApplication::screenAt(frame->center()))
      behind = screen->grabWindow(0, frame->x(), frame->y(), frame->width(), 2).toImage();
  }
  const Scheme scheme = panelScheme(behind, desktop);
  if (scheme == shownScheme_ && shownState_) return;
  shownScheme_ = scheme;
  shownState_.reset();
  refresh();
}

void StatusItemController::openMenu() {
  if (menu_->isVisible()) {
    menu_->hide();
    return;
  }
  menu_->popup(QCursor::pos());
}

}  // namespace clipvane
