#pragma once
// One line of text in a palette colour, resolved when it paints.
#include <QFont>
#include <QStaticText>
#include <QWidget>

#include "Theme.h"

namespace clipvane {

// Never cut: its size is the text's, unless it is told to give way.
class TextLine : public QWidget {
 public:
  TextLine(QString text, const QFont& font, ThemeColor color, QWidget* parent = nullptr);
  QString text() const { return text_; }
  // Takes the new text's size; nothing changes when it is the same text.
  void setText(const QString& text);
  QSize sizeHint() const override;
  // Lets the line give way to its neighbours: as narrow as an ellipsis, the
  // text cut at its end.
  void giveWay();

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  // The text laid out once, drawn on every paint (a notice is painted anew
  // each time it shows).
  QStaticText laidOut_;
  ThemeColor color_;
  bool givesWay_ = false;
};

}  // namespace clipvane
