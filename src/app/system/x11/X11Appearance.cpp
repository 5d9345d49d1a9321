#include "X11Appearance.h"

#include <gio/gio.h>

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <string>

namespace clipvane::x11 {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.interface";
constexpr const char* kKey = "color-scheme";

// The interface settings, to be told of changes; none without the schema or
// the key (GSettings aborts the process on an unknown schema).
GSettings* watchableSettings() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
  if (!schema) return nullptr;
  const bool has = g_settings_schema_has_key(schema, kKey);
  g_settings_schema_unref(schema);
  return has ? g_settings_new(kSchema) : nullptr;
}

void onSettingChanged(GSettings*, gchar*, gpointer self) {
  static_cast<X11Appearance*>(self)->refresh();
}

// The screen the connection's root window belongs to.
int screenOf(X11Display& display) {
  int index = 0;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(display.conn())); it.rem;
       xcb_screen_next(&it), ++index)
    if (it.data->root == display.root()) return index;
  return 0;
}

}  // namespace

X11Appearance::X11Appearance(X11Display& display, std::chrono::milliseconds recheck)
    : display_(display) {
  if (display_.ok())
    compositorSelection_ = display_.atom("_NET_WM_CM_S" + std::to_string(screenOf(display_)));
  // GSettings speaks through the GLib main context, which Qt's event loop runs.
  settings_ = watchableSettings();
  if (settings_) {
    // Reading the key once subscribes this object to its changes.
    g_free(g_settings_get_string(settings_, kKey));
    handler_ =
        g_signal_connect(settings_, "changed::color-scheme", G_CALLBACK(onSettingChanged), this);
  }
  if (qApp) qApp->installEventFilter(this);
  dark_ = readDark();
  compositing_ = readCompositing();
  timer_.setInterval(recheck);
  QObject::connect(&timer_, &QTimer::timeout, this, &X11Appearance::refresh);
  timer_.start();
}

X11Appearance::~X11Appearance() {
  if (settings_) {
    g_signal_handler_disconnect(settings_, handler_);
    g_object_unref(settings_);
  }
}

bool X11Appearance::readDark() const {
  if (settings_) {
    gchar* value = g_settings_get_string(settings_, kKey);
    const bool dark = value && std::string(value) == "prefer-dark";
    g_free(value);
    return dark;
  }
  // No setting: a dark palette means a dark desktop.
  return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

bool X11Appearance::readCompositing() {
  if (!display_.ok() || compositorSelection_ == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
      display_.conn(), xcb_get_selection_owner(display_.conn(), compositorSelection_), nullptr);
  const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
  free(reply);
  return owned;
}

void X11Appearance::refresh() {
  const bool dark = readDark();
  const bool compositing = readCompositing();
  if (dark == dark_ && compositing == compositing_) return;
  dark_ = dark;
  compositing_ = compositing;
  Q_EMIT changed();
}

bool X11Appearance::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) refresh();
  return false;
}

}  // namespace clipvane::x11
