#include "SessionKind.h"

namespace clipvane::Session {

SessionKind kind(const QString& display, const QString& waylandDisplay) {
  if (display.isEmpty()) return waylandDisplay.isEmpty() ? SessionKind::none : SessionKind::wayland;
  return waylandDisplay.isEmpty() ? SessionKind::x11 : SessionKind::xwayland;
}

SessionKind current() {
  return kind(qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QString refusal(SessionKind kind, const QString& display, bool reachable) {
  switch (kind) {
    case SessionKind::none:
      return QStringLiteral("Clipvane needs an X11 display (DISPLAY is not set).");
    case SessionKind::wayland:
      return QStringLiteral(
          "Clipvane needs an X11 session: Wayland sessions are not supported (DISPLAY is not "
          "set).");
    case SessionKind::x11:
    case SessionKind::xwayland:
      break;
  }
  if (reachable) return {};
  return QStringLiteral("Clipvane needs an X11 display: none answers at DISPLAY=%1.").arg(display);
}

}  // namespace clipvane::Session
