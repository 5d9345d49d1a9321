#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <stdexcept>
#include <thread>

#include "X11Display.h"
#include "X11Grabs.h"
#include "X11Hotkeys.h"
#include "X11Keyboard.h"
#include "X11Keys.h"
#include "X11TestSupport.h"

using namespace clipvane;
using namespace clipvane::x11;
using namespace clipvane::x11::test;

namespace {

// The lock state of the server's core keyboard.
uint16_t lockState() {
  auto& d = X11Display::shared();
  auto* reply = xcb_query_pointer_reply(d.conn(), xcb_query_pointer(d.conn(), d.root()), nullptr);
  const uint16_t mask = reply ? reply->mask : 0;
  std::free(reply);
  return mask;
}

void setLock(uint16_t bit, bool on, const char* key) {
  if (((lockState() & bit) != 0) != on) xdotool({"key", key});
  waitUntil([&] { return ((lockState() & bit) != 0) == on; });
}

}  // namespace

TEST(X11Keys, StoredKeyCodesMapToKeysyms) {
  struct Row {
    uint32_t virtualKey;
    std::optional<uint32_t> keysym;
  };
  const Row rows[] = {
      {9, 'v'},
      {15, 'r'},
      {35, 'p'},
      {0x22, 'i'},
      {0x2E, 'm'},
      {6, 'z'},
      {0, 'a'},
      {29, '0'},
      {53, 0xff1b},
      {36, 0xff0d},
      {49, ' '},
      {122, 0xffbe},
      {111, 0xffc9},
      {126, 0xff52},
      {82, 0xffb0},
      {10, std::nullopt},
      {52, std::nullopt},
      {127, std::nullopt},
      {0xffff, std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(keysymForVirtualKey(r.virtualKey), r.keysym) << r.virtualKey;
  // Letters typed with Shift come back to the same key.
  EXPECT_EQ(virtualKeyForKeysym('V'), 9u);
  EXPECT_EQ(virtualKeyForKeysym(0xffbe), 122u);
  EXPECT_EQ(virtualKeyForKeysym(0x20ac), std::nullopt);
}

TEST(X11Keys, ModifierMapFindsNumLockAndSuper) {
  const auto mods = ModifierMap::read(X11Display::shared());
  EXPECT_NE(mods.numLock, 0);
  EXPECT_NE(mods.super, 0);
  EXPECT_NE(mods.super, mods.alt);
  EXPECT_EQ(mods.fromModifiers(Modifier::control | Modifier::command),
            XCB_MOD_MASK_CONTROL | mods.super);
  EXPECT_EQ(mods.lockVariants(XCB_MOD_MASK_CONTROL).size(), 4u);
  EXPECT_EQ(mods.withoutLocks(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK | mods.numLock),
            XCB_MOD_MASK_CONTROL);
}

TEST(X11Hotkeys, FiresInEveryLockState) {
  X11Display display;
  X11Hotkeys hotkeys(display);
  std::vector<uint32_t> fired;
  hotkeys.setPressHandler([&](clipvane::HotkeyID id) { fired.push_back(id.id); });
  const auto restore =
      hotkeys.registerHotkey(15, Modifier::control | Modifier::command, {0x434C4B59, 2});
  ASSERT_TRUE(restore);
  const auto mods = ModifierMap::read(display);
  struct Row {
    bool caps, num;
  };
  for (const Row r : {Row{false, false}, Row{true, false}, Row{false, true}, Row{true, true}}) {
    setLock(XCB_MOD_MASK_LOCK, r.caps, "Caps_Lock");
    setLock(mods.numLock, r.num, "Num_Lock");
    const auto before = fired.size();
    xdotool({"key", "ctrl+super+r"});
    EXPECT_TRUE(waitUntil([&] { return fired.size() == before + 1; })) << r.caps << r.num;
  }
  setLock(XCB_MOD_MASK_LOCK, false, "Caps_Lock");
  setLock(mods.numLock, false, "Num_Lock");
  EXPECT_EQ(fired, (std::vector<uint32_t>{2, 2, 2, 2}));

  // Unregistered, the same press does nothing; a plain R is never taken.
  hotkeys.unregisterHotkey(*restore);
  ASSERT_TRUE(hotkeys.registerHotkey(35, Modifier::control | Modifier::command, {0x434C4B59, 3}));
  xdotool({"key", "ctrl+super+r", "r", "ctrl+super+p"});
  EXPECT_TRUE(waitUntil([&] { return fired.size() == 5; }));
  EXPECT_EQ(fired.back(), 3u);
}

TEST(X11Hotkeys, CombinationHeldElsewhereIsRefused) {
  X11Display other;  // another client
  const auto mods = ModifierMap::read(other);
  const auto k = keycodeForKeysym(other, 'k');
  ASSERT_TRUE(k);
  const uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | mods.alt;
  ASSERT_TRUE(grabKey(other, mods, *k, ctrlAlt, false));

  X11Display display;
  X11Hotkeys hotkeys(display);
  EXPECT_FALSE(hotkeys.registerHotkey(40, Modifier::control | Modifier::option, {0, 4}));
  const auto free = hotkeys.registerHotkey(40, Modifier::control | Modifier::shift, {0, 4});
  EXPECT_TRUE(free);
  // Held by an earlier registration of our own, or a key this layout lacks.
  EXPECT_FALSE(hotkeys.registerHotkey(40, Modifier::control | Modifier::shift, {0, 5}));
  EXPECT_FALSE(hotkeys.registerHotkey(10, Modifier::control, {0, 5}));
  // The paste shortcuts stay with the paste-key grab.
  EXPECT_FALSE(hotkeys.registerHotkey(KeyCode::v, Modifier::control, {0, 5}));
  EXPECT_FALSE(hotkeys.registerHotkey(KeyCode::v, Modifier::control | Modifier::shift, {0, 5}));

  // Once the other client lets go, the same combination is ours.
  ungrabKey(other, mods, *k, ctrlAlt);
  other.sync();
  EXPECT_TRUE(hotkeys.registerHotkey(40, Modifier::control | Modifier::option, {0, 4}));
}

class X11KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override { QApplication::clipboard()->setText(QStringLiteral("pasted-\u00e9-42")); }
  const QString clip = QStringLiteral("pasted-\u00e9-42");
  X11Display display;
  X11Keyboard keyboard{display};
};

TEST_F(X11KeyboardTest, PostedPasteReachesAnotherWindow) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  keyboard.postPaste(false);
  EXPECT_TRUE(waitUntil([&] { return target->text() == clip; }))
      << target->texts().join('|').toStdString() << " owner "
      << QApplication::clipboard()->ownsClipboard() << " text "
      << QApplication::clipboard()->text().toStdString() << " active " << activeWindow() << " "
      << target->windowId();
}

