#pragma once
// The painted rows at the top of the status menu: the two-line header, the
// "Last copy" line with its Review button, and the style that draws a recent
// copy as two lines (preview and detail) in an ordinary menu row, so that
// hover, submenu arrows and keyboard navigation stay the menu's own.
#include <QAbstractButton>
#include <QIcon>
#include <QProxyStyle>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "Detector.h"

#include "Theme.h"

namespace clipvane {

// The state title and detail line; 250 x 40, never highlighted. In a menu
// wider than that it takes the menu's width.
class MenuHeader : public QWidget {
  Q_OBJECT

 public:
  MenuHeader(QString title, QString detail, QWidget* parent = nullptr);
  static constexpr int width = 250;
  static constexpr int height = 40;

  QSize sizeHint() const override { return {width, height}; }
  const QString& title() const { return title_; }
  const QString& detail() const { return detail_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString title_;
  QString detail_;
};

// "Last copy", and a Review button that runs `open` when `review` is set;
// 250 x 22, or the menu's width. While the menu's keyboard or pointer rests
// on the line (`highlighted` says when), it is drawn as a highlighted row.
class LastCopyHeader : public QWidget {
  Q_OBJECT

 public:
  LastCopyHeader(bool review, std::function<void()> open, std::function<bool()> highlighted = {},
                 QWidget* parent = nullptr);
  bool isHighlighted() const { return highlighted_ && highlighted_(); }
  static constexpr int width = 250;
  static constexpr int height = 22;

  QSize sizeHint() const override { return {width, height}; }
  // The Review button; null when the header shows none.
  QAbstractButton* reviewButton() const { return button_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QAbstractButton* button_ = nullptr;
  std::function<bool()> highlighted_;
};

// A plain text button in the secondary text colour (the Review button); on a
// highlighted line it takes the highlighted text colour.
class PlainTextButton : public QAbstractButton {
  Q_OBJECT

 public:
  PlainTextButton(const QString& text, double pixelSize, ThemeColor color,
                  QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double pixelSize_;
  ThemeColor color_;
};

// What a recent-copy row shows besides its dot: set on the style option's
// text as "preview\ndetail\ttime" by the menu, read back by StatusMenuStyle.
struct CopyRowText {
  QString preview;
  QString detail;
  QString time;

  QString encode() const;
  // Only texts with a line break are rows of a recent copy.
  static std::optional<CopyRowText> decode(const QString& optionText);
};

// Draws the rows of recent copies (two lines: the preview in a 12 px fixed
// font, the detail in an 11 px secondary colour) and hands every other
// element to the application's style.
class StatusMenuStyle : public QProxyStyle {
  Q_OBJECT

 public:
  StatusMenuStyle();
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                         const QWidget* widget) const override;

  static QFont previewFont();
  static QFont detailFont();
};

// The one-line preview of a copied text: every finding in it stands as its
// partial mask, then the first non-empty line, trimmed of spaces and tabs;
// longer than 18 characters it keeps the first 12, "…" and the last 4.
QString copyPreview(const QString& text, const std::vector<Finding>& found = {});

// A 16 x 16 icon with a 6 px dot in the middle, the same in every mode (it
// keeps its colour when highlighted or disabled).
QIcon dotIcon(const QColor& color, qreal dpr);

}  // namespace clipvane
