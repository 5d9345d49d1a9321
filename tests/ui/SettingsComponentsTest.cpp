// The settings tables as people see them: where titles start, row stripes and
// selection, the add and remove bar, application icons, the pane's frame.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "SettingsComponents.h"
#include "SettingsViewTest.h"

namespace clipvane {
namespace {

using testing::SettingsViewTest;

QColor pixel(const QImage& image, QPoint p) { return image.pixelColor(p); }

bool near(const QColor& a, const QColor& b, int tolerance = 3) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// A table of `rows` text rows in a pane of the usual size.
struct Sample {
  SettingsPane pane;
  SettingsTable* table;
  Sample(std::vector<SettingsTable::Column> columns, bool checkboxes, int rows,
         std::optional<int> selected = std::nullopt) {
    table = new SettingsTable(std::move(columns), checkboxes);
    for (int i = 0; i < rows; ++i) {
      std::vector<QWidget*> cells;
      for (std::size_t c = 0; c < table->columns().size(); ++c)
        cells.push_back(new ThemeText(QStringLiteral("Row %1 cell %2").arg(i).arg(c)));
      table->addRow(cells, selected == i,
                    checkboxes ? std::optional<bool>(i % 2 == 0) : std::nullopt);
    }
    pane.addItem(table);
    pane.resize(pane.sizeHint());
    pane.show();
    QCoreApplication::processEvents();
  }
};

TEST_F(SettingsViewTest, TitlesStartAtThePaddingOrPastTheCheckboxColumn) {
  Sample plain({{"Name", std::nullopt}, {"Action", 110}}, false, 2);
  Sample checked({{"Name", std::nullopt}, {"Action", 110}}, true, 2);
  EXPECT_EQ(plain.table->titleStarts().front(), 10);
  EXPECT_EQ(checked.table->titleStarts().front(), 34);
  // The flexible column absorbs the width: the fixed one ends at the padding.
  const int w = checked.table->width();
  EXPECT_EQ(checked.table->titleStarts()[1], w - 10 - 110);
  // Cells sit under their titles.
  const TableRow* row = checked.table->rows().front();
  const auto cells = row->findChildren<ThemeText*>();
  ASSERT_EQ(cells.size(), 2);
  EXPECT_EQ(cells[0]->mapTo(checked.table, QPoint()).x(), 34);
  EXPECT_EQ(cells[1]->mapTo(checked.table, QPoint()).x(), w - 10 - 110);
  testing::screenshot(checked.pane, "settings-table-checkboxes");
  testing::screenshot(plain.pane, "settings-table-plain");
}

TEST_F(SettingsViewTest, FixedColumnsLeaveTheRestOfTheHeaderEmpty) {
  Sample fixed({{"Kind", 120}, {"Action", 110}}, false, 1);
  EXPECT_EQ(fixed.table->titleStarts(), (std::vector<int>{10, 140}));
}

TEST_F(SettingsViewTest, RowsAreStripedAndTheSelectedRowIsAccentWithWhiteText) {
  for (const bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    Sample sample({{"Name", std::nullopt}}, true, 6, 3);
    const QImage image = sample.table->grab().toImage();
    for (const TableRow* row : sample.table->rows()) {
      const QPoint probe(sample.table->width() - 20, row->y() + 14);
      const QColor expected = row->index() == 3  ? Theme::color(Theme::acc)
                              : row->index() % 2 ? Theme::color(Theme::bar)
                                                 : Theme::color(Theme::card);
      EXPECT_TRUE(near(pixel(image, probe), expected)) << row->index() << " dark " << dark;
    }
    EXPECT_EQ(TableRow::textColor(sample.table->rows()[3], Theme::tx), QColor(Qt::white));
    EXPECT_EQ(TableRow::textColor(sample.table->rows()[2], Theme::tx), Theme::color(Theme::tx));
    testing::screenshot(sample.pane,
                        QStringLiteral("settings-table-selected-%1").arg(dark ? "dark" : "light"));
  }
}

TEST_F(SettingsViewTest, ARowReportsClicksAnywhereAndItsCheckboxOnlyWhenTheUserFlipsIt) {
  Sample sample({{"Name", std::nullopt}}, true, 2);
  TableRow* row = sample.table->rows()[1];
  QSignalSpy clicks(row, &TableRow::clicked);
  QSignalSpy toggles(row, &TableRow::checkToggled);
  QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 5, 5));
  EXPECT_EQ(clicks.count(), 1);
  row->setChecked(true);
  EXPECT_EQ(toggles.count(), 0);
  click(row->checkbox());
  ASSERT_EQ(toggles.count(), 1);
  EXPECT_FALSE(toggles.front().front().toBool());
  EXPECT_FALSE(row->isSelected());  // selecting is the pane's
}

