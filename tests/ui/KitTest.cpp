// The kit's buttons, chips and tiles: sizes, colours at known pixels, states.
#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "Kit.h"
#include "KitTestSupport.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::pixelAt;
using testing::renderAlone;
using testing::sameRgb;

QRgb rgbOf(const ThemeColor& role, Scheme s) { return role.resolve(s).rgb(); }

TEST(Kit, PillPaddingFollowsTheHeight) {
  testing::SchemeScope scheme;
  struct Case {
    double height;
    double padding;
  };
  for (const Case c : {Case{28, 12}, Case{31.5, 12}, Case{32, 16}, Case{40, 16}}) {
    PillButton pill("Paste", false, c.height);
    EXPECT_EQ(pill.sidePadding(), c.padding);
    const int text = qCeil(QFontMetricsF(pill.font()).horizontalAdvance("Paste"));
    EXPECT_EQ(pill.sizeHint(), QSize(text + int(2 * c.padding), qCeil(c.height)));
  }
  PillButton pill("Paste", false, 28);
  EXPECT_EQ(pill.font().pixelSize(), 13);
  EXPECT_EQ(pill.font().weight(), QFont::DemiBold);
}

TEST(Kit, PillColoursAndOpacities) {
  struct Case {
    const char* name;
    bool primary, onGrouped, enabled, down;
    const ThemeColor* plate;
    double opacity;
    bool whiteText;
  };
  const Case cases[] = {
      {"primary", true, false, true, false, &Theme::acc, 1.0, true},
      {"primary-on-grouped", true, true, true, false, &Theme::acc, 1.0, true},
      {"secondary", false, false, true, false, &Theme::fill, 1.0, false},
      {"on-grouped", false, true, true, false, &Theme::card, 1.0, false},
      {"pressed", true, false, true, true, &Theme::acc, 0.75, true},
      {"disabled-pressed", true, false, false, true, &Theme::acc, 0.45, true},
  };
  testing::SchemeScope scheme;
  for (Scheme s : {Scheme::light, Scheme::dark}) {
    scheme.appearance.isDark = s == Scheme::dark;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (s == Scheme::dark ? " dark" : " light"));
      PillButton pill("Mask All", c.primary, 28, c.onGrouped);
      pill.setEnabled(c.enabled);
      pill.setDown(c.down);
      const QImage image = renderAlone(pill);
      // Beside the label, inside the capsule.
      const QColor plate = pixelAt(image, 8, 14);
      const QColor expected = c.plate->resolve(s);
      EXPECT_TRUE(sameRgb(plate, expected)) << plate.name().toStdString();
      EXPECT_NEAR(plate.alphaF(), expected.alphaF() * c.opacity, 0.01);
      // The capsule's corner stays clear.
      EXPECT_EQ(pixelAt(image, 0, 0).alpha(), 0);
      // Some pixel of the label is its ink, unblended.
      if (c.opacity < 1.0) continue;
      const QColor ink = c.whiteText ? QColor(Qt::white) : Theme::tx.resolve(s);
      bool found = false;
      for (int x = 12; x < image.width() - 12 && !found; ++x)
        for (int y = 6; y < 22 && !found; ++y) found = pixelAt(image, x, y).rgb() == ink.rgb();
      EXPECT_TRUE(found);
    }
  }
}

TEST(Kit, RoundIconButtonTakesClicksOnItsWholeCircle) {
  testing::SchemeScope scheme;
  RoundIconButton button("visibility", 28, 15, false, false);
  EXPECT_EQ(button.size(), QSize(28, 28));
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  // Inside the circle, away from the glyph: clear, but a click.
  const QImage image = renderAlone(button);
  EXPECT_EQ(pixelAt(image, 4, 14).alpha(), 0);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(4, 14));
  EXPECT_EQ(clicks.count(), 1);
  // A corner is outside the circle.
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(clicks.count(), 1);
  // A click does not select: the caller does.
  EXPECT_FALSE(button.selected());
  EXPECT_EQ(button.accessibleName(), "visibility");
}

