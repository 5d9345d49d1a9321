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
constexpr auto kOwnExpiry = std::chrono::seconds(1);

// One press waiting for the main thread's decision.
struct Pending {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<bool> swallow;  // set by the main thread
  bool abandoned = false;       // set by the reader when it stopped waiting
};

uint16_t pasteMask(bool shift) { return XCB_MOD_MASK_CONTROL | (shift ? XCB_MOD_MASK_SHIFT : 0); }

}  // namespace

X11Keyboard::X11Keyboard(X11Display& display) : display_(display) {
  mods_ = ModifierMap::read(display_);
  if (auto code = keycodeForKeysym(display_, keysym::v)) vCode_ = *code;
  listener_ = display_.addListener([this](const xcb_generic_event_t& e) { return onEvent(e); });
}

X11Keyboard::~X11Keyboard() {
  stop();
  display_.removeListener(listener_);
}

bool X11Keyboard::grabbing() const {
  std::lock_guard lock(mutex_);
  return grabbing_;
}

bool X11Keyboard::start(Decide decide, std::function<void()>) {
  // A passive grab, once made, is never taken away on X11: "lost" never runs.
  std::lock_guard lock(mutex_);
  decide_ = std::move(decide);
  if (grabbing_) return true;
  mods_ = ModifierMap::read(display_);
  if (!vCode_ || !grabKey(display_, mods_, vCode_, pasteMask(false), true)) return false;
  if (!grabKey(display_, mods_, vCode_, pasteMask(true), true)) {
    ungrabKey(display_, mods_, vCode_, pasteMask(false));
    return false;
  }
  grabbing_ = true;
  return true;
}

void X11Keyboard::stop() {
  std::lock_guard lock(mutex_);
  if (!grabbing_) return;
  ungrabKey(display_, mods_, vCode_, pasteMask(false));
  ungrabKey(display_, mods_, vCode_, pasteMask(true));
  grabbing_ = false;
}

bool X11Keyboard::consumeOwn(xcb_keycode_t code, uint16_t mask) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  std::erase_if(expected_, [&](const Expected& e) { return e.until < now; });
  auto it = std::find_if(expected_.begin(), expected_.end(),
                         [&](const Expected& e) { return e.code == code && e.mask == mask; });
  if (it == expected_.end()) return false;
  expected_.erase(it);
  return true;
}

bool X11Keyboard::onEvent(const xcb_generic_event_t& event) {
  if ((event.response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto& press = reinterpret_cast<const xcb_key_press_event_t&>(event);
  Decide decide;
  uint16_t mask = 0;
  {
    std::lock_guard lock(mutex_);
    mask = mods_.withoutLocks(press.state);
    if (!grabbing_ || press.detail != vCode_ ||
        (mask != pasteMask(false) && mask != pasteMask(true)))
      return false;
    decide = decide_;
  }
  // The keyboard stays frozen until this answer: it is given on every path,
  // whatever the decision does.
  Press p;
  p.keyCode = KeyCode::v;
  p.control = true;
  p.shift = mask == pasteMask(true);
  p.own = consumeOwn(press.detail, mask);
  bool swallow = false;
  // Our own windows take the user's paste as it is.
  if (!p.own && decide && !ownWindowActive()) {
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        &context_,
        [this, pending, decide, p] {
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
          // Swallowed for lack of an answer but meant to pass: give it back.
          if (late && !answer) postPaste(p.shift);
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    if (pending->answered.wait_for(lock, decisionWait,
                                   [&] { return pending->swallow.has_value(); })) {
      swallow = *pending->swallow;
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

std::vector<xcb_keycode_t> X11Keyboard::heldModifiers() {
  std::vector<xcb_keycode_t> held;
  if (!display_.ok()) return held;
  std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> reply(
      xcb_query_keymap_reply(display_.conn(), xcb_query_keymap(display_.conn()), nullptr),
      &std::free);
  if (!reply) return held;
  std::lock_guard lock(mutex_);
  for (xcb_keycode_t code : mods_.modifierKeys)
    if (reply->keys[code / 8] & (1u << (code % 8))) held.push_back(code);
  return held;
}

void X11Keyboard::waitForReleasedModifiers() {
  // Ctrl+V sent while the user still holds Super arrives as Ctrl+Super+V.
  const auto deadline = Clock::now() + modifierWait;
  auto held = heldModifiers();
  while (!held.empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    held = heldModifiers();
  }
  // Still held: release them for the server so that the paste arrives plain.
  for (xcb_keycode_t code : held)
    xcb_test_fake_input(display_.conn(), XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
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
  const auto code = keycodeForKeysym(display_, *sym);
  if (!code) return;
  std::vector<xcb_keycode_t> modifierCodes;
  auto add = [&](uint32_t flag, uint32_t modifierSym) {
    if (!(modifiers & flag)) return;
    if (auto c = keycodeForKeysym(display_, modifierSym)) modifierCodes.push_back(*c);
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
    if (own) {
      waitForReleasedModifiers();
      std::lock_guard lock(mutex_);
      if (grabbing_)
        expected_.push_back({*code, mods_.fromModifiers(modifiers), Clock::now() + kOwnExpiry});
    }
    for (xcb_keycode_t m : modifierCodes) fake(XCB_KEY_PRESS, m);
    fake(XCB_KEY_PRESS, *code);
  } else {
    fake(XCB_KEY_RELEASE, *code);
    for (auto it = modifierCodes.rbegin(); it != modifierCodes.rend(); ++it)
      fake(XCB_KEY_RELEASE, *it);
  }
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