TEST_F(SettingsViewTest, TheRemoveButtonIgnoresClicksWhileNothingCanBeRemoved) {
  AddRemoveBar bar;
  bar.show();
  QSignalSpy adds(&bar, &AddRemoveBar::add);
  QSignalSpy removes(&bar, &AddRemoveBar::remove);
  bar.setCanRemove(false);
  click(bar.removeButton());
  click(bar.addButton());
  EXPECT_EQ(removes.count(), 0);
  EXPECT_EQ(adds.count(), 1);
  EXPECT_EQ(bar.size(), QSize(48, 20));
  testing::screenshot(bar, "settings-add-remove-disabled");
  bar.setCanRemove(true);
  click(bar.removeButton());
  EXPECT_EQ(removes.count(), 1);
  testing::screenshot(bar, "settings-add-remove");
}

TEST_F(SettingsViewTest, AnInstalledApplicationShowsItsIconAndAnythingElseTheGreySquare) {
  QTemporaryDir dir;
  const QString png = dir.filePath("term.png");
  QImage red(32, 32, QImage::Format_ARGB32);
  red.fill(Qt::red);
  red.save(png);
  applications.listed = {{"org.example.Term", "Term", png}};
  applications.hidden = {{"org.example.NoIcon", "No icon", ""}};

  const auto app = [](std::optional<std::u16string> id) {
    AppSettings::ProtectedApp a;
    a.name = u"Sample";
    a.bundleID = std::move(id);
    if (!a.bundleID) a.site = u"chat.example.com";
    return a;
  };
  const struct {
    std::optional<std::u16string> id;
    bool icon;
  } cases[] = {{u"org.example.Term", true},
               {u"org.example.Missing", false},
               {u"org.example.NoIcon", false},
               {std::nullopt, false}};
  for (const auto& c : cases) {
    AppIcon icon(app(c.id));
    EXPECT_EQ(icon.hasIcon(), c.icon);
    // Painted alone on a clear image: the placeholder's fill is translucent.
    QImage image(icon.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    icon.render(&image, {}, {}, QWidget::DrawChildren);
    const QColor expected = c.icon ? QColor(Qt::red) : Theme::color(Theme::fill);
    // (A faint colour keeps few bits of its own.)
    EXPECT_TRUE(near(pixel(image, {8, 8}), expected, 12));
    EXPECT_NEAR(pixel(image, {8, 8}).alpha(), expected.alpha(), 3);
  }
}

TEST_F(SettingsViewTest, AShortPaneDoesNotScrollAndALongOneDoes) {
  SettingsPane pane;
  pane.addItem(new ThemeText("One line"));
  pane.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(pane.size(), QSize(680, 580));
  EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
  testing::screenshot(pane, "settings-pane-short");
  for (int i = 0; i < 40; ++i) pane.addItem(new ThemeText(QStringLiteral("Line %1").arg(i)));
  EXPECT_TRUE(testing::waitUntil([&] { return pane.verticalScrollBar()->maximum() > 0; }, 1000));
}

}  // namespace
}  // namespace clipvane
