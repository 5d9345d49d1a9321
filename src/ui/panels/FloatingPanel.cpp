// The floating window of the popups, its fade and its placement.
#include "FloatingPanel.h"

#include <QApplication>
#include <QHideEvent>
#include <QLayout>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ports/AppearancePort.h"
#include "ports/Ports.h"
#include "ports/WorkspacePort.h"

namespace clipvane {

namespace {

// Never in a task bar or pager, never managed or focused by the window
// manager (override-redirect), above other windows, on every desktop.
constexpr Qt::WindowFlags panelFlags = Qt::Tool | Qt::FramelessWindowHint |
                                       Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                                       Qt::X11BypassWindowManagerHint;

constexpr int fadeMs = 250;
// How often a refused keyboard grab is tried again (another client, or the
// hot key still held under its own grab).
constexpr int grabRetryMs = 50;
// How often a panel holding the keyboard looks whether the user turned to
// another application.
constexpr int ownerWatchMs = 200;

qint64 frontmostPid() {
  WorkspacePort* workspace = Ports::find<WorkspacePort>();
  const auto app = workspace ? workspace->frontmostApplication() : std::nullopt;
  return app ? app->pid : 0;
}

}  // namespace

FloatingPanel::FloatingPanel(QWidget* content, bool wantsKey, GlassShape shape)
    : QWidget(nullptr, panelFlags),
      wantsKey_(wantsKey),
      shape_(shape),
      translucent_(compositing()) {
  setObjectName(wantsKey ? QStringLiteral("reviewPanel") : QStringLiteral("toastPanel"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFocusPolicy(Qt::NoFocus);
  if (translucent_) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
  }
  grabRetry_.setInterval(grabRetryMs);
  connect(&grabRetry_, &QTimer::timeout, this, &FloatingPanel::tryGrabKeyboard);
  ownerWatch_.setInterval(ownerWatchMs);
  connect(&ownerWatch_, &QTimer::timeout, this, &FloatingPanel::checkKeyboardOwner);
  setContent(content);
}

FloatingPanel::~FloatingPanel() { releaseKeyboard(); }

void FloatingPanel::setContent(QWidget* content) {
  if (content_ == content) return;
  if (content_) {
    content_->hide();
    content_->setParent(nullptr);
    content_->deleteLater();
  }
  content_ = content;
  if (content_) {
    content_->setParent(this);
    content_->move(0, 0);
    content_->show();
  }
  fitContent();
}

namespace {

// Brings every layout under the widget up to date, innermost first: a
// layout works out its size from its children's, which a hidden or shown
// child only marked stale (the update would come with the next event loop
// turn, leaving the panel at its old size).
void settleLayouts(QWidget* widget) {
  for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow() && !child->isHidden()) settleLayouts(child);
  if (QLayout* layout = widget->layout()) layout->activate();
}

}  // namespace

void FloatingPanel::fitContent() {
  if (!content_) return;
  settleLayouts(content_);
  content_->adjustSize();
  const QSize size = content_->sizeHint().expandedTo(content_->minimumSizeHint());
  content_->resize(size);
  const QSize before = this->size();
  resize(size);
  if (!isVisible() || size == before) return;
  if (placedAt_) {
    // Next to its anchor the card goes where it would have gone at this
    // size: above the anchor, or below it, inside the visible area.
    place(*placedAt_);
    return;
  }
  // Elsewhere the bottom edge stays and the card stays on the screen.
  const auto screen = PanelPlacement::screenAt(QPointF(pos()));
  const QRectF v = screen ? screen->available : fallbackScreen;
  double top = y() + before.height() - size.height();
  top = std::max(std::min(top, v.bottom() - size.height() + margin), v.top() - margin);
  move(x(), int(std::lround(top)));
}

void FloatingPanel::setIgnoresMouse(bool ignore) {
  if (ignore == ignoresMouse()) return;
  const Qt::WindowFlags flags = ignore ? windowFlags() | Qt::WindowTransparentForInput
                                       : windowFlags() & ~Qt::WindowTransparentForInput;
  overrideWindowFlags(flags);
  QWindow* w = windowHandle();
  if (!w) return;  // made with the flag when first shown
  if (ignore) {
    // Letting clicks through keeps the native window (and its place on screen).
    w->setFlags(flags);
    return;
  }
  // An X11 window that let clicks through takes them back only within the
  // size it had at that moment (a hidden window's size is not even current),
  // and keeps that area when it grows: the button of a wider notice would
  // let its click through. A window made anew takes clicks wherever it
  // stands, at any size; the caller places and shows the panel again.
  const bool shown = isVisible();
  if (shown) hide();
  destroy();
  if (shown) show();
}

bool FloatingPanel::ignoresMouse() const {
  return windowFlags().testFlag(Qt::WindowTransparentForInput);
}

void FloatingPanel::showAbove(const QRectF& anchor, double gap, double inset) {
  placedAt_ = Placement{anchor, gap, inset};
  place(*placedAt_);
  present();
}

void FloatingPanel::place(const Placement& placement) {
  const auto screen = PanelPlacement::screenAt(placement.anchor.topLeft());
  const QRectF available = screen ? screen->available : fallbackScreen;
  const QPointF at = PanelPlacement::nextTo(QSizeF(size()), placement.anchor, available,
                                            placement.gap, placement.inset);
  move(qRound(at.x()), qRound(at.y()));
}

void FloatingPanel::showAt(const QPoint& topLeft) {
  placedAt_.reset();
  move(topLeft);
  present();
}

void FloatingPanel::present() {
  if (fade_) {
    fade_->stop();
    fadeDone_ = nullptr;
  }
  if (windowOpacity() != 1.0) setWindowOpacity(1.0);
  show();
  // A panel shown again goes back above the windows raised meanwhile.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) raise();
  takeKeyboard();
}

void FloatingPanel::takeKeyboard() {
  if (!wantsKey_ || holdsKeyboard_) return;
  keyboardOwner_ = frontmostPid();
  tryGrabKeyboard();
}

void FloatingPanel::tryGrabKeyboard() {
  if (!isVisible()) {
    grabRetry_.stop();
    return;
  }
  // A menu of ours holds the keys while it is open; it drops the grab when it
  // closes, and the panel takes it again.
  QWindow* window = windowHandle();
  holdsKeyboard_ =
      !QApplication::activePopupWidget() && window && window->setKeyboardGrabEnabled(true);
  if (holdsKeyboard_) {
    grabRetry_.stop();
    ownerWatch_.start();
  } else {
    ownerWatch_.stop();
    grabRetry_.start();
  }
}

void FloatingPanel::checkKeyboardOwner() {
  if (!holdsKeyboard_) return;
  // The user clicked or switched to another application: the keys are its.
  if (frontmostPid() != keyboardOwner_) {
    releaseKeyboard();
    return;
  }
  // Asserted again on every look: a grab lost meanwhile (a menu of ours that
  // opened and closed) comes back.
  tryGrabKeyboard();
}

void FloatingPanel::releaseKeyboard() {
  grabRetry_.stop();
  ownerWatch_.stop();
  if (!holdsKeyboard_) return;
  holdsKeyboard_ = false;
  if (QWindow* window = windowHandle()) window->setKeyboardGrabEnabled(false);
  // The release must reach the server before anything else types: the paste
  // keystroke that follows a review goes out on another connection.
  QGuiApplication::sync();
}

void FloatingPanel::fadeOut(std::function<void()> then) {
  if (!animates() || !isVisible()) {
    hide();
    if (then) then();
    return;
  }
  if (!fade_) {
    fade_ = new QPropertyAnimation(this, "windowOpacity", this);
    fade_->setDuration(fadeMs);
    connect(fade_, &QPropertyAnimation::finished, this, [this] {
      hide();
      if (auto done = std::exchange(fadeDone_, nullptr)) done();
    });
  }
  fade_->stop();
  fadeDone_ = std::move(then);
  fade_->setStartValue(windowOpacity());
  fade_->setEndValue(0.0);
  fade_->start();
}

void FloatingPanel::orderOut() {
  if (fade_) fade_->stop();
  hide();
  if (auto done = std::exchange(fadeDone_, nullptr)) done();
}

bool FloatingPanel::fading() const {
  return fade_ && fade_->state() == QAbstractAnimation::Running;
}

bool FloatingPanel::compositing() {
  const AppearancePort* appearance = Ports::find<AppearancePort>();
  return appearance && appearance->compositing();
}

bool FloatingPanel::animates() {
  WorkspacePort* workspace = Ports::find<WorkspacePort>();
  return compositing() && !(workspace && workspace->reduceMotion());
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  updateMask();
  askBlur();
}

void FloatingPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  askBlur();
  if (wantsKey_ && windowHandle()) windowHandle()->installEventFilter(this);
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
  // A click anywhere on the panel takes the keyboard back.
  if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress) takeKeyboard();
  return QWidget::eventFilter(watched, event);
}

