#pragma once
// Small pieces the activity, first-run and import windows share: a plate in
// a palette role and a segmented choice.
#include <QLayout>
#include <QMargins>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

#include "Theme.h"

class QVBoxLayout;

namespace clipvane {

// Fills itself with a palette role (a rounded plate when radius > 0), with
// an optional dashed border in `dash` drawn inside the same outline.
class Plate : public QWidget {
 public:
  explicit Plate(ThemeColor color, double radius = 0, QWidget* parent = nullptr);
  // The fill's opacity (the accent at 8 % behind a held drag, for example).
  void setColor(const ThemeColor& color, double opacity = 1);
  void setDashedBorder(const ThemeColor& color, double opacity);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  ThemeColor color_;
  double opacity_ = 1;
  double radius_;
  std::optional<ThemeColor> dash_;
  double dashOpacity_ = 1;
};

// Text wrapped at word boundaries into a fixed width, in a palette role; as
// high as the wrapped lines.
class WrappedText : public QWidget {
 public:
  WrappedText(QString text, const QFont& font, ThemeColor color, int width,
              QWidget* parent = nullptr);
  const QString& text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  ThemeColor color_;
};

// Fills `owner` with a plate of `color` and returns the plate's column,
// laid out with these margins (left, top, right, bottom) and spacing.
QVBoxLayout* plateColumn(QWidget* owner, const ThemeColor& color, const QMargins& margins,
                         int spacing);

// A row of exclusive segments with plain labels; a click or Left and Right
// choose. `chosen` runs on every change made by the user, never by setIndex.
class SegmentedControl : public QWidget {
 public:
  SegmentedControl(QStringList labels, int index, std::function<void(int)> chosen,
                   QWidget* parent = nullptr);
  int index() const { return index_; }
  void setIndex(int index);
  // Each segment's rectangle, for clicks and tests.
  QRect segment(int i) const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void choose(int i);
  // Assistive technology reads the chosen segment's label.
  void nameChosen();
  QStringList labels_;
  int index_;
  std::function<void(int)> chosen_;
};

// Empties a layout that is rebuilt from state. The widgets go at once from
// the tree (no lookup finds them) but are deleted later: the click that asked
// for the rebuild may still be running in one of them.
void clearLayout(QLayout* layout);

// Shows the widgets just added to a shown parent's layout now: Qt shows them
// only at the next event loop pass, and until then they count for nothing in
// size hints or pictures.
void showLaidOut(QLayout* layout);

// Fits the window holding `content` to its new contents at once (a rebuilt
// step or state), rather than at the next layout pass.
void fitWindow(QWidget* content);

// A window whose size its content sets offers its title and a close button,
// and no button to minimise or maximise it. With a layout, the window keeps
// the layout's size: the user cannot resize it.
void setFixedWindowFlags(QWidget& window);

// The title of a window showing `pane`: "General — Clipvane". The taskbar,
// not a menu bar, says whose window it is.
QString programTitle(const QString& pane);

// Ctrl+W closes (hides) the window, as it closes a window anywhere on the
// desktop.
void closeOnCtrlW(QWidget& window);

}  // namespace clipvane