TEST(Kit, RoundIconButtonStates) {
  testing::SchemeScope scheme;
  const QColor clear(0, 0, 0, 0);
  const QColor acc = Theme::acc.resolve(Scheme::light);
  const QColor fill = Theme::fill.resolve(Scheme::light);
  const QColor tx = Theme::tx.resolve(Scheme::light);
  struct Case {
    const char* glyph;
    bool selected, filled;
    QColor plate;   // inside the circle, away from the glyph
    QColor centre;  // inside the filled shield, inside the outlined one's hollow
    QColor ink;     // somewhere
  };
  const Case cases[] = {
      {"shield", true, false, acc, Qt::white, Qt::white},
      {"shield", false, true, fill, fill, tx},
      {"shield", false, false, clear, clear, tx},
      // no filled form of "flag": selected shows the plate only
      {"flag", true, false, acc, acc, acc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.glyph) + (c.selected ? " selected" : "") +
                 (c.filled ? " filled" : ""));
    RoundIconButton button(c.glyph, 28, 17, false, c.filled);
    button.setSelected(c.selected);
    EXPECT_EQ(button.selected(), c.selected);
    const QImage image = renderAlone(button, 4);  // glyph strokes wide enough to be solid
    for (const auto& [point, colour] :
         {std::pair{QPoint(3, 14), c.plate}, std::pair{QPoint(14, 13), c.centre}}) {
      const QColor px = pixelAt(image, point.x() * 4, point.y() * 4);
      EXPECT_NEAR(px.alpha(), colour.alpha(), 1) << point.x();
      if (colour.alpha()) {
        EXPECT_TRUE(sameRgb(px, colour)) << px.name().toStdString();
      }
    }
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y)
      for (int x = 0; x < image.width() && !inked; ++x)
        inked = pixelAt(image, x, y).rgb() == c.ink.rgb() && pixelAt(image, x, y).alpha() == 255;
    EXPECT_TRUE(inked);
  }
}

TEST(Kit, StatusDotGlyphSizes) {
  struct Case {
    double dot, glyph;
  };
  for (const Case c : {Case{28, 17}, Case{22, 13}, Case{20, 12}, Case{14, 9}})
    EXPECT_EQ(StatusDot::glyphSize(c.dot), c.glyph) << c.dot;

  testing::SchemeScope scheme(true);
  StatusDot dot("shield", Theme::att, 28);
  EXPECT_EQ(dot.size(), QSize(28, 28));
  const QImage image = renderAlone(dot);
  EXPECT_EQ(pixelAt(image, 14, 14).rgb(), QColor(Qt::white).rgb());  // the filled glyph
  EXPECT_EQ(pixelAt(image, 2, 14).rgb(), rgbOf(Theme::att, Scheme::dark));
  EXPECT_EQ(pixelAt(image, 0, 0).alpha(), 0);
  // The glyph is 17 wide: a row through the centre is white for about 17 * the
  // shield's width share, and never reaches the circle's outer 5 pixels.
  for (int x : {0, 1, 2, 3, 4, 24, 25, 26, 27})
    EXPECT_NE(pixelAt(image, x, 14).rgb(), QColor(Qt::white).rgb()) << x;
}

