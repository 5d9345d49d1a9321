#pragma once
// The desktop's look as the interface needs it: light or dark, and whether a
// compositor draws translucent windows.
#include <QObject>
#include <QRect>

namespace clipvane {

class AppearancePort : public QObject {
  Q_OBJECT

 public:
  ~AppearancePort() override = default;

  // The desktop prefers a dark colour scheme.
  virtual bool dark() const = 0;
  // A compositor runs: windows with an alpha channel are drawn translucent.
  virtual bool compositing() const = 0;
  // The window manager blurs what lies behind a window that asks for it.
  virtual bool blursBehind() const { return false; }
  // Asks for that blur behind `region` (the window's own pixels) of the
  // native window `window`.
  virtual void blurBehind(quintptr window, const QRect& region) {
    (void)window;
    (void)region;
  }

 Q_SIGNALS:
  // An answer changed; emitted on the main thread.
  void changed();
};

}  // namespace clipvane
