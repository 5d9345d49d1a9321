#pragma once
// The popups' frame: a translucent glass plate with a hairline edge and a
// soft drop shadow, drawn inside a transparent margin around the content.
// Without a compositor the plate is an opaque card and has no shadow; with one
// that does not blur behind windows, the plate is near opaque.
#include <QImage>
#include <QPainterPath>
#include <QWidget>

namespace clipvane {

enum class GlassShape { capsule, rounded20 };

class GlassFrame : public QWidget {
 public:
  // Lays `content` inside `margin` on every side; the frame's size follows
  // the content's. The plate takes the content's size: the content brings
  // its own padding.
  GlassFrame(GlassShape shape, QWidget* content, double margin = 32, QWidget* parent = nullptr);

  QWidget* content() const { return content_; }
  // The plate's outline, in this widget's coordinates.
  QPainterPath plate() const;
  // Glass (translucent plate and shadow) rather than the opaque card: a
  // compositor runs and the window is translucent.
  bool glass() const;
  // The glass's tint: the palette's over a desktop that blurs what lies
  // behind, near opaque elsewhere.
  static QColor tint();

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QImage shadowImage(qreal dpr);

  GlassShape shape_;
  double margin_;
  QWidget* content_;
  // The blurred shadow, kept while size, colour and pixel ratio stay.
  QImage shadow_;
  QString shadowKey_;
};

}  // namespace clipvane
