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

// Browsers. Where a browser has no Linux build, the most used Linux browser
// of the same role stands in its place.
inline constexpr std::u16string_view epiphany = u"org.gnome.Epiphany";  // the WebKit browser
inline constexpr std::u16string_view firefoxEsr = u"firefox-esr";       // the distribution's own
inline constexpr std::u16string_view chrome = u"google-chrome";
inline constexpr std::u16string_view chromeBeta = u"google-chrome-beta";
inline constexpr std::u16string_view chromium = u"chromium";  // in place of Arc
inline constexpr std::u16string_view edge = u"microsoft-edge";
inline constexpr std::u16string_view brave = u"brave-browser";
inline constexpr std::u16string_view firefox = u"firefox";

inline constexpr std::u16string_view terminals[] = {gnomeTerminal, konsole, warp,
                                                    ghostty,       kitty,   wezterm};
inline constexpr std::u16string_view browsers[] = {epiphany, firefoxEsr, chrome, chromeBeta,
                                                   chromium, edge,       brave,  firefox};

// Editors.
inline constexpr std::u16string_view vscode = u"code";

}  // namespace clipvane::AppIds
