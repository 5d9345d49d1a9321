#include "X11Grabs.h"

#include <cstdlib>
#include <vector>

#include "X11Display.h"

namespace clipvane::x11 {

bool grabKey(X11Display& display, const ModifierMap& mods, xcb_keycode_t code, uint16_t mask,
             bool synchronous) {
  if (!display.ok() || !code) return false;
  xcb_connection_t* c = display.conn();
  const uint8_t keyboardMode = synchronous ? XCB_GRAB_MODE_SYNC : XCB_GRAB_MODE_ASYNC;
  std::vector<xcb_void_cookie_t> cookies;
  for (uint16_t variant : mods.lockVariants(mask))
    cookies.push_back(xcb_grab_key_checked(c, 0, display.root(), variant, code, XCB_GRAB_MODE_ASYNC,
                                           keyboardMode));
  bool refused = false;
  for (auto cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
      refused = true;
      std::free(error);
    }
  }
  if (refused) {
    // Ungrabbing a variant another client holds releases nothing of theirs:
    // a grab belongs to the client that made it.
    ungrabKey(display, mods, code, mask);
    return false;
  }
  return true;
}

void ungrabKey(X11Display& display, const ModifierMap& mods, xcb_keycode_t code, uint16_t mask) {
  if (!display.ok() || !code) return;
  for (uint16_t variant : mods.lockVariants(mask))
    xcb_ungrab_key(display.conn(), code, display.root(), variant);
  // Released when this returns, for whoever grabs the combination next.
  display.sync();
}

}  // namespace clipvane::x11
