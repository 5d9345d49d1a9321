#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# Idempotent; runs apt-get only when something is missing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang clang-format git
  libclang-rt-14-dev
  # detection core
  libicu-dev libssl-dev nlohmann-json3-dev libphonenumber-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a GTK text field for the program's benchmark to paste into
  libgtk-3-dev
  # application (Qt)
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libxkbcommon-dev
  # X11, AT-SPI, PAM
  libx11-dev libx11-xcb-dev libxcb1-dev libxcb-xtest0-dev libxcb-keysyms1-dev libxcb-xfixes0-dev
  libatspi2.0-dev libglib2.0-dev libpam0g-dev libcrypt-dev
  # desktop for the X11 tests and screenshots
  xvfb xauth x11-utils xclip xdotool openbox tint2 dbus dbus-x11 at-spi2-core fonts-dejavu-core
  # a terminal outside the fixed list, known only by its desktop entry
  xterm
  # setxkbmap, for the keyboard-layout switch; xrdb, for xterm's paste key
  x11-xkb-utils x11-xserver-utils
  qt6-qpa-plugins
  # a compositor that blurs nothing, for the glass over text
  xcompmgr
  # a GTK window with an entry, for where the review stands
  python3-gi gir1.2-gtk-3.0
  # terminals the safe paste is tried in
  gnome-terminal xfce4-terminal xterm
  # the browsers whose pages the desktop tests paste into (about 200 MB to
  # fetch, 660 MB installed)
  chromium firefox-esr
  # the package: its icons drawn at build time, its checks and its round trip
  qt6-svg-dev dpkg-dev file desktop-file-utils xdg-utils lintian
)

# One question to dpkg for all of them: the check runs before every start.
declare -A installed=()
while read -r name state; do
  [ "$state" = installed ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
