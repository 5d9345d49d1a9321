#pragma once
// The desktop's appearance settings (GSettings, when the schema is installed).
// No Qt header here: glib's headers and Qt's keywords do not mix.
#include <optional>

namespace clipvane::x11::DesktopSettings {

// org.gnome.desktop.interface enable-animations; nothing without the schema.
std::optional<bool> animationsEnabled();
// org.gnome.desktop.interface color-scheme is "prefer-dark"; nothing without
// the schema or the key.
std::optional<bool> prefersDark();

}  // namespace clipvane::x11::DesktopSettings
