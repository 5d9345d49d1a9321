// The tray icon: its tooltip per state, and redrawing only on a change.
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include "EngineTest.h"
#include "StatusItemController.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using Badge = IconState::Badge;

TEST(StatusItem, TooltipSaysTheState) {
  struct Case {
    IconState state;
    const char* tip;
  };
  const Case cases[] = {
      {{Badge::copied, false, true}, "Clipvane: off"},  // off wins over a badge
      {{std::nullopt, true, true}, "Clipvane: off"},
      {{Badge::copied, true, false}, "Clipvane: sensitive data copied"},
      {{Badge::masked, false, false}, "Clipvane: masked"},
      {{Badge::restored, false, false}, "Clipvane: restored"},
      {{Badge::blocked, false, false}, "Clipvane: blocked"},
      {{Badge::scanning, false, false}, "Clipvane: scanning"},
      {{Badge::paused, true, false}, "Clipvane: paused"},
      {{std::nullopt, true, false}, "Clipvane: ask first"},
      {{std::nullopt, false, false}, "Clipvane: auto-mask"},
  };
  for (const Case& c : cases) EXPECT_EQ(StatusItemController::tooltip(c.state), c.tip);
}

TEST(StatusItem, GlyphInkStandsOutOnThePanelBehindIt) {
  const auto panel = [](QColor c) {
    QImage image(22, 2, QImage::Format_ARGB32);
    image.fill(c);
    return image;
  };
  struct Case {
    QImage behind;
    Scheme desktop, drawn;
  };
  const Case cases[] = {
      {panel(Qt::black), Scheme::light, Scheme::dark},  // a dark panel on a light desktop
      {panel(QColor(0xF6, 0xF5, 0xF4)), Scheme::dark, Scheme::light},
      {panel(QColor(0x30, 0x30, 0x30)), Scheme::dark, Scheme::dark},
      {QImage(), Scheme::dark, Scheme::dark},  // the host gives no place: the desktop's
      {QImage(), Scheme::light, Scheme::light},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StatusItemController::panelScheme(c.behind, c.desktop), c.drawn);
}

class StatusItemTest : public testing::EngineTest {
 protected:
  testing::SchemeScope scheme;
};

TEST_F(StatusItemTest, RedrawsOnlyWhenTheStateOrTheSchemeChanges) {
  StatusItemController item(model());
  Ports::install<StatusItemPort>(&item);
  item.refresh();  // before install: nothing to draw on
  EXPECT_FALSE(item.isInstalled());
  EXPECT_EQ(item.iconFrame(), std::nullopt);

  item.install();
  EXPECT_EQ(item.drawCount(), 1);
  EXPECT_EQ(item.tooltipCount(), 1);
  item.refresh();
  item.refresh();
  EXPECT_EQ(item.drawCount(), 1);
  EXPECT_EQ(item.tooltipCount(), 1);

  // Only askFirst differs: a new picture and a new tooltip.
  set(&AppSettings::autoMask, !model().settings().autoMask);
  EXPECT_EQ(item.drawCount(), 2);
  EXPECT_EQ(item.trayIcon()->toolTip(), StatusItemController::tooltip(model().iconState()));
  EXPECT_EQ(item.tooltipCount(), 2);

  // A template glyph follows the panel's text colour.
  scheme.appearance.setDark(true);
  EXPECT_EQ(item.drawCount(), 3);
  EXPECT_EQ(item.tooltipCount(), 2);

  // Offscreen there is no tray host: the icon has no place on screen.
  EXPECT_EQ(item.iconFrame(), std::nullopt);
  Ports::install<StatusItemPort>(&ports.statusItem);
}

// The badge comes and goes at every copy: a state shown again shows the
// pictures it had before, not new ones.
TEST_F(StatusItemTest, AStateShownAgainReusesItsPictures) {
  StatusItemController item(model());
  Ports::install<StatusItemPort>(&item);
  item.install();
  const auto shown = [&] { return item.trayIcon()->icon().cacheKey(); };
  const qint64 first = shown();
  for (int i = 0; i < 3; ++i) {
    set(&AppSettings::autoMask, !model().settings().autoMask);
    const qint64 other = shown();
    EXPECT_NE(other, first);
    set(&AppSettings::autoMask, !model().settings().autoMask);
    EXPECT_EQ(shown(), first);
  }
  scheme.appearance.setDark(true);
  EXPECT_NE(shown(), first);  // another ink is another picture
  scheme.appearance.setDark(false);
  EXPECT_EQ(shown(), first);
  Ports::install<StatusItemPort>(&ports.statusItem);
}

TEST_F(StatusItemTest, StartsHiddenWhenTheSettingSaysSo) {
  set(&AppSettings::showInMenuBar, false);
  StatusItemController item(model());
  item.install();
  EXPECT_FALSE(item.trayIcon()->isVisible());
  EXPECT_EQ(item.iconFrame(), std::nullopt);
  item.setVisible(true);
  EXPECT_TRUE(item.trayIcon()->isVisible());
}

}  // namespace
}  // namespace clipvane