TEST(Kit, KeyCapAndTokenChipGrowWithTheirText) {
  testing::SchemeScope scheme;
  KeyCap shortKey("V");
  KeyCap longKey("Ctrl+Super+V");
  const QFontMetricsF metrics(Kit::font(13, QFont::Medium));
  EXPECT_EQ(longKey.sizeHint().width(), qCeil(metrics.horizontalAdvance("Ctrl+Super+V")) + 14);
  EXPECT_GT(longKey.sizeHint().width(), shortKey.sizeHint().width());
  EXPECT_EQ(longKey.sizeHint().height(), 25);  // the 24 cap and its one-pixel edge
  EXPECT_EQ(longKey.minimumSizeHint(), longKey.sizeHint());
  EXPECT_EQ(longKey.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

  const QImage cap = renderAlone(longKey);
  EXPECT_EQ(pixelAt(cap, 10, 12).rgb(), rgbOf(Theme::grouped, Scheme::light));
  // The hard shadow: the row below the cap, black at 0.14.
  const QColor shadow = pixelAt(cap, cap.width() / 2, 24);
  EXPECT_TRUE(sameRgb(shadow, Qt::black));
  EXPECT_NEAR(shadow.alphaF(), 0.14, 0.03);

  TokenChip chip("[EMAIL_1]", false);
  const QFontMetricsF regular(Kit::font(13));
  EXPECT_EQ(chip.sizeHint(),
            QSize(qCeil(regular.horizontalAdvance("[EMAIL_1]")) + 12, qCeil(regular.height()) + 2));
}

TEST(Kit, TokenChipColours) {
  testing::SchemeScope scheme;
  for (Scheme s : {Scheme::light, Scheme::dark}) {
    scheme.appearance.isDark = s == Scheme::dark;
    for (bool removed : {false, true}) {
      TokenChip chip("[EMAIL_1]", removed);
      const QImage image = renderAlone(chip);
      const QColor plate = pixelAt(image, 3, image.height() / 2);
      const QColor ink = (removed ? Theme::bad : Theme::acc).resolve(s);
      EXPECT_TRUE(sameRgb(plate, ink));
      EXPECT_NEAR(plate.alphaF(), 0.12, 0.01);
    }
  }
}

TEST(Kit, AppIconMarkIsTheSameInBothSchemes) {
  testing::SchemeScope scheme;
  AppIconMark mark(64);
  const QImage light = renderAlone(mark);
  scheme.appearance.isDark = true;
  const QImage dark = renderAlone(mark);
  EXPECT_EQ(light, dark);
  EXPECT_EQ(pixelAt(light, 32, 3).rgb(), QColor(0x2F, 0x6F, 0xDE).rgb());   // tile
  EXPECT_EQ(pixelAt(light, 32, 32).rgb(), QColor(0xFF, 0xD4, 0x3B).rgb());  // block
  EXPECT_EQ(pixelAt(light, 40, 14).rgb(), QColor(Qt::white).rgb());         // sheet
  EXPECT_EQ(pixelAt(light, 24, 20).rgb(), QColor(0xA9, 0xC4, 0xF5).rgb());  // first line
  // A corner radius of 14.4: the corner pixel is clear, one 5 in is not.
  EXPECT_EQ(pixelAt(light, 0, 0).alpha(), 0);
  EXPECT_EQ(pixelAt(light, 6, 6).alpha(), 255);
}

TEST(Kit, ChoiceTileTakesTheWidthAndItsColours) {
  testing::SchemeScope scheme;
  QWidget row;
  auto* layout = new QHBoxLayout(&row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* idle = new ChoiceTile("lock", "Keep Masked", false, 96, Theme::card);
  auto* chosen = new ChoiceTile("lock", "Keep Masked", true, 96, Theme::card);
  layout->addWidget(idle);
  layout->addWidget(chosen);
  row.resize(400, 96);
  row.show();
  EXPECT_EQ(idle->width() + chosen->width() + layout->spacing(), 400);
  EXPECT_EQ(idle->height(), 96);
  const QImage a = renderAlone(*idle);
  const QImage b = renderAlone(*chosen);
  EXPECT_EQ(pixelAt(a, 10, 48).rgb(), rgbOf(Theme::card, Scheme::light));
  EXPECT_EQ(pixelAt(b, 10, 48).rgb(), rgbOf(Theme::acc, Scheme::light));
  EXPECT_EQ(pixelAt(a, 0, 0).alpha(), 0);  // rounded 16
  QSignalSpy clicks(idle, &QAbstractButton::clicked);
  QTest::mouseClick(idle, Qt::LeftButton, {}, QPoint(20, 48));
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_FALSE(idle->selected());
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(chosen);
  ASSERT_NE(access, nullptr);
  EXPECT_EQ(access->text(QAccessible::Name), "Keep Masked");
  EXPECT_TRUE(access->state().checked);
}

TEST(Kit, KeyboardFocusShowsARing) {
  testing::SchemeScope scheme;
  QWidget window;
  auto* layout = new QHBoxLayout(&window);
  auto* first = new PillButton("Cancel", false, 28);
  auto* pill = new PillButton("Paste", false, 28);
  layout->addWidget(first);
  layout->addWidget(pill);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const QImage before = renderAlone(*pill);
  pill->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(pill->hasFocus());
  const QImage ring = renderAlone(*pill);
  // The accent ring over the neutral plate.
  const QColor top = pixelAt(ring, pill->width() / 2, 1);
  EXPECT_GT(top.blue() - top.red(), 100) << top.name().toStdString();
  EXPECT_NE(ring, before);
  pill->setFocus(Qt::MouseFocusReason);
  first->setFocus(Qt::MouseFocusReason);
  pill->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(renderAlone(*pill), before);
}

TEST(Kit, Screenshots) {
  testing::SchemeScope scheme;
  for (bool dark : {false, true}) {
    scheme.appearance.isDark = dark;
    testing::Sheet sheet;
    auto row = [&] {
      auto* line = new QHBoxLayout;
      line->setSpacing(10);
      sheet.layout()->addLayout(line);
      return line;
    };
    QHBoxLayout* pills = row();
    pills->addWidget(new PillButton("Paste Masked", true, 28));
    pills->addWidget(new PillButton("Paste Original", false, 28));
    pills->addWidget(new PillButton("On Grouped", false, 32, true));
    auto* disabled = new PillButton("Disabled", true, 32);
    disabled->setEnabled(false);
    pills->addWidget(disabled);
    auto* pressed = new PillButton("Pressed", true, 32);
    pressed->setDown(true);
    pills->addWidget(pressed);
    pills->addStretch();

    QHBoxLayout* rounds = row();
    rounds->addWidget(new RoundIconButton("visibility", 28, 15, false, false));
    rounds->addWidget(new RoundIconButton("visibility", 28, 15, false, true));
    rounds->addWidget(new RoundIconButton("visibility", 28, 15, true, true));
    rounds->addWidget(new RoundIconButton("tune", 32, 17, true, false));
    for (auto [glyph, tint, size] :
         {std::tuple{"check", &Theme::acc, 28.0}, std::tuple{"priority_high", &Theme::att, 22.0},
          std::tuple{"block", &Theme::bad, 20.0}, std::tuple{"pause", &Theme::gray, 28.0},
          std::tuple{"progress_activity", &Theme::gray, 28.0}})
      rounds->addWidget(new StatusDot(glyph, *tint, size));
    rounds->addWidget(new AppIconMark(32));
    rounds->addStretch();

    QHBoxLayout* chips = row();
    chips->addWidget(new KeyCap("Ctrl+Super+V"));
    chips->addWidget(new KeyCap("Esc"));
    chips->addWidget(new TokenChip("[EMAIL_1]", false));
    chips->addWidget(new TokenChip("[CARD_2]", true));
    chips->addStretch();

    QHBoxLayout* tiles = row();
    tiles->addWidget(new ChoiceTile("shield", "Mask Everything", true, 88, Theme::card));
    tiles->addWidget(new ChoiceTile("visibility", "Ask Each Time", false, 88, Theme::card));
    tiles->addWidget(new ChoiceTile("content_paste_go", "Paste As Is", false, 88, Theme::card));

    sheet.resize(560, 300);
    testing::screenshot(sheet, dark ? "kit-buttons-dark" : "kit-buttons-light");
  }
}

}  // namespace
}  // namespace clipvane
