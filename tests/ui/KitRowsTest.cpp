// The kit's rows, cards and form controls: geometry from their sizes,
// colours at known pixels, the bindings' answers.
#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "KitRows.h"
#include "KitTestSupport.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::pixelAt;
using testing::renderAlone;
using testing::sameRgb;

using testing::fixedBlock;

// Lays a row out at a width inside a card, as the windows do.
struct CardOf {
  GroupedCard card{Theme::card};
  explicit CardOf(std::initializer_list<GroupedRow*> rows, int width = 360) {
    for (GroupedRow* row : rows) card.addRow(row);
    card.resize(width, card.sizeHint().height());
    card.show();
    QApplication::processEvents();
  }
};

TEST(KitRows, RowGeometry) {
  testing::SchemeScope scheme;
  auto* withGlyph =
      new GroupedRow("mail", Theme::tx, "Email", "ann@example.com", false, new SimpleSwitch);
  auto* bare = new GroupedRow(std::nullopt, Theme::tx, "Limit", std::nullopt, true, nullptr);
  auto* tall =
      new GroupedRow(std::nullopt, Theme::tx, "Tall", std::nullopt, true, fixedBlock(40, 60));
  CardOf card({withGlyph, bare, tall});

  // At least 44 high; a taller control makes the row taller.
  EXPECT_EQ(withGlyph->height(), 44);
  EXPECT_EQ(bare->height(), 44);
  EXPECT_EQ(tall->height(), 60);
  // The label starts after the tile and its 12 gap, or 12 in without a tile.
  auto* label = withGlyph->findChild<QLabel*>("label");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->x(), 12 + 28 + 12);
  EXPECT_EQ(bare->findChild<QLabel*>("label")->x(), 12);
  EXPECT_EQ(withGlyph->textStart(), 52);
  EXPECT_EQ(bare->textStart(), 12);
  // The switch is centred and ends 12 before the edge.
  auto* sw = withGlyph->findChild<SimpleSwitch*>();
  ASSERT_NE(sw, nullptr);
  EXPECT_EQ(sw->geometry().right() + 1, 360 - 12);
  EXPECT_EQ(sw->y(), (44 - sw->height()) / 2);
  EXPECT_EQ(withGlyph->findChild<QLabel*>("value")->geometry().right() + 1 + 10, sw->x());
}

TEST(KitRows, SeparatorsRunFromTheLabelToTheEdge) {
  testing::SchemeScope scheme;
  auto* first = new GroupedRow("mail", Theme::tx, "First", std::nullopt, false, nullptr);
  auto* second = new GroupedRow("mail", Theme::tx, "Second", std::nullopt, true, nullptr);
  auto* third = new GroupedRow(std::nullopt, Theme::tx, "Third", std::nullopt, true, nullptr);
  CardOf card({first, second, third});
  const QImage image = renderAlone(card.card);
  const QColor cardColour = Theme::card.resolve(Scheme::light);
  auto lineAt = [&](int x, int y) { return pixelAt(image, x, y).rgb() != cardColour.rgb(); };
  // The first row has none; the second from 52, the third from 12; never full width.
  EXPECT_FALSE(lineAt(100, 0));
  EXPECT_TRUE(lineAt(52, 44));
  EXPECT_TRUE(lineAt(358, 44));
  EXPECT_FALSE(lineAt(50, 44));
  EXPECT_TRUE(lineAt(12, 88));
  EXPECT_FALSE(lineAt(10, 88));
  // Nothing at the card's bottom.
  EXPECT_FALSE(lineAt(100, image.height() - 1));
}

