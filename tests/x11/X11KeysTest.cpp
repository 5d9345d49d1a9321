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
using Verdict = KeyGrabPort::Verdict;
using Press = KeyGrabPort::Press;

namespace {

// Sets a lock key of the server's core keyboard on or off.
void setLock(uint16_t bit, bool on, const char* key) {
  const auto isOn = [&] {
    auto& d = X11Display::shared();
    auto* reply = xcb_query_pointer_reply(d.conn(), xcb_query_pointer(d.conn(), d.root()), nullptr);
    const bool set = reply && (reply->mask & bit);
    std::free(reply);
    return set == on;
  };
  if (!isOn()) xdotool({"key", key});
  waitUntil(isOn);
}

}  // namespace

TEST(X11Keys, StoredKeyCodesMapToKeysymsAndBack) {
  // Every stored key has its own keysym, so the shortcut recorder finds it again.
  int keys = 0;
  for (uint32_t vk = 0; vk < 0x200; ++vk) {
    if (const auto sym = keysymForVirtualKey(vk)) {
      ++keys;
      EXPECT_EQ(virtualKeyForKeysym(*sym), vk) << vk;
    }
  }
  EXPECT_GT(keys, 90);
  // V (paste), F1 and Up; a gap; Shift+V records as V; the euro sign is no key.
  const std::pair<uint32_t, std::optional<uint32_t>> rows[] = {
      {9, 'v'}, {122, 0xffbe}, {126, 0xff52}, {10, std::nullopt}};
  for (const auto& [vk, sym] : rows) EXPECT_EQ(keysymForVirtualKey(vk), sym) << vk;
  EXPECT_EQ(virtualKeyForKeysym('V'), 9u);
  EXPECT_EQ(virtualKeyForKeysym(0x20ac), std::nullopt);
}

TEST(X11Hotkeys, FiresInEveryLockState) {
  X11Display display;
  X11Hotkeys hotkeys(display);
  std::vector<uint32_t> fired;
  hotkeys.setPressHandler([&](clipvane::HotkeyID id, auto) { fired.push_back(id.id); });
  const auto ctrlSuper = Modifier::control | Modifier::command;
  const auto restore = hotkeys.registerHotkey(15, ctrlSuper, {0x434C4B59, 2});
  ASSERT_TRUE(restore);
  const auto numLock = ModifierMap::read(display).numLock;
  for (const bool caps : {false, true})
    for (const bool num : {false, true}) {
      setLock(XCB_MOD_MASK_LOCK, caps, "Caps_Lock");
      setLock(numLock, num, "Num_Lock");
      const auto before = fired.size();
      xdotool({"key", "ctrl+super+r"});
      EXPECT_TRUE(waitUntil([&] { return fired.size() == before + 1; })) << caps << num;
    }
  setLock(XCB_MOD_MASK_LOCK, false, "Caps_Lock");
  setLock(numLock, false, "Num_Lock");

  // Unregistered, the same press does nothing; a plain R is never taken.
  hotkeys.unregisterHotkey(*restore);
  ASSERT_TRUE(hotkeys.registerHotkey(35, ctrlSuper, {0x434C4B59, 3}));
  xdotool({"key", "ctrl+super+r", "r", "ctrl+super+p"});
  EXPECT_TRUE(waitUntil([&] { return fired.size() == 5; }));
  EXPECT_EQ(fired, (std::vector<uint32_t>{2, 2, 2, 2, 3}));
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
  EXPECT_TRUE(hotkeys.registerHotkey(40, Modifier::control | Modifier::shift, {0, 4}));
  // Held by an earlier registration of our own, a key this layout lacks, or
  // the paste shortcuts, which stay with the paste-key grab.
  EXPECT_FALSE(hotkeys.registerHotkey(40, Modifier::control | Modifier::shift, {0, 5}));
  EXPECT_FALSE(hotkeys.registerHotkey(10, Modifier::control, {0, 5}));
  EXPECT_FALSE(hotkeys.registerHotkey(KeyCode::v, Modifier::control, {0, 5}));
  EXPECT_FALSE(hotkeys.registerHotkey(KeyCode::v, Modifier::control | Modifier::shift, {0, 5}));

  // Once the other client lets go, the same combination is ours.
  ungrabKey(other, mods, *k, ctrlAlt);
  other.sync();
  EXPECT_TRUE(hotkeys.registerHotkey(40, Modifier::control | Modifier::option, {0, 4}));
}

