// The first-run window: each step, the settings each mode writes (one save
// per changed field), the permission step and its poll, and "Done".
#include <QTest>

#include <gtest/gtest.h>

#include "EngineTest.h"
#include "FirstRunView.h"
#include "Kit.h"
#include "MaterialSymbols.h"
#include "UiTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;
using testing::SchemeScope;
using testing::screenshot;
using Step = FirstRunView::Step;

void click(QWidget* w) {
  ASSERT_NE(w, nullptr);
  QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

class FirstRunViewTest : public EngineTest {
 protected:
  std::unique_ptr<FirstRunView> view() {
    auto* v = newFirstRunWindow(model(), [this] { ++closes; });
    v->show();
    return std::unique_ptr<FirstRunView>(v);
  }
  void press(FirstRunView& v) { click(v.findChild<QWidget*>("main")); }
  QString mainTitle(FirstRunView& v) {
    return v.findChild<PillButton*>("main") ? v.findChild<PillButton*>("main")->text() : QString();
  }
  // Saves are counted by the model's settingsChanged.
  int saves = 0;
  int closes = 0;
  SchemeScope light;
};

TEST_F(FirstRunViewTest, EachModeWritesItsFieldsOneAtATime) {
  struct Case {
    const char* tile;
    bool trusted;
    AppSettings::OtherApps otherAppsBefore;
    bool autoMask;
    AppSettings::PasteMethod method;
    bool smartPaste;
    AppSettings::OtherApps otherApps;
    int saves;
    Step next;
  };
  using M = AppSettings::PasteMethod;
  using A = AppSettings::OtherApps;
  const Case cases[] = {
      // autoMask, whenAutoMaskOff and smartPaste already hold the values: one save.
      {"mode.auto", false, A::pasteAsIs, true, M::smart, false, A::pasteAsIs, 1, Step::ready},
      {"mode.shortcut", false, A::mask, true, M::shortcut, false, A::mask, 0, Step::ready},
      // autoMask, pasteMethod, smartPaste and otherApps: four saves.
      {"mode.ask", false, A::pasteAsIs, false, M::smart, true, A::mask, 4, Step::access},
      {"mode.ask", true, A::pasteAsIs, false, M::smart, true, A::mask, 4, Step::ready},
  };
  for (const Case& c : cases) {
    restart([&](AppSettings& s) {
      s = AppSettings();
      s.otherApps = c.otherAppsBefore;
    });
    ports.keyboard.trusted = c.trusted;
    auto v = view();
    saves = 0;
    QObject::connect(&model(), &AppModel::settingsChanged, v.get(), [this] { ++saves; });
    click(v->findChild<QWidget*>(c.tile));
    EXPECT_EQ(saves, 0) << "a tile writes nothing";
    press(*v);
    const AppSettings& s = model().settings();
    EXPECT_EQ(s.autoMask, c.autoMask) << c.tile;
    EXPECT_EQ(s.whenAutoMaskOff, AppSettings::WhenAutoMaskOff::showReview);
    EXPECT_EQ(s.pasteMethod, c.method) << c.tile;
    EXPECT_EQ(s.smartPaste, c.smartPaste) << c.tile;
    EXPECT_EQ(s.otherApps, c.otherApps) << c.tile;
    EXPECT_EQ(saves, c.saves) << c.tile;
    EXPECT_EQ(v->step(), c.next) << c.tile;
    EXPECT_FALSE(s.onboarded);
  }
}

TEST_F(FirstRunViewTest, EveryStepWithThePermissionArrivingByPoll) {
  ports.keyboard.trusted = false;
  auto v = view();
  screenshot(*v, "first-run-mode-light");
  click(v->findChild<QWidget*>("mode.ask"));
  QTest::keyClick(v.get(), Qt::Key_Return);
  ASSERT_EQ(v->step(), Step::access);
  EXPECT_EQ(mainTitle(*v), QString("Open Settings"));
  EXPECT_FALSE(v->findChild<QAbstractButton*>("trust")->isChecked());
  screenshot(*v, "first-run-access-light");

  // No system page to open: the window says what the session lacks.
  const int prompts = ports.keyboard.prompts;
  press(*v);
  EXPECT_EQ(ports.keyboard.prompts, prompts + 1);
  EXPECT_EQ(v->step(), Step::access);
  ASSERT_NE(v->findChild<QWidget*>("accessHelp"), nullptr);
  screenshot(*v, "first-run-access-explained-light");

  // The permission arrives: the next tick moves on without a click.
  v->poll();
  EXPECT_EQ(v->step(), Step::access);
  ports.keyboard.trusted = true;
  v->poll();
  EXPECT_EQ(v->step(), Step::ready);
  // A loss later never moves back.
  ports.keyboard.trusted = false;
  v->poll();
  EXPECT_EQ(v->step(), Step::ready);
  EXPECT_FALSE(v->trusted());

  // The key caps show the hot keys as configured, in Linux words.
  changeSettings([](AppSettings& s) { s.restoreHotkey = AppSettings::Hotkey::none(); });
  screenshot(*v, "first-run-ready-light");
  {
    SchemeScope dark(true);
    screenshot(*v, "first-run-ready-dark");
  }
  saves = 0;
  QObject::connect(&model(), &AppModel::settingsChanged, v.get(), [this] { ++saves; });
  QTest::keyClick(v.get(), Qt::Key_Return);
  EXPECT_TRUE(model().settings().onboarded);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(closes, 1);
}

TEST_F(FirstRunViewTest, TheLongestHotKeysFitTheirCapsAndTheWindow) {
  changeSettings([](AppSettings& s) {
    s.safePasteHotkey = {45, 0x1F00, u"⌃⌥⇧⌘K"};
    s.restoreHotkey = {46, 0x1F00, u"⌃⌥⇧⌘L"};
  });
  ports.keyboard.trusted = true;
  auto v = view();
  QTest::keyClick(v.get(), Qt::Key_Return);
  QTest::keyClick(v.get(), Qt::Key_Return);
  ASSERT_EQ(v->step(), Step::ready);
  for (const bool dark : {false, true}) {
    SchemeScope scheme(dark);
    screenshot(*v, QStringLiteral("first-run-ready-longest-keys-%1").arg(dark ? "dark" : "light"));
    for (const char* name : {"safePasteKey", "restoreKey"}) {
      SCOPED_TRACE(name);
      auto* cap = v->findChild<QWidget*>(name);
      ASSERT_NE(cap, nullptr);
      EXPECT_GE(cap->width(), cap->sizeHint().width());
      // Inside the card (20 in from the window) and its row's margin (12).
      EXPECT_LE(cap->mapTo(v.get(), cap->rect().topRight()).x(), v->width() - 20 - 12);
    }
  }
}

TEST_F(FirstRunViewTest, TheHelpNamesWhatIsMissing) {
  EXPECT_TRUE(FirstRunView::accessHelp(true).contains("Wayland"));
  EXPECT_TRUE(FirstRunView::accessHelp(false).contains("XTEST"));
  for (bool wayland : {true, false})
    EXPECT_TRUE(FirstRunView::accessHelp(wayland).contains("restart those apps"));
}

TEST_F(FirstRunViewTest, TheShortcutTileShowsAKeyboardInBothForms) {
  auto v = view();
  auto* tile = v->findChild<ChoiceTile*>("mode.shortcut");
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->glyph(), QString("keyboard"));
  // Both forms are in the icon set: the outline idle, the filled one chosen.
  EXPECT_FALSE(MaterialSymbol::path(tile->glyph()).isEmpty());
  EXPECT_FALSE(MaterialSymbol::path(tile->glyph() + ".fill").isEmpty());
  click(tile);
  screenshot(*v, "first-run-mode-shortcut-light");
  SchemeScope dark(true);
  screenshot(*v, "first-run-mode-shortcut-dark");
}

}  // namespace
}  // namespace clipvane