TEST_F(X11KeyboardTest, PasteWhileModifierHeldArrivesPlain) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  keyboard.modifierWait = std::chrono::milliseconds(200);
  // Ctrl+Alt+V or Ctrl+Super+V would not paste in the field.
  for (const char* held : {"alt", "super"}) {
    xdotool({"keydown", held});
    keyboard.postPaste(false);
    xdotool({"keyup", held});
    xdotool({"type", "|"});
    EXPECT_TRUE(waitUntil([&] { return target->text().endsWith("|"); }));
  }
  EXPECT_EQ(target->text(), clip + "|" + clip + "|");
}

TEST_F(X11KeyboardTest, GrabSwallowsInProtectedWindowAndPassesOwnKeystroke) {
  auto other = Helper::window("Other");
  ASSERT_TRUE(other && other->waitActive());
  auto guarded = Helper::window("Guarded");
  ASSERT_TRUE(guarded && guarded->waitActive());
  int asked = 0;
  ASSERT_TRUE(keyboard.start(
      [&](const KeyGrabPort::Press& p) {
        ++asked;
        EXPECT_TRUE(p.control && !p.shift && !p.own && p.keyCode == KeyCode::v);
        return activeWindow() == guarded->windowId() ? KeyGrabPort::Verdict::swallow
                                                     : KeyGrabPort::Verdict::replay;
      },
      {}));

  // The user's Ctrl+V in the guarded window is swallowed: the next typed key
  // arrives alone.
  xdotool({"key", "ctrl+v"});
  xdotool({"type", "x"});
  ASSERT_TRUE(waitUntil([&] { return guarded->text() == "x"; })) << guarded->text().toStdString();
  EXPECT_EQ(asked, 1);

  // Our own paste passes without asking.
  keyboard.postPaste(false);
  EXPECT_TRUE(waitUntil([&] { return guarded->text() == "x" + clip; }));
  EXPECT_EQ(asked, 1);

  // Elsewhere the user's press is replayed to the window.
  other->activate();
  ASSERT_TRUE(other->waitActive());
  xdotool({"key", "ctrl+v"});
  EXPECT_TRUE(waitUntil([&] { return other->text() == clip; }));
  EXPECT_EQ(asked, 2);

  // Without the grab nobody is asked.
  keyboard.stop();
  xdotool({"key", "ctrl+v"});
  EXPECT_TRUE(waitUntil([&] { return other->text() == clip + clip; }));
  EXPECT_EQ(asked, 2);
}

