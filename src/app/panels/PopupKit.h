#pragma once
// Pieces of the popups beside the shared kit: one line of palette-coloured
// text, and the glass plate until the kit's chrome is in the library.
#include <QFont>
#include <QWidget>

#include "Theme.h"

namespace clipvane::pkit {

// One line of text in a palette colour, never cut: its size is the text's.
class TextLine : public QWidget {
 public:
  TextLine(QString text, const QFont& font, ThemeColor color, QWidget* parent = nullptr);
  QString text() const { return text_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  ThemeColor color_;
};

enum class GlassShape { capsule, rounded20 };

class GlassFrame : public QWidget {
 public:
  GlassFrame(GlassShape shape, QWidget* content, double margin = 32, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  GlassShape shape_;
  double margin_;
};

}  // namespace clipvane::pkit
