#pragma once
// Small painted pieces the Detect tab and its sheets share: a line of text in
// a palette role, cut where it does not fit, and text fields whose colours
// follow the palette at paint time.
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <optional>

#include "MaterialSymbols.h"
#include "Theme.h"

class QBoxLayout;

namespace clipvane {

class PillButton;

// One line of text in a palette role (white inside a selected table row); cut
// with an ellipsis where the width given is too small (`elide` says where).
// Its size hint is the whole text.
class DetectText : public QWidget {
 public:
  DetectText(QString text, const QFont& font, ThemeColor color,
             Qt::TextElideMode elide = Qt::ElideRight, QWidget* parent = nullptr);

  const QString& text() const { return text_; }
  void setText(const QString& text);
  void setColor(const ThemeColor& color);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  ThemeColor color_;
  Qt::TextElideMode elide_;
};

// A glyph of the icon set in a palette role (white inside a selected table row).
class DetectGlyph : public MaterialIcon {
 public:
  using MaterialIcon::MaterialIcon;

 protected:
  QColor ink(const ThemeColor& role) const override;
};

// The small "CSV" mark in front of an imported list's file name.
class ListBadge : public QWidget {
 public:
  explicit ListBadge(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A small dialog over a window: the confirm button answers Return, "Cancel"
// Escape (and closing the window), on a background in a palette role.
class SheetDialog : public QDialog {
 public:
  SheetDialog(ThemeColor background, QWidget* parent);

  virtual void confirm() = 0;

 protected:
  // Appends "Cancel" (reject) and the confirm button to the row; returns the
  // confirm button, object names "cancel" and `confirmName`.
  PillButton* addAnswers(QBoxLayout* row, const QString& confirmTitle, const QString& confirmName);
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent*) override;

 private:
  ThemeColor background_;
};

// The "Ignore Text" question: a field for the text with "Ignore" (Return)
// and "Cancel" (Escape), application-modal. The text typed on "Ignore",
// none otherwise.
std::optional<QString> askIgnoredText(QWidget* parent);

// Copies the roles into the widget's palette (text, field, placeholder) when
// they differ from what it holds; called as the field paints, so a change of
// the desktop's scheme reaches it with the repaint.
void applyFieldColors(QWidget& field, const ThemeColor& text);

// A one-line field on the card colour with its text in a palette role.
class DetectLineEdit : public QLineEdit {
 public:
  explicit DetectLineEdit(QWidget* parent = nullptr);
  void setTextColor(const ThemeColor& color);
  const ThemeColor& textColor() const { return textColor_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  ThemeColor textColor_;
};

// A multi-line plain-text field without a frame of its own.
class DetectTextEdit : public QPlainTextEdit {
 public:
  explicit DetectTextEdit(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;
};

// A field on the card colour inside a rounded line (radius 5) in `sep`; the
// focus ring goes round it while the field has the keyboard.
class FieldFrame : public QWidget {
 public:
  explicit FieldFrame(QWidget* field, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QWidget* field_;
};

}  // namespace clipvane