TEST_F(X11KeyboardTest, KeyboardNeverStaysFrozen) {
  auto target = Helper::window("Target");
  ASSERT_TRUE(target && target->waitActive());
  struct Row {
    const char* what;
    KeyGrabPort::Decide decide;
  };
  const Row rows[] = {
      {"throws",
       [](const KeyGrabPort::Press&) -> KeyGrabPort::Verdict {
         throw std::runtime_error("broken decision");
       }},
      // Too slow: held back, then given back once the late answer says so.
      {"slow",
       [](const KeyGrabPort::Press&) {
         std::this_thread::sleep_for(std::chrono::milliseconds(400));
         return KeyGrabPort::Verdict::replay;
       }},
  };
  keyboard.decisionWait = std::chrono::milliseconds(100);
  int n = 0;
  for (const auto& r : rows) {
    ASSERT_TRUE(keyboard.start(r.decide, {}));
    xdotool({"key", "ctrl+v"});
    xdotool({"type", "ab"});
    ++n;
    // A late answer lands after the typing: the order may differ, never the content.
    EXPECT_TRUE(waitUntil([&] {
      return target->text().count(clip) == n && target->text().count("ab") == n;
    })) << r.what
        << ": " << target->text().toStdString();
    keyboard.stop();
  }
}

TEST_F(X11KeyboardTest, GrabHeldByAnotherClientIsRefused) {
  const auto pass = [](const KeyGrabPort::Press&) { return KeyGrabPort::Verdict::replay; };
  X11Keyboard first(display);
  ASSERT_TRUE(first.start(pass, {}));
  X11Display otherConnection;
  X11Keyboard second(otherConnection);
  EXPECT_FALSE(second.start(pass, {}));
  EXPECT_FALSE(second.grabbing());
  first.stop();
  EXPECT_TRUE(second.start(pass, {}));
}

TEST(X11Keyboard, TrustedOnAnX11SessionOnly) {
  X11Display display;
  {
    X11Keyboard keyboard(display);
    EXPECT_TRUE(keyboard.isTrusted());
  }
  // XWayland alone: keystrokes would reach X clients only.
  qputenv("WAYLAND_DISPLAY", "wayland-0");
  X11Keyboard keyboard(display);
  EXPECT_FALSE(keyboard.isTrusted());
  qunsetenv("WAYLAND_DISPLAY");
  X11Display none(":12345");
  EXPECT_FALSE(X11Keyboard(none).isTrusted());
}
