// The status icon: every badge, off and ask-first, light and dark.
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

#include "MenuBarGlyph.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using Badge = IconState::Badge;

// The pixel (not premultiplied) under a logical point of a 4x image.
QRgb at(const QImage& image, double x, double y) {
  return image.pixelColor(int(x * 4), int(y * 4)).toRgb().rgba();
}

// Equal colour channels, give or take the rounding of a faded pixel.
void expectRgb(QRgb actual, QRgb expected) {
  EXPECT_NEAR(qRed(actual), qRed(expected), 3);
  EXPECT_NEAR(qGreen(actual), qGreen(expected), 3);
  EXPECT_NEAR(qBlue(actual), qBlue(expected), 3);
}

const QColor kInk(0x1F, 0x21, 0x25);

TEST(MenuBarGlyph, BadgeColoursAreFixed) {
  struct Case {
    Badge badge;
    QRgb rgb;
  };
  const Case cases[] = {{Badge::copied, 0xF08A00},   {Badge::masked, 0x2F6FDE},
                        {Badge::restored, 0x2F6FDE}, {Badge::blocked, 0xD6453B},
                        {Badge::scanning, 0x868B93}, {Badge::paused, 0x868B93}};
  testing::SchemeScope scheme(true);
  for (const Case& c : cases) {
    EXPECT_EQ(MenuBarGlyph::color(c.badge).rgba(), 0xFF000000 | c.rgb);
    EXPECT_FALSE(MenuBarGlyph::isTemplate({c.badge, false, false}));
  }
  EXPECT_TRUE(MenuBarGlyph::isTemplate({std::nullopt, true, true}));
}

TEST(MenuBarGlyph, DrawsEachStateAtKnownPixels) {
  struct Case {
    const char* name;
    IconState state;
    int glyphAlpha;    // a filled part of the clip at the top
    int blockAlpha;    // the centre of the block: filled, or hollow when asking first
    int ringAlpha;     // the board's corner where the dot's ring is cleared
    int channelAlpha;  // the board's left edge inside the slash's clear channel
    int dotAlpha;      // the dot's centre; 0 without a badge
  };
  const Case cases[] = {
      {"plain", {std::nullopt, false, false}, 255, 255, 255, 255, 0},
      {"ask-first", {std::nullopt, true, false}, 255, 0, 255, 255, 0},
      {"off", {std::nullopt, false, true}, 97, 97, 97, 0, 0},
      {"copied-ask-first", {Badge::copied, true, false}, 255, 0, 0, 255, 255},
      {"masked", {Badge::masked, false, false}, 255, 255, 0, 255, 255},
      {"restored", {Badge::restored, false, false}, 255, 255, 0, 255, 255},
      {"blocked", {Badge::blocked, false, false}, 255, 255, 0, 255, 255},
      {"scanning", {Badge::scanning, false, false}, 255, 255, 0, 255, 255},
      // the dot keeps the fade; its ring is cleared whole
      {"paused", {Badge::paused, false, false}, 140, 140, 0, 140, 140},
      {"off-with-badge", {Badge::masked, false, true}, 97, 97, 0, 0, 97},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = MenuBarGlyph::image(c.state, kInk, 4);
    ASSERT_EQ(image.size(), QSize(96, 88));
    EXPECT_NEAR(qAlpha(at(image, 11, 4.5)), c.glyphAlpha, 2);
    expectRgb(at(image, 11, 4.5), kInk.rgb());
    EXPECT_NEAR(qAlpha(at(image, 11, 13.75)), c.blockAlpha, 2);
    EXPECT_NEAR(qAlpha(at(image, 14.25, 18.25)), c.ringAlpha, 2);
    EXPECT_NEAR(qAlpha(at(image, 5.75, 14.6)), c.channelAlpha, 2);
    const QRgb dot = at(image, 19, 18);
    EXPECT_NEAR(qAlpha(dot), c.dotAlpha, 2);
    if (c.state.badge) {
      expectRgb(dot, MenuBarGlyph::color(*c.state.badge).rgb());
      // The dot touches the bottom edge and never the right one.
      EXPECT_GT(qAlpha(at(image, 19, 21.9)), 0);
    }
    EXPECT_EQ(qAlpha(at(image, 23.9, 18)), 0);
  }
  // The slash's visible line crosses the bottom left, past the board.
  const QImage off = MenuBarGlyph::image({std::nullopt, false, true}, kInk, 4);
  EXPECT_NEAR(qAlpha(at(off, 4.4, 17.6)), 97, 3);
  EXPECT_EQ(qAlpha(at(MenuBarGlyph::image({}, kInk, 4), 4.4, 17.6)), 0);
}

TEST(MenuBarGlyph, TrayIconsAreSquareAndInkedForThePanel) {
  for (Scheme panel : {Scheme::light, Scheme::dark}) {
    const QIcon icon = MenuBarGlyph::trayIcon({}, panel);
    for (int side : {16, 22, 24, 32, 48}) {
      const QImage image = icon.pixmap(QSize(side, side)).toImage();
      ASSERT_EQ(image.size(), QSize(side, side));
      // The clip at the top, scaled into the square.
      const double s = side / 24.0;
      const QRgb clip = image.pixel(int(11 * s), int((1 + 4.5) * s));
      EXPECT_EQ(QColor::fromRgba(clip).rgb(), Theme::tx.resolve(panel).rgb()) << side;
    }
  }
  const QImage hidpi =
      MenuBarGlyph::trayIcon({Badge::copied}, Scheme::dark).pixmap(QSize(22, 22), 2.0).toImage();
  EXPECT_EQ(hidpi.size(), QSize(44, 44));
}

TEST(MenuBarGlyph, ScreenshotsOfEveryState) {
  const std::pair<const char*, IconState> states[] = {
      {"plain", {}},
      {"ask-first", {std::nullopt, true, false}},
      {"off", {std::nullopt, false, true}},
      {"copied", {Badge::copied, false, false}},
      {"copied-ask", {Badge::copied, true, false}},
      {"masked", {Badge::masked, false, false}},
      {"restored", {Badge::restored, true, false}},
      {"blocked", {Badge::blocked, false, false}},
      {"scanning", {Badge::scanning, false, false}},
      {"paused", {Badge::paused, false, false}},
  };
  for (Scheme panel : {Scheme::light, Scheme::dark}) {
    const int cell = 56;
    QImage sheet(cell * int(std::size(states)), cell + 28, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(panel == Scheme::dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xEC, 0xEC, 0xEE));
    QPainter p(&sheet);
    int i = 0;
    for (const auto& [name, state] : states) {
      const QIcon icon = MenuBarGlyph::trayIcon(state, panel);
      p.drawPixmap(i * cell + 4, 4, icon.pixmap(48, 48));
      p.drawPixmap(i * cell + 4, cell, icon.pixmap(22, 22));
      p.drawPixmap(i * cell + 30, cell, icon.pixmap(16, 16));
      ++i;
    }
    p.end();
    QLabel label;
    label.setPixmap(QPixmap::fromImage(sheet));
    label.resize(sheet.size());
    testing::screenshot(label, panel == Scheme::dark ? "status-glyph-dark" : "status-glyph-light");
  }
}

}  // namespace
}  // namespace clipvane
