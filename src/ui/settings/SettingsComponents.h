#pragma once
// The frame of every settings tab and the pieces of the settings tables: the
// scrolling pane, a bordered table with its header, its rows, the joined add
// and remove buttons under a table and a protected application's icon. They
// keep no state beyond what the pane hands them and change no settings.
#include <QAbstractButton>
#include <QScrollArea>
#include <QWidget>

#include <optional>
#include <vector>

#include "AppSettings.h"
#include "Theme.h"
#include "ports/ApplicationsPort.h"

class QIcon;
class QHBoxLayout;
class QVBoxLayout;

namespace clipvane {

// Text in one palette role, painted (so it follows the scheme): one line,
// elided at the right when narrower than the text, or wrapped with
// `setWordWrap`. Inside a selected table row it is white.
class ThemeText : public QWidget {
  Q_OBJECT

 public:
  ThemeText(QString text, ThemeColor color = Theme::tx, QWidget* parent = nullptr);

  void setText(const QString& text);
  const QString& text() const { return text_; }
  void setColor(const ThemeColor& color);
  void setAlignment(Qt::Alignment alignment);
  void setWordWrap(bool wrap);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return wrap_; }
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent* e) override;

 private:
  QString text_;
  ThemeColor color_;
  Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
  bool wrap_ = false;
};

// One settings tab: the items stacked top to bottom (`spacing` apart, 28 in
// from the sides, 20 from top and bottom) on the card colour, in a vertical
// scroll area of exactly 680 x 580. The pane's font is the system font at 13.
class SettingsPane : public QScrollArea {
 public:
  static constexpr int width = 680;
  static constexpr int height = 580;

  explicit SettingsPane(double spacing = 14, QWidget* parent = nullptr);

  // Appends an item. Without an alignment it takes the pane's whole width
  // (rows, tables); Qt::AlignLeft keeps it at its own size at the left.
  void addItem(QWidget* item, Qt::Alignment alignment = {});
  QWidget* content() const { return content_; }
  QVBoxLayout* items() const { return items_; }

  QSize sizeHint() const override { return {width, height}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QWidget* content_;
  QVBoxLayout* items_;
};

class TableRow;

// A table with a column header: 24 high on the bar colour, titles in 12
// semibold secondary text, then the rows. Rounded 6 on the card colour with a
// 0.5 border inside its edge. It is as tall as its rows; it never scrolls.
class SettingsTable : public QWidget {
 public:
  struct Column {
    QString title;
    std::optional<double> width;  // none: the column takes the width left over
  };

  SettingsTable(std::vector<Column> columns, bool checkboxes, QWidget* parent = nullptr);

  const std::vector<Column>& columns() const { return columns_; }
  bool checkboxes() const { return checkboxes_; }

  // Appends a row whose index is the number of rows before it. `checked`
  // none: the row has no checkbox (only for a table without checkboxes).
  // `cells`: one widget per column, laid out in the columns' widths.
  TableRow* addRow(std::vector<QWidget*> cells, bool selected = false,
                   std::optional<bool> checked = std::nullopt);
  // Removes and deletes every row.
  void clearRows();
  const std::vector<TableRow*>& rows() const { return rows_; }

  // Where each column's title starts, in table coordinates.
  std::vector<int> titleStarts() const;
  static constexpr int headerHeight = 24;
  static constexpr int padding = 10;  // left and right, in header and rows
  static constexpr int spacing = 10;  // between columns
  static constexpr int checkWidth = 14;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  friend class TableRow;
  std::vector<Column> columns_;
  bool checkboxes_;
  std::vector<TableRow*> rows_;
  QVBoxLayout* rowsLayout_;
};

// One row of a SettingsTable, exactly 28 high: the checkbox (when given) in
// a 14 column, then the cells. Selected: accent background, white text;
// otherwise every second row (odd index) on the bar colour. A click anywhere
// in the row that no cell takes reports `clicked`; choosing the selection is
// the pane's. The keyboard reaches the row through its checkbox, or the row
// itself when it has none (with a focus ring); Return there (or Space on a
// row without a checkbox) reports `clicked` too, so that the keyboard alone
// can select a row.
class TableRow : public QWidget {
  Q_OBJECT

 public:
  TableRow(const std::vector<SettingsTable::Column>& columns, int index, bool selected,
           std::optional<bool> checked, std::vector<QWidget*> cells, QWidget* parent = nullptr);

  static constexpr int rowHeight = 28;

  int index() const { return index_; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  // The checkbox, null without one.
  QAbstractButton* checkbox() const { return checkbox_; }
  void setChecked(bool checked);
  // The selected row's text colour (white) or `normal`.
  static QColor textColor(const QWidget* inside, const ThemeColor& normal);

 Q_SIGNALS:
  void clicked();
  // The user flipped the checkbox.
  void checkToggled(bool checked);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  // Also the keys the checkbox leaves to its row.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  int index_;
  bool selected_;
  QAbstractButton* checkbox_ = nullptr;
};

// The add and remove buttons joined side by side, each 24 x 20 with a 15 px
// glyph. The remove button is disabled (drawn at 40 %) while nothing can be
// removed.
class AddRemoveBar : public QWidget {
  Q_OBJECT

 public:
  explicit AddRemoveBar(QWidget* parent = nullptr);

  void setCanRemove(bool can);
  QAbstractButton* addButton() const { return add_; }
  QAbstractButton* removeButton() const { return remove_; }

 Q_SIGNALS:
  void add();
  void remove();

 private:
  QAbstractButton* add_;
  QAbstractButton* remove_;
};

// An installed application's icon: its themed icon or image file; null when
// the theme has none.
QIcon installedAppIcon(const InstalledApp& app);

// A protected application's icon, 16 x 16: the installed application's themed
// icon, or a grey rounded square for a web site or an application that is not
// installed. Looked up each time it is painted.
class AppIcon : public QWidget {
 public:
  explicit AppIcon(AppSettings::ProtectedApp app, QWidget* parent = nullptr);

  void setApp(const AppSettings::ProtectedApp& app);
  // Whether an installed application's icon is shown (not the placeholder).
  bool hasIcon() const;
  QSize sizeHint() const override { return {16, 16}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  AppSettings::ProtectedApp app_;
};

}  // namespace clipvane