class X11KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QApplication::clipboard()->setText(clip);
    target = Helper::window("Target");
    ASSERT_TRUE(target && target->waitActive());
  }
  // Waits until the field holds `pastes` pastes and `typed` x's, in any order.
  bool fieldHolds(int pastes, int typed) {
    return waitUntil(
        [&] { return target->text().count(clip) == pastes && target->text().count('x') == typed; });
  }
  // The safe-paste hot key (Ctrl+Super+V) registered and the paste keys
  // grabbed, each press counted and let through.
  std::optional<HotkeyPort::Ref> countPresses(X11Hotkeys& hotkeys, int& fired, int& asked) {
    hotkeys.setPressHandler([&fired](clipvane::HotkeyID, auto) { ++fired; });
    const auto ref =
        hotkeys.registerHotkey(KeyCode::v, Modifier::control | Modifier::command, {0x434C4B59, 1});
    const bool started = keyboard.start(
        [&asked](const Press&) {
          ++asked;
          return Verdict::replay;
        },
        {});
    return started ? ref : std::nullopt;
  }
  const QString clip = QStringLiteral("pasted-\u00e9-42");
  X11Display display;
  X11Keyboard keyboard{display};
  std::unique_ptr<Helper> target;
};

TEST_F(X11KeyboardTest, PasteWhileModifierHeldArrivesPlain) {
  keyboard.releaseWait = std::chrono::milliseconds(200);
  // Whether the server has the key down (xdotool may end before it does).
  const auto down = [&](uint32_t sym) {
    const auto code = keycodeForKeysym(display, sym);
    auto* reply = xcb_query_keymap_reply(display.conn(), xcb_query_keymap(display.conn()), nullptr);
    const bool held = code && reply && (reply->keys[*code / 8] & (1u << (*code % 8)));
    std::free(reply);
    return held;
  };
  // Ctrl+Alt+V or Ctrl+Super+V would not paste in the field.
  for (const auto& [held, sym] : {std::pair{"alt", keysym::altL}, {"super", keysym::superL}}) {
    xdotool({"keydown", held});
    ASSERT_TRUE(waitUntil([&] { return down(sym); })) << held;
    keyboard.postPaste(false);
    xdotool({"keyup", held});
    xdotool({"type", "x"});
    EXPECT_TRUE(waitUntil([&] { return target->text().endsWith("x"); })) << held;
  }
  EXPECT_EQ(target->text(), clip + "x" + clip + "x");
}

TEST_F(X11KeyboardTest, PasteArrivesWhicheverKeyComesUpFirst) {
  // The user's Ctrl+V is swallowed and the program posts its own paste while
  // the user's keys are still down; they come up in either order, or V stays
  // down past the wait. The pauses are the user's hands, not waits for the
  // program.
  struct Row {
    const char* what;
    QStringList hands;
    std::chrono::milliseconds wait;
  };
  const auto press = QStringList{"keydown", "ctrl", "keydown", "v", "sleep", "0.3"};
  const Row rows[] = {
      {"V first", press + QStringList{"keyup", "v", "sleep", "0.3", "keyup", "ctrl"},
       std::chrono::milliseconds(1500)},
      {"Ctrl first", press + QStringList{"keyup", "ctrl", "sleep", "0.3", "keyup", "v"},
       std::chrono::milliseconds(1500)},
      {"V held on", press + QStringList{"keyup", "ctrl", "sleep", "1.2", "keyup", "v"},
       std::chrono::milliseconds(300)},
  };
  int asked = 0, pastes = 0, typed = 0;
  ASSERT_TRUE(keyboard.start(
      [&](const Press&) {
        ++asked;
        return Verdict::swallow;
      },
      {}));
  for (const Row& r : rows) {
    keyboard.releaseWait = r.wait;
    QProcess hands;
    hands.start("xdotool", r.hands);
    ASSERT_TRUE(waitUntil([&] { return asked == typed + 1; })) << r.what;
    // What a safe paste does once it has its text, the keys still down.
    keyboard.postPaste(false);
    ASSERT_TRUE(waitUntil([&] { return hands.state() == QProcess::NotRunning; })) << r.what;
    xdotool({"type", "x"});
    EXPECT_TRUE(fieldHolds(++pastes, ++typed)) << r.what << ": " << target->text().toStdString();
  }
  keyboard.stop();
}

