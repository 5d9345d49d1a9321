#pragma once
// The floating notices under the status icon and the review panel, as the
// engine sees them: which notice shows, for how long, where, and that a
// notice's timers and callbacks act only while it is the current one.
// Main thread only.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include <functional>
#include <optional>

#include "FloatingPanel.h"
#include "ports/PanelsPort.h"

namespace clipvane {

class Panels : public QObject, public PanelsPort {
  Q_OBJECT

 public:
  // Runs a function on the main thread after a delay in seconds (onMain).
  using Schedule = std::function<void(double, std::function<void()>)>;
  // The status icon's rectangle on screen; none while it has none.
  using IconFrame = std::function<std::optional<QRect>()>;
  // Where the review panel looks for the text cursor.
  struct Anchors {
    std::function<std::optional<QRectF>()> focusedElement;
    std::function<std::optional<QRectF>()> selection;
    std::function<QPointF()> mouse;
  };

  // How long a notice stays, with and without its button.
  static constexpr double actionSeconds = 5.0;
  static constexpr double plainSeconds = 3.0;
  // Where the review card sits next to its anchor.
  static constexpr double reviewGap = 12;
  // A focused element taller than this is a text area: its selection anchors
  // the review card better than the whole area does.
  static constexpr double tallElement = 240;
  // While the hot key that asked for a review is held, the window being
  // typed in has lost the keyboard to the hot key's grab and tells no text
  // cursor: the review waits for the keys (this often, this long at most).
  static constexpr int keysPollMs = 20;
  static constexpr int keysWaitMs = 1500;

  Panels();
  ~Panels() override;

  // Set by the program once the status item exists.
  void setIconFrame(IconFrame iconFrame);
  // Tests drive time and the cursor's whereabouts through these.
  void setSchedule(Schedule schedule);
  void setAnchors(Anchors anchors);

  void showToast(const Toast& toast, bool sticky) override;
  void dismissToast() override;
  void dismissAll() override;
  void showReview(const ReviewSession& session) override;

  // The panels as they stand (for the program's tests and screenshots).
  FloatingPanel* toastPanel() const { return toast_; }
  FloatingPanel* reviewPanel() const { return review_; }
  qint64 toastToken() const { return toastToken_; }
  bool toastFading() const { return toastFading_; }

 private:
  void toastDone(QPointer<FloatingPanel> panel, qint64 token);
  void toastTimeUp(QPointer<FloatingPanel> panel, qint64 token);
  void reviewDone(QPointer<FloatingPanel> panel, const ReviewSession& session,
                  const std::optional<std::set<int>>& keep);
  void closeReview();
  // Places and shows the review once no key is held, or the wait is over.
  void showReviewWhenKeysUp(QPointer<FloatingPanel> panel, int waitedMs);
  QRectF reviewAnchor() const;

  IconFrame iconFrame_;
  Schedule schedule_;
  Anchors anchors_;
  QPointer<FloatingPanel> toast_;
  bool toastFading_ = false;
  qint64 toastToken_ = 0;
  QPointer<FloatingPanel> review_;
};

}  // namespace clipvane
