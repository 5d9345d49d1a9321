#include "SessionKind.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(Session, KindAndRefusal) {
  struct Case {
    const char* display;
    const char* wayland;
    bool reachable;
    SessionKind kind;
    const char* refusal;  // a part of it; "" when it starts
  };
  const Case cases[] = {
      {"", "", false, SessionKind::none, "needs an X11 display (DISPLAY is not set)"},
      {"", "wayland-0", false, SessionKind::wayland, "Wayland sessions are not supported"},
      {":0", "", true, SessionKind::x11, ""},
      {":0", "wayland-0", true, SessionKind::xwayland, ""},
      {":99", "", false, SessionKind::x11, "none answers at DISPLAY=:99"},
      {":99", "wayland-0", false, SessionKind::xwayland, "none answers at DISPLAY=:99"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.display) + "|" + c.wayland);
    const SessionKind kind = Session::kind(c.display, c.wayland);
    EXPECT_EQ(kind, c.kind);
    const QString refusal = Session::refusal(kind, c.display, c.reachable);
    if (*c.refusal) {
      EXPECT_TRUE(refusal.contains(c.refusal)) << refusal.toStdString();
      EXPECT_FALSE(refusal.contains('\n'));
    } else {
      EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    }
  }
  // The refusal a script may look for stays word for word.
  EXPECT_EQ(Session::refusal(SessionKind::none, {}, false),
            "Clipvane needs an X11 display (DISPLAY is not set).");
}

}  // namespace
}  // namespace clipvane
