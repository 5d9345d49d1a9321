#include "X11Appearance.h"

#include <gio/gio.h>

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
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
  if (display_.ok()) {
    compositorSelection_ = display_.atom("_NET_WM_CM_S" + std::to_string(screenOf(display_)));
    blurRegion_ = display_.atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
  }
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
  blurs_ = readBlurs();
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

// KWin's blur effect, while it is on, keeps the property's name among the
// root window's properties (the name alone: it carries no value there).
bool X11Appearance::readBlurs() {
  if (!display_.ok() || blurRegion_ == XCB_ATOM_NONE) return false;
  xcb_list_properties_reply_t* reply = xcb_list_properties_reply(
      display_.conn(), xcb_list_properties(display_.conn(), display_.root()), nullptr);
  if (!reply) return false;
  const xcb_atom_t* atoms = xcb_list_properties_atoms(reply);
  const bool found = std::find(atoms, atoms + xcb_list_properties_atoms_length(reply),
                               blurRegion_) != atoms + xcb_list_properties_atoms_length(reply);
  free(reply);
  return found;
}

void X11Appearance::blurBehind(quintptr window, const QRect& region) {
  if (!display_.ok() || blurRegion_ == XCB_ATOM_NONE || !window) return;
  const uint32_t rect[4] = {uint32_t(std::max(0, region.x())), uint32_t(std::max(0, region.y())),
                            uint32_t(std::max(0, region.width())),
                            uint32_t(std::max(0, region.height()))};
  xcb_change_property(display_.conn(), XCB_PROP_MODE_REPLACE, xcb_window_t(window), blurRegion_,
                      XCB_ATOM_CARDINAL, 32, 4, rect);
  xcb_flush(display_.conn());
}

void X11Appearance::refresh() {
  const bool dark = readDark();
  const bool compositing = readCompositing();
  const bool blurs = readBlurs();
  if (dark == dark_ && compositing == compositing_ && blurs == blurs_) return;
  dark_ = dark;
  compositing_ = compositing;
  blurs_ = blurs;
  Q_EMIT changed();
}

bool X11Appearance::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) refresh();
  return false;
}

}  // namespace clipvane::x11