TEST(KitRows, LongValuesAreCutInTheMiddleOnOneLine) {
  testing::SchemeScope scheme;
  const QString value = QStringLiteral("a-very-long-address-that-goes-on@example.com");
  auto* row = new GroupedRow(std::nullopt, Theme::tx, "Email", value, false, nullptr);
  CardOf card({row}, 200);
  auto* label = row->findChild<QLabel*>("label");
  auto* shown = row->findChild<QLabel*>("value");
  EXPECT_EQ(row->height(), 44);
  EXPECT_LT(shown->width(), shown->sizeHint().width());
  EXPECT_GE(shown->x() - label->geometry().right() - 1, 8);
  EXPECT_EQ(shown->geometry().right() + 1, 200 - 12);
  const QString cut =
      QFontMetricsF(shown->font()).elidedText(value, Qt::ElideMiddle, shown->width());
  EXPECT_TRUE(cut.startsWith("a-") && cut.endsWith(".com") && cut.contains(QChar(0x2026)));
  // The full text stays readable to assistive technology.
  EXPECT_EQ(shown->text(), value);
}

TEST(KitRows, FormRowKeepsItsLabelColumn) {
  testing::SchemeScope scheme;
  QWidget pane;
  auto* layout = new QVBoxLayout(&pane);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* named = new FormRow("Paste key:");
  auto* empty = new FormRow("");
  auto* long_ = new FormRow("A label far too long for the label column");
  for (FormRow* row : {named, empty, long_}) {
    row->addControl(new Checkbox("Show notices"));
    layout->addWidget(row);
  }
  named->addControl(new Checkbox("Second"));
  pane.resize(420, pane.sizeHint().height());
  pane.show();
  QApplication::processEvents();
  for (FormRow* row : {named, empty, long_}) {
    auto boxes = row->findChildren<Checkbox*>();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes[0]->x(), 150 + 12);
  }
  auto boxes = named->findChildren<Checkbox*>();
  EXPECT_EQ(boxes[1]->y(), boxes[0]->geometry().bottom() + 1 + 6);

  // Labels end at the column's right edge and never cross into the controls.
  for (FormRow* row : {named, long_}) {
    const QImage image = renderAlone(*row);
    int rightmost = -1;
    for (int x = 0; x < 160; ++x)  // up to the control's antialiased edge
      for (int y = 0; y < image.height(); ++y)
        if (pixelAt(image, x, y).alpha() > 0) rightmost = std::max(rightmost, x);
    EXPECT_GE(rightmost, 143);
    EXPECT_LT(rightmost, 150);
  }
  const QImage blank = renderAlone(*empty);
  for (int x = 0; x < 150; ++x) EXPECT_EQ(pixelAt(blank, x, 8).alpha(), 0);
}

TEST(KitRows, DividerCheckboxAndSwitch) {
  testing::SchemeScope scheme(true);
  FormDivider divider;
  divider.resize(100, 5);
  EXPECT_EQ(divider.sizeHint().height(), 5);
  const QImage rule = renderAlone(divider);
  EXPECT_EQ(pixelAt(rule, 50, 1).alpha(), 0);
  EXPECT_TRUE(sameRgb(pixelAt(rule, 50, 2), Theme::sep.resolve(Scheme::dark)));
  EXPECT_EQ(pixelAt(rule, 50, 3).alpha(), 0);

  Checkbox box("Launch at login");
  box.adjustSize();
  QSignalSpy toggles(&box, &QAbstractButton::toggled);
  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 4, box.height() / 2));
  ASSERT_EQ(toggles.count(), 1);
  EXPECT_TRUE(toggles[0][0].toBool());
  EXPECT_TRUE(
      sameRgb(pixelAt(renderAlone(box), 2, box.height() / 2), Theme::acc.resolve(Scheme::dark)));
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&box);
  EXPECT_EQ(access->text(QAccessible::Name), "Launch at login");
  EXPECT_TRUE(access->state().checked);

  SimpleSwitch sw;
  EXPECT_EQ(sw.size(), QSize(32, 18));
  QSignalSpy flips(&sw, &QAbstractButton::toggled);
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_TRUE(sw.isChecked());
  EXPECT_TRUE(sameRgb(pixelAt(renderAlone(sw), 4, 9), Theme::acc.resolve(Scheme::dark)));
  EXPECT_EQ(pixelAt(renderAlone(sw), 26, 9).rgb(), QColor(Qt::white).rgb());  // the knob, right
  QTest::keyClick(&sw, Qt::Key_Space);
  EXPECT_FALSE(sw.isChecked());
  EXPECT_EQ(pixelAt(renderAlone(sw), 6, 9).rgb(), QColor(Qt::white).rgb());  // the knob, left
  sw.setEnabled(false);
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_FALSE(sw.isChecked());
  EXPECT_EQ(flips.count(), 2);
}

