#pragma once
// A scroll bar drawn from the palette rather than by the platform's style: a
// rounded thumb in the text colour, faint until pointed at, on a clear track
// with no arrow buttons, so that it sits inside a rounded list in either
// scheme.
#include <QScrollBar>

class QAbstractScrollArea;

namespace clipvane {

class ThemeScrollBar : public QScrollBar {
 public:
  explicit ThemeScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  // Gives the area a vertical bar of this kind.
  static void install(QAbstractScrollArea& area);
  static constexpr int thickness = 10;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace clipvane
