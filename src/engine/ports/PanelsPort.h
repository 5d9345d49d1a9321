#pragma once
// The floating notices and the review panel, as the engine uses them.
#include "ReviewSession.h"
#include "Toast.h"

namespace clipvane {

class PanelsPort {
 public:
  virtual ~PanelsPort() = default;

  // Shows the toast under the status icon, replacing the one on screen. Not
  // sticky: it goes after 5 s with an action, 3 s without; sticky: only when
  // replaced or dismissed.
  virtual void showToast(const Toast& toast, bool sticky) = 0;
  // Hides the toast at once; its pending timers and callbacks do nothing.
  virtual void dismissToast() = 0;
  // dismissToast(), then closes the review panel without an answer.
  virtual void dismissAll() = 0;
  // Opens the review panel, closing an earlier one; the answer comes later
  // through session.paste, or never.
  virtual void showReview(const ReviewSession& session) = 0;
};

}  // namespace clipvane