void FloatingPanel::hideEvent(QHideEvent* event) {
  releaseKeyboard();
  QWidget::hideEvent(event);
}

void FloatingPanel::askBlur() {
  // The blur goes behind the card only, not behind the margin of its shadow.
  AppearancePort* appearance = Ports::find<AppearancePort>();
  if (!translucent_ || !appearance || !appearance->blursBehind() || !windowHandle()) return;
  const qreal dpr = devicePixelRatioF();
  const QRectF card = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
  if (card.isEmpty()) return;
  // The window keeps what it was told while it exists, hidden or shown: a
  // notice shown again at the same size asks nothing of the server.
  const std::pair<quintptr, QRect> ask{
      quintptr(winId()), QRectF(card.topLeft() * dpr, card.size() * dpr).toAlignedRect()};
  if (blurAsked_ == ask) return;
  appearance->blurBehind(ask.first, ask.second);
  blurAsked_ = ask;
}

void FloatingPanel::updateMask() {
  // Without a compositor the window cannot be see-through: it is cut to the
  // card, so that the margin shows the desktop rather than a square.
  if (translucent_) return;
  const QRectF card = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
  if (card.isEmpty()) return;
  const double radius = shape_ == GlassShape::capsule ? card.height() / 2 : 20.0;
  QPainterPath path;
  path.addRoundedRect(card, radius, radius);
  setMask(QRegion(path.toFillPolygon().toPolygon()));
}