TEST_F(X11KeyboardTest, GrabAnswersEveryPress) {
  const auto slow = [](Verdict v) {
    return [v](const Press&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      return v;
    };
  };
  struct Row {
    const char* what;
    KeyGrabPort::Decide decide;
    int pastes;
  };
  const Row rows[] = {
      {"swallow", [](const Press&) { return Verdict::swallow; }, 0},
      {"replay", [](const Press&) { return Verdict::replay; }, 1},
      // A failing decision must not cost the user the paste.
      {"throws", [](const Press&) -> Verdict { throw std::runtime_error("broken"); }, 1},
      // Too slow: held back, then given back once the late answer says so.
      {"slow replay", slow(Verdict::replay), 1},
      {"slow swallow", slow(Verdict::swallow), 0},
  };
  keyboard.decisionWait = std::chrono::milliseconds(100);
  int asked = 0, pastes = 0, typed = 0;
  const auto ask = [&](const Row& r) {
    return [&asked, row = &r](const Press& p) {
      ++asked;
      EXPECT_TRUE(p.control && !p.shift && !p.own && p.keyCode == KeyCode::v) << row->what;
      return row->decide(p);
    };
  };
  for (const Row& r : rows) {
    ASSERT_TRUE(keyboard.start(ask(r), {}));
    xdotool({"key", "ctrl+v"});
    xdotool({"type", "x"});
    pastes += r.pastes;
    // A late answer lands after the typing: the order may differ, never the content.
    EXPECT_TRUE(fieldHolds(pastes, ++typed) && waitUntil([&] { return asked == typed; }))
        << r.what << ": " << target->text().toStdString();
    keyboard.stop();
  }

  // Our own paste passes without asking; without the grab nobody is asked.
  ASSERT_TRUE(keyboard.start(ask(rows[0]), {}));
  keyboard.postPaste(false);
  EXPECT_TRUE(fieldHolds(++pastes, typed));
  keyboard.stop();
  xdotool({"key", "ctrl+v"});
  EXPECT_TRUE(fieldHolds(++pastes, typed));
  EXPECT_EQ(asked, typed);
}

TEST_F(X11KeyboardTest, RefusedWhereItCannotWork) {
  // The paste keys grabbed by another client: ours once they let go.
  const auto pass = [](const Press&) { return Verdict::replay; };
  ASSERT_TRUE(keyboard.start(pass, {}));
  X11Display otherConnection;
  X11Keyboard second(otherConnection);
  EXPECT_FALSE(second.start(pass, {}));
  EXPECT_FALSE(second.grabbing());
  keyboard.stop();
  EXPECT_TRUE(second.start(pass, {}));

  // Keystrokes are trusted on an X11 session only: under XWayland alone they
  // would reach X clients only, and without a server nowhere.
  EXPECT_TRUE(X11Keyboard(display).isTrusted());
  qputenv("WAYLAND_DISPLAY", "wayland-0");
  EXPECT_FALSE(X11Keyboard(display).isTrusted());
  qunsetenv("WAYLAND_DISPLAY");
  X11Display none(":12345");
  EXPECT_FALSE(X11Keyboard(none).isTrusted());
}

