#pragma once
// The desktop's look as the interface needs it: light or dark, and whether a
// compositor draws translucent windows.
#include <QObject>

namespace clipvane {

class AppearancePort : public QObject {
  Q_OBJECT

 public:
  ~AppearancePort() override = default;

  // The desktop prefers a dark colour scheme.
  virtual bool dark() const = 0;
  // A compositor runs: windows with an alpha channel are drawn translucent.
  virtual bool compositing() const = 0;

 Q_SIGNALS:
  // Either answer changed; emitted on the main thread.
  void changed();
};

}  // namespace clipvane
