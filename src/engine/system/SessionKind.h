#pragma once
// The kind of desktop session the program runs in, as its environment tells:
// the desktop layer speaks X11 only, so a Wayland session without an X server
// is refused at start, and one with Xwayland is told what works there.
#include <QString>

namespace clipvane {

enum class SessionKind {
  none,      // no display at all
  x11,       // an X11 session
  wayland,   // Wayland, no X server for the program
  xwayland,  // Wayland with Xwayland: X11 windows only
};

namespace Session {

// From the values of DISPLAY and WAYLAND_DISPLAY (empty: unset).
SessionKind kind(const QString& display, const QString& waylandDisplay);
// This process's session.
SessionKind current();

// Why the program cannot start, in one line; empty when it can. `reachable`:
// the X server at `display` answered (only asked when there is a display).
QString refusal(SessionKind kind, const QString& display, bool reachable);

}  // namespace Session
}  // namespace clipvane
