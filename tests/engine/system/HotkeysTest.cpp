#include "Hotkeys.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

TEST(HotkeyFromKeyEvent, GlyphOrderMaskAndKey) {
  using M = std::uint32_t;
  struct Case {
    M modifiers;
    std::optional<QString> chars;
    std::optional<std::u16string> display;
    M mask;
  };
  const M ctrl = Modifier::control, opt = Modifier::option, shift = Modifier::shift,
          cmd = Modifier::command;
  const Case cases[] = {
      {shift, "k", std::nullopt, 0},  // shift alone is no hot key
      {0, "k", std::nullopt, 0},      // nor is a bare key
      {cmd | shift, "k", u"⇧⌘K", 0x300},
      {ctrl, "a", u"⌃A", 0x1000},
      {cmd | opt | ctrl | shift, "p", u"⌃⌥⇧⌘P", 0x1B00},
      {ctrl | cmd, "", std::nullopt, 0},  // a key that types nothing
      {ctrl | cmd, std::nullopt, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    const auto hk = Hotkeys::hotkey({42, c.modifiers, c.chars});
    ASSERT_EQ(hk.has_value(), c.display.has_value()) << c.modifiers;
    if (!hk) continue;
    EXPECT_EQ(hk->display, *c.display);
    EXPECT_EQ(hk->modifiers, c.mask);
    EXPECT_EQ(hk->keyCode, 42u);
  }
}

class HotkeysTest : public ::testing::Test {
 protected:
  ~HotkeysTest() override { testing::drainEvents(); }
  fakes::FakePorts ports;
  Hotkeys& hotkeys = Hotkeys::shared();
  const AppSettings::Hotkey ctrlCmdV{KeyCode::v, 0x1100, u"⌃⌘V"};
};

TEST_F(HotkeysTest, PressRunsTheActionLaterOnTheMainThread) {
  int runs = 0;
  hotkeys.registerHotkey(1, ctrlCmdV, [&] { ++runs; });
  const auto reg = ports.hotkeys.find(1);
  ASSERT_TRUE(reg);
  ASSERT_TRUE(ports.hotkeys.press(KeyCode::v, 0x1100));
  EXPECT_EQ(runs, 0);  // never inside the system's callback
  ASSERT_TRUE(testing::waitUntil([&] { return runs == 1; }));
}

TEST_F(HotkeysTest, RefusedCombinationStaysUnregisteredAndUnregisteredPressesDoNothing) {
  ports.hotkeys.heldElsewhere = {{KeyCode::v, 0x1100}};
  int runs = 0;
  hotkeys.registerHotkey(1, ctrlCmdV, [&] { ++runs; });
  EXPECT_FALSE(hotkeys.isRegistered(1));
  // Said once, however often the settings register it again.
  hotkeys.registerHotkey(1, ctrlCmdV, [&] { ++runs; });
  EXPECT_EQ(ports.panels.texts(),
            QStringList{"Hot key Ctrl+Super+V can't be used: another program holds it"});

  ports.hotkeys.heldElsewhere.clear();
  hotkeys.registerHotkey(1, ctrlCmdV, [&] { ++runs; });
  ASSERT_TRUE(hotkeys.isRegistered(1));
  ports.hotkeys.press(KeyCode::v, 0x1100);
  hotkeys.unregisterHotkey(1);  // before the press is handled
  testing::drainEvents();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(ports.hotkeys.registered.empty());
}

}  // namespace
}  // namespace clipvane
