#include "DesktopSettings.h"

#include <gio/gio.h>

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
  // Asked on every masked copy: the schema is looked up and the settings
  // opened once, and kept; reading a key of open settings is current (the
  // backend follows its changes).
  static GSettings* const settings = interfaceSettings("enable-animations");
  if (!settings) return std::nullopt;
  return g_settings_get_boolean(settings, "enable-animations") != FALSE;
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
