#!/usr/bin/env bash
# Installs the Debian packages that are missing, with apt-get (as root, or
# through sudo). Idempotent; runs apt-get only when something is missing.
#   scripts/install-deps.sh                  what building, packing and running
#                                            the program needs (scripts/run.sh)
#   scripts/install-deps.sh --tests          that and what the tests, benchmarks
#                                            and fuzzers need (scripts/test.sh)
#   scripts/install-deps.sh --list [--tests] prints the names, installs nothing
set -euo pipefail

# The program: what its build, its Debian package and its start need.
PROGRAM=(
  # toolchain; dpkg-dev and file for the package
  build-essential cmake ninja-build pkg-config dpkg-dev file
  # detection core
  libicu-dev libssl-dev nlohmann-json3-dev libphonenumber-dev
  # application (Qt), and its X11 platform plugin to start on
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libxkbcommon-dev qt6-qpa-plugins
  # X11, AT-SPI, PAM
  libx11-dev libx11-xcb-dev libxcb1-dev libxcb-xtest0-dev libxcb-keysyms1-dev libxcb-xfixes0-dev
  libxcb-xkb-dev
  libatspi2.0-dev libglib2.0-dev libpam0g-dev
  # what the package recommends: the accessibility bus, and xdg-open for web
  # addresses
  at-spi2-core xdg-utils
)

# The tests, benchmarks and fuzzers, on top of the program's.
TESTS=(
  # formatting, the fuzzers (clang's libFuzzer) and the source checks
  clang clang-format git libclang-rt-14-dev
  # test and benchmark libraries; libcrypt for the sanitized build's PAM
  libgtest-dev libgmock-dev libbenchmark-dev libcrypt-dev
  # a GTK text field for the program's benchmark to paste into
  libgtk-3-dev
  # desktop for the X11 tests and screenshots
  xvfb xauth x11-utils xclip xdotool openbox tint2 dbus dbus-x11 fonts-dejavu-core
  # setxkbmap, for the keyboard-layout switch; xrdb, for xterm's paste key
  x11-xkb-utils x11-xserver-utils
  # a compositor that blurs nothing, for the glass over text
  xcompmgr
  # a GTK window with an entry, for where the review stands
  python3-gi gir1.2-gtk-3.0
  # terminals the safe paste is tried in; xterm is also the one outside the
  # fixed list, known only by its desktop entry
  gnome-terminal xfce4-terminal xterm
  # the browsers whose pages the desktop tests paste into (about 200 MB to
  # fetch, 660 MB installed)
  chromium firefox-esr
  # the package: the icon check's SVG reader, its checks and its round trip
  qt6-svg-dev desktop-file-utils lintian
)

list=0
tests=0
for arg in "$@"; do
  case "$arg" in
    --list) list=1 ;;
    --tests) tests=1 ;;
    *)
      echo "usage: $0 [--list] [--tests]" >&2
      exit 2
      ;;
  esac
done
PACKAGES=("${PROGRAM[@]}")
[ $tests -eq 0 ] || PACKAGES+=("${TESTS[@]}")
if [ $list -eq 1 ]; then
  printf '%s\n' "${PACKAGES[@]}"
  exit 0
fi

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
