#pragma once
// A borderless window that floats above other applications' windows without
// ever taking the focus from them: the toast and the review panel. Its content
// draws the whole look (plate, edge, shadow) inside a transparent margin; the
// window itself has no frame, background or shadow.
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

#include "GlassChrome.h"

class QPropertyAnimation;

namespace clipvane {

class FloatingPanel : public QWidget {
  Q_OBJECT

 public:
  // The transparent margin around the visible card, where its shadow falls.
  static constexpr double margin = 32;
  // The rectangle used when no screen exists at all.
  static inline const QRectF fallbackScreen{0, 0, 1440, 900};

  // `shape`: the visible card's outline inside the margin (the panel is cut
  // to it where no compositor runs). `wantsKey`: the panel takes the keyboard while shown (the
  // review panel); it still never takes the focus from the frontmost application.
  FloatingPanel(QWidget* content, bool wantsKey, GlassShape shape);
  ~FloatingPanel() override;

  bool wantsKey() const { return wantsKey_; }
  QWidget* content() const { return content_; }
  // Swaps the content and takes its size. The old content is deleted later:
  // it may be the sender of the signal that led here.
  void setContent(QWidget* content);
  // Takes the content's preferred size. On screen, a panel shown next to an
  // anchor is placed there again at its new size; any other keeps its
  // bottom edge. Either way the card stays inside the visible area.
  void fitContent();

  // A notice without a button lets clicks through to what lies beneath.
  void setIgnoresMouse(bool ignore);
  bool ignoresMouse() const;

  // Places the visible card `gap` above the anchor, or below it when there is
  // no room above, kept inside the visible area of the anchor's screen; then
  // shows the panel fully opaque (and takes the keyboard when it wants keys).
  void showAbove(const QRectF& anchor, double gap, double inset);
  // Shows the panel at this top-left point, fully opaque.
  void showAt(const QPoint& topLeft);
  // Fades out over 0.25 s where a compositor runs and motion is welcome,
  // hides, then calls `then`. Without fading it hides at once and calls
  // `then` before returning.
  void fadeOut(std::function<void()> then = {});
  // Hides at once; a fade in progress is cut short and its completion called.
  void orderOut();
  bool fading() const;

  // Made translucent: a compositor ran when the panel was made.
  bool translucent() const { return translucent_; }
  // The keyboard is grabbed for this panel (X11); false elsewhere. A panel
  // that wants keys takes the keyboard when shown and gives it up when the
  // user turns to another application (it stays open); a click on the panel
  // takes the keyboard again.
  bool holdsKeyboard() const { return holdsKeyboard_; }

  // Whether a compositor draws translucent windows now (false without an
  // appearance port), and whether fades run (compositor and no reduce motion).
  static bool compositing();
  static bool animates();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Where showAbove put the panel, to place it again when it changes size.
  struct Placement {
    QRectF anchor;
    double gap = 0;
    double inset = 0;
  };
  void place(const Placement& placement);
  void present();
  void takeKeyboard();
  void tryGrabKeyboard();
  void releaseKeyboard();
  void checkKeyboardOwner();
  void updateMask();
  void askBlur();

  const bool wantsKey_;
  const GlassShape shape_;
  const bool translucent_;
  QPointer<QWidget> content_;
  std::optional<Placement> placedAt_;
  QPropertyAnimation* fade_ = nullptr;
  std::function<void()> fadeDone_;
  QTimer grabRetry_;
  QTimer ownerWatch_;
  bool holdsKeyboard_ = false;
  // The window and card the blur behind was last asked for.
  std::optional<std::pair<quintptr, QRect>> blurAsked_;
  // The process of the frontmost application when the keyboard was taken.
  qint64 keyboardOwner_ = 0;
};

// Where panels go, in the desktop's top-left coordinates (y grows downwards).
namespace PanelPlacement {

// The screen whose geometry holds the point, else the primary screen; none
// when there is no screen.
struct Screen {
  QRectF geometry;
  QRectF available;  // without the desktop's panels
};
std::optional<Screen> screenAt(const QPointF& point);

// Top-left corner of a toast panel of `size` at the status icon `anchor`:
// centred on it horizontally, hanging under it when it sits in the top half of
// the screen and standing above it in the bottom half; the margin may
// overhang the available area, the card stays inside.
QPointF toast(const QSizeF& size, const QRectF& anchor, const Screen& screen);

// Top-left corner of a panel whose card (inset into the panel) sits `gap`
// above the anchor, or `gap` below it when the card would rise above the
// available area; clamped into it (when the card is larger than the area,
// the top edge and the right edge win).
QPointF nextTo(const QSizeF& size, const QRectF& anchor, const QRectF& available, double gap,
               double inset);

}  // namespace PanelPlacement

}  // namespace clipvane
