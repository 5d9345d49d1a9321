#pragma once
// The interface kit's buttons, chips and tiles: small widgets painted in
// paintEvent from palette roles resolved at paint time. Sizes are logical
// pixels; text is shown verbatim on one line.
#include <QAbstractButton>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QWidget>

#include <functional>

#include "Theme.h"

namespace clipvane {

namespace Kit {

// The system font at a fixed pixel size and weight.
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal);
// A rounded rectangle with smooth ("continuous") corners: the curve eases
// into the straight edge. Where the rectangle is too small for that, a plain
// rounded rectangle (a capsule at radius = half the short side).
QPainterPath continuousRect(const QRectF& rect, double radius);
// Fully round ends: radius half the shorter side.
QPainterPath capsule(const QRectF& rect);
// Whether a control shows its ring once the focus came to it for `reason`,
// given whether it showed one before: not after a click; as before when the
// focus comes back with its window or from a menu; else (the keyboard, or
// the program moving the focus) yes, as the keys now act on it. Focus a user
// cannot see would take a Space or Return meant for nothing.
bool ringAfter(Qt::FocusReason reason, bool before);
// Whether losing the focus for `reason` keeps the ring for its return.
bool keepsRing(Qt::FocusReason reason);
// The keyboard-focus ring, inside `outline` so it needs no room outside the
// widget: the accent, or white on an accent plate.
void paintFocusRing(QPainter& p, const QPainterPath& outline, bool onAccent);
// Paints what `draw` paints over the rectangle (0, 0, size) of the painter's
// coordinates, from a picture kept while `key` names the same drawing: `key`
// must hold every input of `draw` (sizes, resolved colours, glyphs). The
// picture is made at the device's pixel ratio and kept with it. Antialiased
// outlines are costly to draw again each time a small popup is shown;
// a kept picture is copied. Where the painter scales, rotates or stands
// between pixels, `draw` paints directly.
void paintKept(QPainter& p, const QString& key, const QSize& size,
               const std::function<void(QPainter&)>& draw);

}  // namespace Kit

// The common behaviour of the kit's buttons: their shape takes the clicks,
// they fade while pressed (0.75) or disabled (0.45), lighten under the mouse
// and show a ring when focused from the keyboard.
class KitButton : public QAbstractButton {
 public:
  explicit KitButton(QWidget* parent = nullptr);

  // The caller's selection of a selectable button (shown as checked to
  // assistive technology).
  void setSelected(bool selected);
  bool selected() const { return isChecked(); }
  // The focus ring is drawn now.
  bool showsFocus() const { return keyboardFocus_ && hasFocus(); }

 protected:
  // The outline in widget coordinates: clicks land inside it.
  virtual QPainterPath shape() const = 0;
  // Whether the outline is filled with the accent (the ring is then white).
  virtual bool onAccent() const { return false; }
  // Opacity, hover and focus around `paintContent`.
  void paintEvent(QPaintEvent*) override;
  virtual void paintContent(QPainter& p) = 0;

  bool hitButton(const QPoint& pos) const override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  // Selection is the caller's: a click never flips it.
  void nextCheckState() override {}

 private:
  // Whether the focus shows: not after a click; a control that had no focus
  // before shows it when its window gives it the focus on opening.
  bool keyboardFocus_ = true;
};

// A capsule button with a 13 px semibold label: accent with white text when
// primary, else the card (on grouped backgrounds) or neutral fill.
class PillButton : public KitButton {
 public:
  PillButton(const QString& text, bool primary, double height, bool onGrouped = false,
             QWidget* parent = nullptr);

  void setPrimary(bool primary);
  bool primary() const { return primary_; }
  // 12 beside the label below 32 high, else 16.
  double sidePadding() const { return height_ < 32 ? 12 : 16; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  QPainterPath shape() const override;
  bool onAccent() const override { return primary_; }
  void paintContent(QPainter& p) override;

 private:
  bool primary_;
  double height_;
  bool onGrouped_;
};

// A round button showing one glyph: white on the accent when selected (the
// glyph's filled form), else the text colour on neutral fill or on nothing.
// The whole circle takes clicks either way.
class RoundIconButton : public KitButton {
 public:
  RoundIconButton(QString glyph, double size, double glyphSize, bool selected,
                  bool filledBackground, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  QPainterPath shape() const override;
  bool onAccent() const override { return selected(); }
  void paintContent(QPainter& p) override;

 private:
  QString glyph_;
  double size_;
  double glyphSize_;
  bool filledBackground_;
};

// A white filled glyph on a tinted circle; the glyph is 17/28 of the circle.
class StatusDot : public QWidget {
 public:
  StatusDot(QString glyph, ThemeColor tint, double size, QWidget* parent = nullptr);

  void setGlyph(const QString& glyph);
  void setTint(const ThemeColor& tint);
  // size x 17 / 28 rounded half away from zero: 17 at 28, 13 at 22, 12 at 20.
  static double glyphSize(double size);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_;
  ThemeColor tint_;
  double size_;
};

// A shortcut's keys on a small raised cap, 24 high; never shrinks below its
// text. The widget is one pixel taller than the cap for its hard shadow.
class KeyCap : public QWidget {
 public:
  explicit KeyCap(QString text, QWidget* parent = nullptr);

  void setText(const QString& text);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
};

// A mask token such as [EMAIL_1]: accent text on a faint accent plate, or
// red on red for a value that is removed rather than masked. Given less width
// than the token needs, it cuts the token at its end with an ellipsis and
// shows the whole token in its tooltip.
class TokenChip : public QWidget {
 public:
  TokenChip(QString text, bool removed, QWidget* parent = nullptr);

  void setRemoved(bool removed);
  // Lets a layout narrow the chip down to the token's first character and
  // the ellipsis; by default it keeps the whole token's width.
  void setElidable(bool elidable);
  // The text as drawn at the chip's present width.
  QString shownText() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QString text_;
  bool removed_;
  bool elidable_ = false;
};

// The application's mark in fixed colours: a blue tile with a white sheet,
// two pale lines and a yellow highlighted block.
class AppIconMark : public QWidget {
 public:
  explicit AppIconMark(double size, QWidget* parent = nullptr);

  static void paint(QPainter& p, const QRectF& rect);
  // The program's icon, as the icon theme holds it and the windows show it:
  // the mark inset by a sixteenth of the side (a whole pixel, at least one,
  // so the tile's edges stay sharp at small sizes).
  static QRectF iconRect(int side);
  static QImage iconImage(int side);
  // That icon at the sizes title bars and taskbars pick from.
  static QIcon icon();
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double size_;
};

// A large selectable tile: a 28 px glyph over a 13 px semibold title, on the
// accent when selected (white, filled glyph) or on the caller's idle colour.
// Takes all the width offered.
class ChoiceTile : public KitButton {
 public:
  ChoiceTile(QString glyph, QString title, bool selected, double height, ThemeColor idle,
             QWidget* parent = nullptr);

  const QString& glyph() const { return glyph_; }
  QSize sizeHint() const override;

 protected:
  QPainterPath shape() const override;
  bool onAccent() const override { return selected(); }
  void paintContent(QPainter& p) override;

 private:
  QString glyph_;
  double height_;
  ThemeColor idle_;
};

}  // namespace clipvane
