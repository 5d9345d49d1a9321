// The desktop's look on a real X server: compositing follows the owner of the
// compositing-manager selection, dark follows the colour-scheme setting, and
// reduced motion the animations setting.
// GLib's headers first: they name a member "signals", which Qt defines away.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <string>

#include "X11Appearance.h"
#include "X11TestSupport.h"
#include "X11Workspace.h"

using namespace clipvane::x11;
using namespace clipvane::x11::test;
using namespace std::chrono_literals;

namespace {

// A client of its own that can take and drop a selection, as a compositor does.
class SelectionOwner {
 public:
  explicit SelectionOwner(const char* selection) {
    int screen = 0;
    conn_ = xcb_connect(nullptr, &screen);
    auto it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
    for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
    window_ = xcb_generate_id(conn_);
    xcb_create_window(conn_, XCB_COPY_FROM_PARENT, window_, it.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    auto* reply = xcb_intern_atom_reply(
        conn_, xcb_intern_atom(conn_, 0, uint16_t(strlen(selection)), selection), nullptr);
    atom_ = reply->atom;
    free(reply);
  }
  ~SelectionOwner() { xcb_disconnect(conn_); }
  void take() { own(window_); }
  void drop() { own(XCB_WINDOW_NONE); }

 private:
  void own(xcb_window_t owner) {
    xcb_set_selection_owner(conn_, owner, atom_, XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));  // round trip
  }
  xcb_connection_t* conn_;
  xcb_window_t window_;
  xcb_atom_t atom_;
};

TEST(X11Appearance, CompositingFollowsTheCompositorSelection) {
  X11Appearance appearance(X11Display::shared(), 50ms);
  if (appearance.compositing()) GTEST_SKIP() << "a compositor runs on this display";
  int changes = 0;
  QObject::connect(&appearance, &clipvane::AppearancePort::changed, [&] { ++changes; });
  SelectionOwner compositor("_NET_WM_CM_S0");
  compositor.take();
  EXPECT_TRUE(waitUntil([&] { return appearance.compositing(); }, 5s));
  EXPECT_EQ(changes, 1);
  compositor.drop();
  EXPECT_TRUE(waitUntil([&] { return !appearance.compositing(); }, 5s));
  EXPECT_EQ(changes, 2);
}

// KWin's blur effect announces itself with the property's name on the root
// window; a window asks by carrying the region, in its own pixels.
TEST(X11Appearance, BlurBehindFollowsTheAnnouncementAndAWindowAsksForIt) {
  const char* name = "_KDE_NET_WM_BLUR_BEHIND_REGION";
  X11Appearance appearance(X11Display::shared(), 50ms);
  if (appearance.blursBehind()) GTEST_SKIP() << "a window manager blurs on this display";
  run("xprop", {"-root", "-f", name, "32c", "-set", name, "0"});
  EXPECT_TRUE(waitUntil([&] { return appearance.blursBehind(); }, 5s));

  xcb_connection_t* conn = X11Display::shared().conn();
  const xcb_window_t window = xcb_generate_id(conn);
  xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, X11Display::shared().root(), 0, 0, 400, 300,
                    0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  appearance.blurBehind(window, QRect(32, 32, 340, 220));
  EXPECT_EQ(run("xprop", {"-id", QString::number(window), name}).trimmed(),
            QByteArray(name) + "(CARDINAL) = 32, 32, 340, 220");
  xcb_destroy_window(conn, window);
  xcb_flush(conn);

  run("xprop", {"-root", "-remove", name});
  EXPECT_TRUE(waitUntil([&] { return !appearance.blursBehind(); }, 5s));
}

// The desktop's interface settings of this process alone: nothing may reach
// the user's own. The backend is chosen once per process, so a process that
// already took another one (several tests in one run) gets none, and says
// why, as does a system without the schema.
GSettings* ownInterfaceSettings(std::string& why) {
  qputenv("GSETTINGS_BACKEND", "memory");
  GSettingsBackend* backend = g_settings_backend_get_default();
  const bool memory = g_str_equal(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend");
  g_object_unref(backend);
  if (!memory) {
    why = "the settings backend is not this process's own";
    return nullptr;
  }
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema =
      source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE)
             : nullptr;
  if (!schema) {
    why = "no desktop interface schema";
    return nullptr;
  }
  g_settings_schema_unref(schema);
  return g_settings_new("org.gnome.desktop.interface");
}

TEST(X11Appearance, DarkFollowsTheColourScheme) {
  std::string why;
  GSettings* settings = ownInterfaceSettings(why);
  if (!settings) GTEST_SKIP() << why;
  g_settings_set_string(settings, "color-scheme", "default");

  // A long recheck: the change must come from the setting's own notice.
  X11Appearance appearance(X11Display::shared(), 1h);
  EXPECT_FALSE(appearance.dark());
  int changes = 0;
  QObject::connect(&appearance, &clipvane::AppearancePort::changed, [&] { ++changes; });
  g_settings_set_string(settings, "color-scheme", "prefer-dark");
  EXPECT_TRUE(waitUntil([&] { return appearance.dark(); }, 5s));
  EXPECT_EQ(changes, 1);
  g_settings_set_string(settings, "color-scheme", "prefer-light");
  EXPECT_TRUE(waitUntil([&] { return !appearance.dark(); }, 5s));
  EXPECT_EQ(changes, 2);
  g_object_unref(settings);
}

// The motion setting is asked on every masked copy and read only when it
// changes: each change reaches it.
TEST(X11Workspace, ReduceMotionFollowsTheAnimationsSetting) {
  std::string why;
  GSettings* settings = ownInterfaceSettings(why);
  if (!settings) GTEST_SKIP() << why;
  X11Workspace workspace(X11Display::shared());
  g_settings_set_boolean(settings, "enable-animations", TRUE);
  EXPECT_TRUE(waitUntil([&] { return !workspace.reduceMotion(); }, 5s));
  g_settings_set_boolean(settings, "enable-animations", FALSE);
  EXPECT_TRUE(waitUntil([&] { return workspace.reduceMotion(); }, 5s));
  g_settings_set_boolean(settings, "enable-animations", TRUE);
  EXPECT_TRUE(waitUntil([&] { return !workspace.reduceMotion(); }, 5s));
  g_object_unref(settings);
}

}  // namespace