namespace PanelPlacement {

std::optional<Screen> screenAt(const QPointF& point) {
  QScreen* found = nullptr;
  for (QScreen* s : QGuiApplication::screens())
    if (QRectF(s->geometry()).contains(point)) {
      found = s;
      break;
    }
  if (!found) found = QGuiApplication::primaryScreen();
  if (!found) return std::nullopt;
  return Screen{QRectF(found->geometry()), QRectF(found->availableGeometry())};
}

QPointF toast(const QSizeF& size, const QRectF& anchor, const Screen& screen) {
  const QRectF& v = screen.available;
  const double m = FloatingPanel::margin;
  double x = anchor.center().x() - size.width() / 2;
  x = std::min(std::max(x, v.left() - m), v.right() - size.width() + m);
  double y;
  if (anchor.center().y() < screen.geometry.center().y())
    y = std::max(anchor.bottom(), v.top());  // hangs under the icon
  else
    y = std::min(anchor.top(), v.bottom()) - size.height();  // stands on it
  y = std::max(std::min(y, v.bottom() - size.height() + m), v.top() - m);
  return {x, y};
}

QPointF nextTo(const QSizeF& size, const QRectF& anchor, const QRectF& v, double gap,
               double inset) {
  const double w = size.width(), h = size.height();
  double x = anchor.center().x() - w / 2;
  double y = anchor.top() - gap - h + inset;                   // the card ends gap above the anchor
  if (y + inset < v.top()) y = anchor.bottom() + gap - inset;  // no room: below it
  x = std::min(std::max(x, v.left() - inset), v.right() - w + inset);
  y = std::max(std::min(y, v.bottom() - h + inset), v.top() - inset);
  return {x, y};
}

}  // namespace PanelPlacement

}  // namespace clipvane