enum class Choice { ask, mask, skip };

TEST(KitRows, PopUpItemsAreToldApartByIndex) {
  testing::SchemeScope scheme;
  std::vector<std::optional<Choice>> chosen;
  PopUp* popup = PopUp::make<std::optional<Choice>>(
      {{std::nullopt, "Default"}, {Choice::mask, "Mask"}, {Choice::skip, "Mask"}},
      std::optional<Choice>(Choice::skip), [&](std::optional<Choice> c) { chosen.push_back(c); });
  std::unique_ptr<PopUp> owner(popup);
  ASSERT_EQ(popup->count(), 3);
  EXPECT_EQ(popup->currentIndex(), 2);  // the second "Mask"
  Q_EMIT popup->activated(1);
  Q_EMIT popup->activated(0);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0], Choice::mask);
  EXPECT_EQ(chosen[1], std::nullopt);
  // Selecting from code tells nobody.
  popup->select(std::optional<Choice>(Choice::mask));
  EXPECT_EQ(popup->currentIndex(), 1);
  popup->select(std::optional<Choice>(Choice::ask));
  EXPECT_EQ(popup->currentIndex(), -1);
  EXPECT_EQ(chosen.size(), 2u);
  // Fixed at its ideal size: wide enough for the widest title.
  EXPECT_EQ(popup->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
  EXPECT_GT(popup->sizeHint().width(),
            QFontMetricsF(popup->font()).horizontalAdvance("Default") + 16 + 16);

  std::vector<int> ints;
  std::unique_ptr<PopUp> minutes(
      PopUp::make<int>({{1, "1 minute"}, {5, "5 minutes"}}, 5, [&](int v) { ints.push_back(v); }));
  EXPECT_EQ(minutes->currentText(), "5 minutes");
  Q_EMIT minutes->activated(0);
  EXPECT_EQ(ints, std::vector<int>{1});
}

TEST(KitRows, Screenshots) {
  testing::SchemeScope scheme;
  for (bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    testing::Sheet sheet;
    auto* card = new GroupedCard(Theme::card);
    card->addRow(new GroupedRow("mail", Theme::tx, "Email address", "ann.lee@example.com", false,
                                new SimpleSwitch));
    auto* on = new SimpleSwitch;
    on->setChecked(true);
    card->addRow(new GroupedRow("credit_card", Theme::tx, "Card number",
                                "4111 1111 1111 1111 and more text that is cut", true, on));
    auto* locked = new SimpleSwitch;
    locked->setEnabled(false);
    card->addRow(new GroupedRow("vpn_key", Theme::bad, "API key", "sk-live-…", true, locked));
    card->addRow(
        new GroupedRow(std::nullopt, Theme::tx, "No icon, no value", std::nullopt, true, nullptr));
    sheet.layout()->addWidget(card);

    auto* form = new QWidget;
    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 8, 0, 0);
    formLayout->setSpacing(8);
    auto* general = new FormRow("Notices:");
    general->addControl(new Checkbox("Show a notice after each paste"));
    auto* checked = new Checkbox("Play a sound");
    checked->setChecked(true);
    general->addControl(checked);
    formLayout->addWidget(general);
    formLayout->addWidget(new FormDivider);
    auto* keep = new FormRow("Keep originals for:");
    keep->addControl(
        PopUp::make<int>({{1, "One hour"}, {24, "One day"}, {168, "One week"}}, 24, [](int) {}));
    formLayout->addWidget(keep);
    auto* blank = new FormRow("");
    auto* disabled = new Checkbox("Disabled choice");
    disabled->setEnabled(false);
    blank->addControl(disabled);
    formLayout->addWidget(blank);
    sheet.layout()->addWidget(form);
    sheet.resize(480, sheet.sizeHint().height());
    testing::screenshot(sheet, dark ? "kit-rows-dark" : "kit-rows-light");
  }
}

}  // namespace
}  // namespace clipvane
