#include "DesktopSettings.h"

#include <gio/gio.h>

#include <atomic>
#include <cstring>
#include <string>

namespace clipvane::x11::DesktopSettings {

namespace {

// Opens the schema only when it and the key exist: GSettings aborts the
// process on an unknown schema.
GSettings* interfaceSettings(const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema =
      g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE);
  if (!schema) return nullptr;
  const bool has = g_settings_schema_has_key(schema, key);
  g_settings_schema_unref(schema);
  if (!has) return nullptr;
  return g_settings_new("org.gnome.desktop.interface");
}

}  // namespace

std::optional<bool> animationsEnabled() {
  // Asked on every masked copy: read once, then again only when the setting
  // changes. GSettings tells of changes through the GLib main context, which
  // Qt's event loop runs; reading the key once subscribes to them.
  struct Watch {
    GSettings* settings = interfaceSettings("enable-animations");
    std::atomic<bool> on{settings && g_settings_get_boolean(settings, "enable-animations")};
    Watch() {
      if (settings)
        g_signal_connect(settings, "changed::enable-animations",
                         G_CALLBACK(+[](GSettings* s, gchar* key, gpointer self) {
                           static_cast<Watch*>(self)->on = g_settings_get_boolean(s, key);
                         }),
                         this);
    }
  };
  static Watch watch;  // for the process's life, as the setting's subscription
  if (!watch.settings) return std::nullopt;
  return watch.on.load();
}

std::optional<bool> prefersDark() {
  GSettings* settings = interfaceSettings("color-scheme");
  if (!settings) return std::nullopt;
  gchar* value = g_settings_get_string(settings, "color-scheme");
  const bool dark = value && std::strcmp(value, "prefer-dark") == 0;
  g_free(value);
  g_object_unref(settings);
  return dark;
}

}  // namespace clipvane::x11::DesktopSettings
