#include "X11Keyboard.h"

#include <unistd.h>
#include <xcb/xtest.h>

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "X11Display.h"
#include "X11Grabs.h"

namespace clipvane::x11 {

namespace {

using Clock = std::chrono::steady_clock;

// One press waiting for the main thread's decision.
struct Pending {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<bool> swallow;  // set by the main thread
  bool abandoned = false;       // set by the reader when it stopped waiting
};

uint16_t pasteMask(bool shift) { return XCB_MOD_MASK_CONTROL | (shift ? XCB_MOD_MASK_SHIFT : 0); }
constexpr uint16_t insertMask = XCB_MOD_MASK_SHIFT;

}  // namespace

X11Keyboard::X11Keyboard(X11Display& display) : display_(display) {
  display_.keyboardNotices();
  mods_ = ModifierMap::read(display_);
  const KeyLayout layout = KeyLayout::read(display_);
  vCode_ = layout.keycodeFor(keysym::v).value_or(0);
  insertCode_ = layout.keycodeFor(keysym::insert).value_or(0);
  replayTypesV_ = layout.typedBy(vCode_, 0) == layout.typedBy(vCode_);
  listener_ = display_.addListener([this](const xcb_generic_event_t& e) { return onEvent(e); });
}

X11Keyboard::~X11Keyboard() {
  stop();
  display_.removeListener(listener_);
  KeyLayout::releaseSpares(display_);
}

bool X11Keyboard::grabbing() const {
  std::lock_guard lock(mutex_);
  return grabbing_;
}

xcb_keycode_t X11Keyboard::pasteKeyCode() const {
  std::lock_guard lock(mutex_);
  return vCode_;
}

bool X11Keyboard::grabPasteKeys() {
  if (!vCode_ || !grabKey(display_, mods_, vCode_, pasteMask(false), true)) return false;
  if (!grabKey(display_, mods_, vCode_, pasteMask(true), true)) {
    ungrabKey(display_, mods_, vCode_, pasteMask(false));
    return false;
  }
  // A keyboard without Insert pastes with the other two.
  if (insertCode_ && !grabKey(display_, mods_, insertCode_, insertMask, true)) {
    ungrabKey(display_, mods_, vCode_, pasteMask(false));
    ungrabKey(display_, mods_, vCode_, pasteMask(true));
    return false;
  }
  return true;
}

void X11Keyboard::ungrabPasteKeys() {
  ungrabKey(display_, mods_, vCode_, pasteMask(false));
  ungrabKey(display_, mods_, vCode_, pasteMask(true));
  if (insertCode_) ungrabKey(display_, mods_, insertCode_, insertMask);
}

bool X11Keyboard::start(Decide decide, std::function<void()> lost) {
  std::lock_guard lock(mutex_);
  decide_ = std::move(decide);
  lost_ = std::move(lost);
  if (grabbing_) return true;
  grabbing_ = grabPasteKeys();
  return grabbing_;
}

void X11Keyboard::stop() {
  std::lock_guard lock(mutex_);
  if (!grabbing_) return;
  ungrabPasteKeys();
  grabbing_ = false;
}

void X11Keyboard::followMapping() {
  // Read before taking the lock: both are round trips to the server.
  const ModifierMap mods = ModifierMap::read(display_);
  const KeyLayout layout = KeyLayout::read(display_);
  const xcb_keycode_t code = layout.keycodeFor(keysym::v).value_or(0);
  const xcb_keycode_t insert = layout.keycodeFor(keysym::insert).value_or(0);
  std::function<void()> lost;
  {
    std::lock_guard lock(mutex_);
    replayTypesV_ = layout.typedBy(code, 0) == layout.typedBy(code);
    if (mods == mods_ && code == vCode_ && insert == insertCode_) return;
    const bool wasGrabbing = grabbing_;
    // A grab sits on a key code, whatever the group: the one of the old
    // mapping or group types another letter now, and V sits elsewhere.
    if (wasGrabbing) ungrabPasteKeys();
    mods_ = mods;
    vCode_ = code;
    insertCode_ = insert;
    grabbing_ = wasGrabbing && grabPasteKeys();
    if (wasGrabbing && !grabbing_) lost = lost_;
  }
  // Another client holds the paste keys where they sit now: the owner of the
  // grab tries again later.
  if (lost) lost();
}

bool X11Keyboard::onEvent(const xcb_generic_event_t& event) {
  if (isKeyMappingChange(display_, event)) {
    followMapping();
    return false;  // the hot keys follow it too
  }
  if ((event.response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto& press = reinterpret_cast<const xcb_key_press_event_t&>(event);
  Decide decide;
  uint16_t mask = 0;
  bool insert = false, replayTypesV = true;
  {
    std::lock_guard lock(mutex_);
    mask = mods_.withoutLocks(press.state);
    const bool v = press.detail == vCode_ && (mask == pasteMask(false) || mask == pasteMask(true));
    insert = insertCode_ && press.detail == insertCode_ && mask == insertMask;
    if (!grabbing_ || (!v && !insert)) return false;
    decide = decide_;
    replayTypesV = replayTypesV_;
  }
  // The keyboard stays frozen until this answer: it is given on every path,
  // whatever the decision does.
  Press p;
  p.keyCode = insert ? KeyCode::insert : KeyCode::v;
  p.control = !insert;
  p.shift = (mask & XCB_MOD_MASK_SHIFT) != 0;
  const bool regroup = !insert && !replayTypesV;
  bool swallow = false;
  // Our own windows take the user's paste as it is.
  if (decide && !ownWindowActive()) {
    if (frontWindow) p.pressedIn = frontWindow();
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        &context_,
        [this, pending, decide, p, regroup] {
          bool answer = false;
          try {
            answer = decide(p) == Verdict::swallow;
          } catch (...) {
            answer = false;  // a failing decision must not cost the user the paste
          }
          std::unique_lock lock(pending->mutex);
          pending->swallow = answer;
          const bool late = pending->abandoned;
          lock.unlock();
          pending->answered.notify_all();
          // Swallowed for lack of an answer, or because a replay would type
          // another letter, but meant to pass: give it back.
          if ((late || regroup) && !answer)
            postKey(uint16_t(p.keyCode),
                    (p.control ? Modifier::control : 0) | (p.shift ? Modifier::shift : 0));
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    if (pending->answered.wait_for(lock, decisionWait,
                                   [&] { return pending->swallow.has_value(); })) {
      // Where the first group has another letter on the key of V, a replay
      // would type that letter: the press is held back and given back as the
      // program's own, in the group in force.
      swallow = *pending->swallow || regroup;
    } else {
      // No answer in time: hold the keystroke back rather than let a paste
      // the program may still decide to mask reach the window.
      pending->abandoned = true;
      swallow = true;
    }
  }
  xcb_allow_events(display_.conn(), swallow ? XCB_ALLOW_ASYNC_KEYBOARD : XCB_ALLOW_REPLAY_KEYBOARD,
                   press.time);
  xcb_flush(display_.conn());
  return true;
}

bool X11Keyboard::ownWindowActive() {
  const auto active = display_.windowProperty(display_.root(), "_NET_ACTIVE_WINDOW");
  return active && display_.cardinal(*active, "_NET_WM_PID") == uint32_t(getpid());
}

std::vector<xcb_keycode_t> X11Keyboard::heldKeys() {
  std::vector<xcb_keycode_t> held;
  if (!display_.ok()) return held;
  std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> reply(
      xcb_query_keymap_reply(display_.conn(), xcb_query_keymap(display_.conn()), nullptr),
      &std::free);
  if (!reply) return held;
  for (int code = 8; code < 256; ++code)
    if (reply->keys[code / 8] & (1u << (code % 8))) held.push_back(xcb_keycode_t(code));
  return held;
}

void X11Keyboard::waitForReleasedKeys() {
  // A paste posted while the user still holds a key goes astray: with a
  // modifier down Ctrl+V arrives as Ctrl+Super+V; while the key of the
  // shortcut that asked for the paste is down (V of a swallowed Ctrl+V, or
  // the hot key's) the server still hands every key to that shortcut's grab,
  // and a press of a key already down makes no event at all. The user's keys
  // come up in any order, modifiers first as often as not.
  const auto deadline = Clock::now() + releaseWait;
  auto held = heldKeys();
  while (!held.empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    held = heldKeys();
  }
  if (held.empty()) return;
  // Still held: release them for the server and end the grab their press
  // started, so that the paste arrives plain and as a new press. (Keys held
  // on another device than the one XTest drives stay down there.)
  for (xcb_keycode_t code : held)
    xcb_test_fake_input(display_.conn(), XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
  xcb_ungrab_keyboard(display_.conn(), XCB_CURRENT_TIME);
}

bool X11Keyboard::isTrusted(bool) {
  if (!display_.ok() || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) return false;
  // Asked every second; the server's extensions never change while it runs.
  std::lock_guard lock(mutex_);
  if (!extensionsPresent_) {
    auto* c = display_.conn();
    bool all = true;
    for (const char* name : {"XTEST", "XFIXES"}) {
      auto cookie = xcb_query_extension(c, uint16_t(std::strlen(name)), name);
      std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> reply(
          xcb_query_extension_reply(c, cookie, nullptr), &std::free);
      all = all && reply && reply->present;
    }
    extensionsPresent_ = all;
  }
  return *extensionsPresent_;
}

void X11Keyboard::postKeyEvent(std::uint16_t keyCode, std::uint32_t modifiers, bool keyDown,
                               std::uint32_t marker) {
  if (!display_.ok()) return;
  const auto sym = keysymForVirtualKey(keyCode);
  if (!sym) return;
  // The key that types the letter in the layout in force: Ctrl+V is Ctrl on
  // the key of V there, wherever the first layout has it.
  const KeyLayout layout = KeyLayout::read(display_);
  const auto code = layout.keycodeToType(display_, *sym);
  if (!code) return;
  std::vector<xcb_keycode_t> modifierCodes;
  auto add = [&](uint32_t flag, uint32_t modifierSym) {
    if (!(modifiers & flag)) return;
    if (auto c = layout.keycodeFor(modifierSym)) modifierCodes.push_back(*c);
  };
  add(Modifier::control, keysym::controlL);
  add(Modifier::shift, keysym::shiftL);
  add(Modifier::option, keysym::altL);
  add(Modifier::command, keysym::superL);

  const bool own = marker == ownKeystrokeMarker;
  xcb_connection_t* c = display_.conn();
  auto fake = [&](uint8_t type, xcb_keycode_t k) {
    xcb_test_fake_input(c, type, k, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  };
  if (keyDown) {
    std::function<void()> lost;
    if (own) waitForReleasedKeys();
    {
      // Lifted while the keys go down: a press is grabbed only as it goes
      // down, so the grab is back before the key comes up. (A user's press in
      // these few milliseconds passes too.)
      std::lock_guard lock(mutex_);
      const bool lifted = own && grabbing_;
      if (lifted) ungrabPasteKeys();
      for (xcb_keycode_t m : modifierCodes) fake(XCB_KEY_PRESS, m);
      fake(XCB_KEY_PRESS, *code);
      display_.sync();
      if (lifted) {
        grabbing_ = grabPasteKeys();
        if (!grabbing_) lost = lost_;
      }
    }
    if (lost) lost();
    return;
  }
  fake(XCB_KEY_RELEASE, *code);
  for (auto it = modifierCodes.rbegin(); it != modifierCodes.rend(); ++it)
    fake(XCB_KEY_RELEASE, *it);
  display_.sync();
}

void X11Keyboard::postKey(uint16_t keyCode, uint32_t modifiers) {
  postKeyEvent(keyCode, modifiers, true, ownKeystrokeMarker);
  postKeyEvent(keyCode, modifiers, false, ownKeystrokeMarker);
}

void X11Keyboard::postPaste(bool terminal) {
  postKey(KeyCode::v, Modifier::control | (terminal ? Modifier::shift : 0));
}

}  // namespace clipvane::x11
