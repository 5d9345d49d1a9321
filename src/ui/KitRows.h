#pragma once
// The interface kit's rows, cards and form controls: grouped cards of rows
// with icon tiles, and the settings' form rows, check boxes, pop-ups and
// switches. Painted from palette roles resolved at paint time.
#include <QComboBox>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "Kit.h"

class QHBoxLayout;
class QVBoxLayout;

namespace clipvane {

// A 28 x 28 tile, radius 7, neutral fill, with a 17 px glyph in `tint`.
class IconSquare : public QWidget {
 public:
  IconSquare(QString glyph, ThemeColor tint, QWidget* parent = nullptr);

  void setTint(const ThemeColor& tint);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_;
  ThemeColor tint_;
};

// A small switch without a label of its own: the accent when on. Checkable;
// `toggled(bool)` carries the user's flips.
class SimpleSwitch : public KitButton {
 public:
  explicit SimpleSwitch(QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  QPainterPath shape() const override;
  bool onAccent() const override { return isChecked(); }
  void paintContent(QPainter& p) override;
  void nextCheckState() override { setChecked(!isChecked()); }
};

// A card of rows: radius 12 in `background`, rows stacked without spacing
// (each row draws the line that divides it from the one above).
class GroupedCard : public QWidget {
 public:
  explicit GroupedCard(ThemeColor background, QWidget* parent = nullptr);

  void addRow(QWidget* row);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  ThemeColor background_;
  QVBoxLayout* rows_;
};

// One row of a card, at least 44 high: an optional icon tile, the label, an
// optional secondary value (cut in the middle when long) and a trailing
// control. With `separator`, a 0.5 line at the top from the label's start to
// the row's end. `trailing` may be null. Without label and value, a trailing
// control that expands takes the whole row from where labels start.
class GroupedRow : public QWidget {
 public:
  GroupedRow(std::optional<QString> glyph, ThemeColor glyphTint, QString label,
             std::optional<QString> value, bool separator, QWidget* trailing,
             QWidget* parent = nullptr);

  // Where the label (and the separator) starts.
  int textStart() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool hasGlyph_;
  bool separator_;
};

// A settings row: the label right-aligned in a 150 column, then the controls
// stacked (spacing 6) at the left of the remaining width. The label sits on
// the first control's text line. No font or padding of its own.
class FormRow : public QWidget {
 public:
  explicit FormRow(QString label, QWidget* parent = nullptr);

  void addControl(QWidget* control);
  static constexpr int labelWidth = 150;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString label_;
  QVBoxLayout* controls_;
};

// A 1 high rule in the separator colour with 2 above and below.
class FormDivider : public QWidget {
 public:
  explicit FormDivider(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A check box with its title; the accent when checked. Checkable; clicking
// the title toggles it too.
class Checkbox : public KitButton {
 public:
  explicit Checkbox(QString title, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  // Leaves `room` around the box on every side, for a focus ring drawn
  // outside the box (an untitled box filled with the accent would hide one
  // drawn inside it). The widget grows by twice the room.
  void setRingRoom(int room);

 protected:
  QPainterPath shape() const override;
  bool onAccent() const override { return false; }
  void paintContent(QPainter& p) override;
  void nextCheckState() override { setChecked(!isChecked()); }

 private:
  QRectF box() const;
  int room_ = 0;
};

// A pop-up menu over a list of values, at its ideal size. Each item carries
// its value as a QVariant; items are told apart by index, so titles may
// repeat. The user's choice reaches the callback given to make(); setting the
// selection from code does not.
class PopUp : public QComboBox {
 public:
  explicit PopUp(QWidget* parent = nullptr);

  template <class T>
  static PopUp* make(const std::vector<std::pair<T, QString>>& options, T selection,
                     std::function<void(T)> changed, QWidget* parent = nullptr) {
    auto* popup = new PopUp(parent);
    for (const auto& [value, title] : options) popup->addItem(title, QVariant::fromValue(value));
    popup->select(selection);
    QObject::connect(popup, &QComboBox::activated, popup,
                     [popup, changed = std::move(changed)](int index) {
                       if (index >= 0 && changed)
                         changed(popup->itemData(index).template value<T>());
                     });
    return popup;
  }

  // Shows the first item whose value equals `value`; none when no item does.
  template <class T>
  void select(const T& value) {
    int found = -1;
    for (int i = 0; i < count() && found < 0; ++i)
      if (itemData(i).template value<T>() == value) found = i;
    setCurrentIndex(found);
  }

  // The shown value's colour (the text colour unless set).
  void setTextColor(const ThemeColor& color);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  // The list opens in the popup palette of the scheme of this moment.
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  // Whether the focus shows: not after a click; a control that had no focus
  // before shows it when its window gives it the focus on opening.
  bool keyboardFocus_ = true;
  ThemeColor textColor_ = Theme::tx;
};

}  // namespace clipvane
