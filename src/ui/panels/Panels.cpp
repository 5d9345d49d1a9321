// Showing, replacing, timing out and placing the notices; opening and
// answering the review panel.
#include "Panels.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "Accessibility.h"
#include "OnMain.h"
#include "ReviewView.h"
#include "ToastView.h"
#include "ports/KeyboardPort.h"
#include "ports/Ports.h"

namespace clipvane {

Panels::Panels()
    : schedule_(onMain),
      anchors_{Accessibility::focusedElementRect, Accessibility::selectionRect,
               [] { return QPointF(QCursor::pos()); }} {}

Panels::~Panels() {
  delete toast_.data();
  delete review_.data();
}

void Panels::setIconFrame(IconFrame iconFrame) { iconFrame_ = std::move(iconFrame); }
void Panels::setSchedule(Schedule schedule) { schedule_ = std::move(schedule); }
void Panels::setAnchors(Anchors anchors) { anchors_ = std::move(anchors); }

void Panels::showToast(const Toast& toast, bool sticky) {
  assertMainThread();
  const std::optional<QRect> icon = iconFrame_ ? iconFrame_() : std::nullopt;
  const auto screen = PanelPlacement::screenAt(icon ? QPointF(icon->topLeft()) : QPointF());
  if (!screen) return;  // nowhere to show it: nothing changes
  const QRectF anchor =
      icon ? QRectF(*icon) : QRectF(screen->geometry.center().x(), screen->available.top(), 0, 0);
  const qint64 token = ++toastToken_;

  // The panel is reused unless it is fading, or the desktop's compositor came
  // or went since it was made (translucency is fixed when a window is made).
  if (!toast_ || toastFading_ || toast_->translucent() != FloatingPanel::compositing()) {
    if (toast_) {
      toast_->orderOut();
      toast_->deleteLater();
    }
    toast_ = new FloatingPanel(nullptr, false, GlassShape::capsule);
    toastFading_ = false;
  }
  QPointer<FloatingPanel> panel = toast_;
  QPointer<Panels> self = this;
  auto done = [self, panel, token] {
    if (self) self->toastDone(panel, token);
  };
  // The capsule shown before takes the new notice: only what differs is
  // laid out and painted again.
  if (auto* view = qobject_cast<ToastView*>(panel->content())) {
    view->setToast(toast, std::move(done));
    panel->fitContent();
  } else {
    panel->setContent(new ToastView(toast, std::move(done)));
  }
  panel->setIgnoresMouse(!toast.action);
  panel->showAt(PanelPlacement::toast(QSizeF(panel->size()), anchor, *screen).toPoint());

  if (sticky) return;
  schedule_(toast.action ? actionSeconds : plainSeconds, [self, panel, token] {
    if (self) self->toastTimeUp(panel, token);
  });
}

void Panels::toastTimeUp(QPointer<FloatingPanel> panel, qint64 token) {
  if (!panel || toast_ != panel || toastToken_ != token) return;
  toastFading_ = true;
  QPointer<Panels> self = this;
  panel->fadeOut([self, panel] {
    if (self && panel && self->toast_ == panel) self->toastFading_ = false;
  });
}

void Panels::toastDone(QPointer<FloatingPanel> panel, qint64 token) {
  if (!panel || toast_ != panel || toastToken_ != token) return;
  ++toastToken_;
  panel->orderOut();
}

void Panels::dismissToast() {
  assertMainThread();
  ++toastToken_;
  if (toast_) toast_->orderOut();
}

void Panels::dismissAll() {
  dismissToast();
  closeReview();
}

void Panels::closeReview() {
  if (!review_) return;
  review_->orderOut();
  review_->deleteLater();
  review_ = nullptr;
}

void Panels::showReview(const ReviewSession& session) {
  assertMainThread();
  closeReview();
  auto* panel = new FloatingPanel(nullptr, true, GlassShape::rounded20);
  QPointer<Panels> self = this;
  QPointer<FloatingPanel> weakPanel = panel;
  panel->setContent(
      new ReviewView(session, [self, weakPanel, session](const std::optional<std::set<int>>& keep) {
        if (self) self->reviewDone(weakPanel, session, keep);
      }));
  review_ = panel;
  showReviewWhenKeysUp(panel, 0);
}

void Panels::showReviewWhenKeysUp(QPointer<FloatingPanel> panel, int waitedMs) {
  if (!panel || review_ != panel) return;  // closed or replaced meanwhile
  KeyboardPort* keyboard = Ports::find<KeyboardPort>();
  if (keyboard && waitedMs < keysWaitMs && keyboard->keysHeld()) {
    QPointer<Panels> self = this;
    QTimer::singleShot(keysPollMs, this, [self, panel, waitedMs] {
      if (self) self->showReviewWhenKeysUp(panel, waitedMs + keysPollMs);
    });
    return;
  }
  panel->showAbove(reviewAnchor(), reviewGap, FloatingPanel::margin);
}

void Panels::reviewDone(QPointer<FloatingPanel> panel, const ReviewSession& session,
                        const std::optional<std::set<int>>& keep) {
  // A review already closed (replaced or dismissed) answers nothing.
  if (!panel || review_ != panel) return;
  panel->orderOut();
  panel->deleteLater();
  review_ = nullptr;
  if (keep && session.paste) session.paste(*keep);
}

QRectF Panels::reviewAnchor() const {
  const std::optional<QRectF> element =
      anchors_.focusedElement ? anchors_.focusedElement() : std::nullopt;
  if (element && element->height() <= tallElement) return *element;
  if (const auto selection = anchors_.selection ? anchors_.selection() : std::nullopt)
    return *selection;
  if (element) return *element;
  const QPointF mouse = anchors_.mouse ? anchors_.mouse() : QPointF();
  return QRectF(mouse, QSizeF(1, 1));
}

}  // namespace clipvane
