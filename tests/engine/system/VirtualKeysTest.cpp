#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include "Hotkeys.h"
#include "TestSupport.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

TEST(VirtualKeys, KeysymsBecomeTheStoredKeyAndItsCharacters) {
  const struct {
    std::uint32_t keysym;
    std::optional<std::uint32_t> keyCode;
    std::optional<QString> characters;
  } cases[] = {
      {'v', 9, "v"},      {'V', 9, "v"},      {'!', 18, "1"},   {'{', 33, "["},
      {0xffc2, 96, "F5"}, {0xff0d, 36, "↩"},  {' ', 49, "␣"},   {0xffb7, 89, "7"},
      {0xffab, 69, "+"},  {0xff51, 123, "←"}, {0x20ac, {}, {}},  // € is no ANSI key
      {0xffe3, {}, {}},                                          // a modifier alone
  };
  for (const auto& c : cases) {
    const auto event = VirtualKeys::keyEvent(c.keysym, Modifier::control);
    ASSERT_EQ(event.has_value(), c.keyCode.has_value()) << c.keysym;
    if (!event) continue;
    EXPECT_EQ(event->keyCode, *c.keyCode) << c.keysym;
    EXPECT_EQ(event->charactersIgnoringModifiers, c.characters) << c.keysym;
    EXPECT_EQ(event->modifiers, Modifier::control);
    EXPECT_EQ(VirtualKeys::keysymFor(*c.keyCode).has_value(), true);
  }
}

TEST(Hotkeys, SuspendedRegistrationsWaitAndComeBackOnTheLastResume) {
  fakes::FakePorts ports;
  Hotkeys& keys = Hotkeys::shared();
  int pressed = 0;
  keys.registerHotkey(1, {9, 0x1100, u"⌃⌘V"}, [&] { ++pressed; });
  keys.suspend();
  keys.suspend();
  EXPECT_TRUE(ports.hotkeys.registered.empty());
  EXPECT_FALSE(ports.hotkeys.press(9, 0x1100));
  // Changed while suspended: grabbed only when recording ends.
  keys.registerHotkey(2, {15, 0x1100, u"⌃⌘R"}, [] {});
  EXPECT_TRUE(ports.hotkeys.registered.empty());
  keys.resume();
  EXPECT_TRUE(ports.hotkeys.registered.empty());
  keys.resume();
  EXPECT_TRUE(keys.isRegistered(1));
  EXPECT_TRUE(keys.isRegistered(2));
  EXPECT_TRUE(ports.hotkeys.press(9, 0x1100));
  testing::drainEvents();
  EXPECT_EQ(pressed, 1);
  keys.resume();  // unmatched: nothing
  EXPECT_EQ(ports.hotkeys.registered.size(), 2u);
  keys.unregisterHotkey(1);
  keys.unregisterHotkey(2);
}

}  // namespace
}  // namespace clipvane
