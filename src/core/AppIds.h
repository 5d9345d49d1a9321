#pragma once
// Desktop-entry ids of the applications the system knows by name, in one
// place: the default protected applications and the terminal and browser
// tables read from here.
#include <string_view>

namespace clipvane::AppIds {

// Terminals.
inline constexpr std::u16string_view gnomeTerminal = u"org.gnome.Terminal";
inline constexpr std::u16string_view konsole = u"org.kde.konsole";  // in place of iTerm2
inline constexpr std::u16string_view warp = u"dev.warp.Warp";
inline constexpr std::u16string_view ghostty = u"com.mitchellh.ghostty";
inline constexpr std::u16string_view kitty = u"kitty";
inline constexpr std::u16string_view wezterm = u"org.wezfurlong.wezterm";

// Editors.
inline constexpr std::u16string_view vscode = u"code";

}  // namespace clipvane::AppIds
