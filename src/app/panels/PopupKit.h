#pragma once
// The kit components the popups are built from, under one name: `pkit::`.
// Until the shared kit is in the interface library these are plain painted
// stand-ins with the same constructors; then this header only re-exports it.
#include <QAbstractButton>
#include <QFont>
#include <QWidget>

#include <optional>

#include "Theme.h"

namespace clipvane::pkit {

// The system font at a pixel size and weight.
QFont font(double size, QFont::Weight weight = QFont::Normal);

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

class PillButton : public QAbstractButton {
 public:
  PillButton(const QString& text, bool primary, double height, bool onGrouped = false,
             QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool primary_;
  double height_;
  bool onGrouped_;
};

class StatusDot : public QWidget {
 public:
  StatusDot(QString glyph, ThemeColor tint, double size, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_;
  ThemeColor tint_;
  double size_;
};

class KeyCap : public QWidget {
 public:
  explicit KeyCap(QString text, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
};

class RoundIconButton : public QAbstractButton {
 public:
  RoundIconButton(QString glyph, double size, double glyphSize, bool selected,
                  bool filledBackground, QWidget* parent = nullptr);
  void setSelected(bool selected);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_;
  double size_, glyphSize_;
  bool selected_, filled_;
};

class ChoiceTile : public QAbstractButton {
 public:
  ChoiceTile(QString glyph, QString title, bool selected, double height, ThemeColor idle,
             QWidget* parent = nullptr);
  void setSelected(bool selected);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString glyph_, title_;
  bool selected_;
  double height_;
  ThemeColor idle_;
};

class SimpleSwitch : public QAbstractButton {
 public:
  explicit SimpleSwitch(QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class GroupedRow : public QWidget {
 public:
  GroupedRow(std::optional<QString> glyph, ThemeColor glyphTint, QString label,
             std::optional<QString> value, bool separator, QWidget* trailing,
             QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool separator_;
  int textStart_;
};

}  // namespace clipvane::pkit
