#pragma once
// The desktop's look on X11: dark from the GNOME colour-scheme setting (else
// the application palette's window lightness), compositing from the owner of
// the compositing-manager selection _NET_WM_CM_S<screen>, blur behind from
// KWin's announcing _KDE_NET_WM_BLUR_BEHIND_REGION on the root window. Main
// thread.
#include <QObject>
#include <QTimer>
#include <chrono>

#include "X11Display.h"
#include "ports/AppearancePort.h"

struct _GSettings;

namespace clipvane::x11 {

class X11Appearance : public AppearancePort {
 public:
  // Both answers are read now and again on every settings or palette change
  // notice, and every `recheck` (a compositor that starts or ends sends us no
  // notice, nor does a settings daemon that is not on the GLib main loop).
  explicit X11Appearance(X11Display& display,
                         std::chrono::milliseconds recheck = std::chrono::seconds(2));
  ~X11Appearance() override;
  X11Appearance(const X11Appearance&) = delete;
  X11Appearance& operator=(const X11Appearance&) = delete;

  bool dark() const override { return dark_; }
  bool compositing() const override { return compositing_; }
  bool blursBehind() const override { return blurs_; }
  void blurBehind(quintptr window, const QRect& region) override;

  // Reads both answers again; emits changed() when either differs.
  void refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool readDark() const;
  bool readCompositing();
  bool readBlurs();

  X11Display& display_;
  xcb_atom_t compositorSelection_ = XCB_ATOM_NONE;
  xcb_atom_t blurRegion_ = XCB_ATOM_NONE;
  _GSettings* settings_ = nullptr;
  unsigned long handler_ = 0;
  QTimer timer_;
  bool dark_ = false;
  bool compositing_ = false;
  bool blurs_ = false;
};

}  // namespace clipvane::x11