TEST_F(X11KeyboardTest, GrabsFollowALayoutSwitch) {
  // Dvorak puts V where Qwerty has the period, and K where Qwerty has V.
  X11Hotkeys hotkeys(display);
  int fired = 0, asked = 0;
  const auto safePaste = countPresses(hotkeys, fired, asked);
  ASSERT_TRUE(safePaste);
  const auto followed = [&] {
    const auto v = keycodeForKeysym(display, 'v');
    return v && keyboard.pasteKeyCode() == *v && hotkeys.grabbedKeyCode(*safePaste) == *v;
  };
  const xcb_keycode_t qwertyV = keyboard.pasteKeyCode();
  KeyboardLayout layout;
  int pastes = 0;
  for (const char* variant : {"dvorak", ""}) {
    KeyboardLayout::set("us", variant);
    ASSERT_TRUE(waitUntil(followed)) << variant;
    EXPECT_EQ(keyboard.pasteKeyCode() == qwertyV, *variant == 0) << variant;
    // Ctrl+V of the layout is asked about and pastes; Ctrl+K is nobody's
    // business; the hot key fires on its letter.
    xdotool({"key", "ctrl+k", "ctrl+v", "ctrl+super+v"});
    EXPECT_TRUE(waitUntil([&] { return asked == pastes + 1 && fired == pastes + 1; })) << variant;
    EXPECT_TRUE(fieldHolds(++pastes, 0)) << variant << ": " << target->text().toStdString();
  }
  keyboard.stop();
}

TEST_F(X11KeyboardTest, KeysOfTheLayoutInForce) {
  // Dvorak types v on Qwerty's period key and k on Qwerty's V key; a Russian
  // keyboard has no v at all, and toolkits take Ctrl on the key at the place
  // of V as Ctrl+V there. The keys go by their codes, as a keyboard sends them.
  const unsigned qwertyV = keycodeForKeysym(display, 'v').value_or(0);
  const unsigned period = keycodeForKeysym(display, '.').value_or(0);
  const unsigned ctrl = keycodeForKeysym(display, keysym::controlL).value_or(0);
  const unsigned super = keycodeForKeysym(display, keysym::superL).value_or(0);
  ASSERT_TRUE(qwertyV && period && ctrl && super);
  X11Hotkeys hotkeys(display);
  int fired = 0, asked = 0;
  const auto safePaste = countPresses(hotkeys, fired, asked);
  ASSERT_TRUE(safePaste);
  struct Row {
    const char* what;
    QString layout, variant;
    int group;
    unsigned v;                     // where Ctrl+V is
    std::optional<unsigned> other;  // Ctrl there is another letter's
    // Qt takes no key for Ctrl+V on a keyboard without v: the user's press
    // types Ctrl and a Cyrillic letter there, where the program's own types
    // Ctrl+V all the same.
    bool userPastes;
  };
  const Row rows[] = {
      {"Dvorak group locked", "us,us", ",dvorak", 1, period, qwertyV, true},
      {"first group locked while running", "us,us", ",dvorak", 0, qwertyV, period, true},
      {"Russian alone", "ru", "", 0, qwertyV, std::nullopt, false},
      {"Dvorak group again", "us,us", ",dvorak", 1, period, qwertyV, true},
  };
  KeyboardLayout layout;
  QString layoutNow;
  int rounds = 0, pastes = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    if (r.layout + r.variant != layoutNow) KeyboardLayout::set(r.layout, r.variant);
    layoutNow = r.layout + r.variant;
    ASSERT_TRUE(KeyboardLayout::lockGroup(r.group));
    ASSERT_TRUE(waitUntil([&] {
      return keyboard.pasteKeyCode() == r.v && hotkeys.grabbedKeyCode(*safePaste) == r.v;
    })) << int(keyboard.pasteKeyCode());
    // Ctrl+K (or Ctrl+period) is nobody's business; Ctrl+V is asked about
    // and, let through, pastes; the hot key fires on the key of V.
    if (r.other) typeKeys({ctrl, *r.other});
    typeKeys({ctrl, r.v});
    typeKeys({ctrl, super, r.v});
    ++rounds;
    EXPECT_TRUE(waitUntil([&] { return asked == rounds && fired == rounds; }))
        << asked << " asked, " << fired << " fired";
    if (r.userPastes) {
      EXPECT_TRUE(fieldHolds(++pastes, 0)) << target->text().toStdString();
    }
    // The program's own paste types Ctrl+V in the layout in force.
    keyboard.postPaste(false);
    EXPECT_TRUE(fieldHolds(++pastes, 0)) << target->text().toStdString();
    asked = fired = rounds;
  }
  keyboard.stop();
}
