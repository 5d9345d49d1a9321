#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks it with lintian,
# installs it with dpkg, checks that every file is where Debian looks for it
# and that a clipvane: link starts the installed program, then removes and
# purges it and checks that nothing is left. Needs root (CI runs as root;
# elsewhere it asks sudo). Another round trip on this machine (a second
# checkout) goes first; another apt or dpkg is waited for.
#   scripts/package-test.sh [BUILD_DIR]     default: build-ci
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-ci}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

fail() {
  echo "package: $*" >&2
  exit 1
}

# One round trip at a time on a machine: the package is installed system-wide.
lock=/tmp/clipvane-package-test.lock
exec 9>>"$lock"
if ! flock -n 9; then
  echo "-- waiting for another package round trip on this machine"
  flock -w 1800 9 || fail "another package round trip held $lock for 30 minutes"
fi

status() { dpkg-query -W -f='${db:Status-Abbrev}' clipvane 2>/dev/null | tr -d ' ' || true; }
known() { case "$(status)" in "" | un | pn) return 1 ;; esac; }

# Runs dpkg with the arguments, its output in the log; while another apt or
# dpkg holds the database (an upgrade, an install), waits for its turn, for
# at most ten minutes.
dpkg_when_free() {
  local waited=0
  while ! $SUDO dpkg "$@" >"$build/package.log" 2>&1; do
    grep -q "lock" "$build/package.log" && [ $waited -lt 600 ] || return 1
    [ $waited -gt 0 ] || echo "-- waiting for another apt or dpkg to finish"
    sleep 2
    waited=$((waited + 2))
  done
}

# Never touch a copy the user installed.
! known || fail "clipvane is installed on this machine; remove it first"

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/package.log" 2>&1 ||
  { cat "$build/package.log" >&2; fail "cpack failed"; }
deb=$(ls "$build"/package/clipvane_*.deb)
echo "-- $(basename "$deb"): $(du -k "$deb" | cut -f1) KB"
echo "-- Depends: $(dpkg-deb -f "$deb" Depends)"
# Debian's own checks: no error and no warning.
if ! lintian --fail-on error,warning "$deb" >"$build/lintian.log" 2>&1; then
  cat "$build/lintian.log" >&2
  fail "lintian found errors or warnings"
fi
echo "-- lintian: no error, no warning"

program=/usr/bin/clipvane
pam=/etc/pam.d/clipvane
files=(
  "$program"
  /usr/share/applications/clipvane.desktop
  /usr/share/icons/hicolor/scalable/apps/clipvane.svg
  /usr/share/man/man1/clipvane.1.gz
  /usr/share/doc/clipvane/copyright
  /usr/share/doc/clipvane/changelog.gz
)
for side in 16 22 24 32 48 64 128 256; do
  files+=("/usr/share/icons/hicolor/${side}x${side}/apps/clipvane.png")
done
# The default handler of clipvane: links as an application without a desktop
# session of its own finds it: through the MIME cache the triggers wrote.
handler() { env -i PATH=/usr/bin:/bin HOME="$home" xdg-mime query default x-scheme-handler/clipvane; }
home=$(mktemp -d)
# A failed check leaves nothing installed behind.
trap '! known || dpkg_when_free -P clipvane || true; rm -rf "$home"' EXIT

echo "-- install"
dpkg_when_free -i "$deb" || { cat "$build/package.log" >&2; fail "dpkg -i failed"; }
for f in "${files[@]}" "$pam"; do [ -f "$f" ] || fail "$f is missing"; done
[ "$(command -v clipvane)" = "$program" ] || fail "the desktop entry's 'clipvane' is not $program"
! ldd "$program" | grep 'not found' || fail "a library of $program is missing"
# Without a display it must say so in its one line and fail; its version and
# usage need none.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" 2>&1) && fail "$program ran without a display"
[ "$said" = "Clipvane needs an X11 display (DISPLAY is not set)." ] || fail "$program said: $said"
version=$(dpkg-deb -f "$deb" Version)
said=$(env -u DISPLAY "$program" --version) || fail "$program --version failed"
[ "$said" = "clipvane $version" ] || fail "$program --version said: $said"
env -u DISPLAY "$program" --help | grep -q "^Usage: clipvane" || fail "$program --help gave no usage"
LC_ALL=C man -l /usr/share/man/man1/clipvane.1.gz 2>/dev/null | grep -q "clipvane - keeps sensitive data" ||
  fail "the manual page does not read"
dpkg-query -W -f='${Conffiles}\n' clipvane | grep -q "^ $pam " || fail "$pam is not a conffile"
if command -v update-desktop-database >/dev/null; then
  grep -q '^x-scheme-handler/clipvane=.*clipvane\.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop database does not know the clipvane: scheme"
fi
if command -v xdg-mime >/dev/null; then
  [ "$(handler)" = "clipvane.desktop" ] || fail "xdg-mime gives '$(handler)' for clipvane: links"
fi
if command -v gtk-update-icon-cache >/dev/null && [ -f /usr/share/icons/hicolor/index.theme ]; then
  grep -qa clipvane /usr/share/icons/hicolor/icon-theme.cache || fail "the icon cache lacks clipvane"
fi
# On a desktop, a clipvane: link starts the installed program through its
# entry, and the program opens the window the link names.
if [ -x scripts/x11-session.sh ] && command -v xdg-open >/dev/null && command -v xdotool >/dev/null; then
  CLIPVANE_HOME="$home/data" HOME="$home" scripts/x11-session.sh bash -c '
    xdg-open clipvane://activity &
    for i in $(seq 1 100); do
      window=$(xdotool search --onlyvisible --name "^Activity — Clipvane\$" 2>/dev/null | head -1) && [ -n "$window" ] && break
      sleep 0.1
    done
    [ -n "$window" ] || { echo "no Activity window after clipvane://activity" >&2; exit 1; }
    pid=$(xdotool getwindowpid "$window")
    exe=$(readlink "/proc/$pid/exe")
    kill "$pid"
    [ "$exe" = /usr/bin/clipvane ] || { echo "the link started $exe" >&2; exit 1; }' \
    >"$build/package-x11.log" 2>&1 9>&- || { cat "$build/package-x11.log" >&2; fail "a clipvane: link did not open the installed program"; }
fi
# The administrator's own line in the PAM service outlives a removal.
echo "# kept by the administrator" | $SUDO tee -a "$pam" >/dev/null

echo "-- remove"
dpkg_when_free -r clipvane || { cat "$build/package.log" >&2; fail "dpkg -r failed"; }
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f is left after removal"; done
[ "$(status)" = "rc" ] || fail "after removal the package is '$(status)', not 'rc'"
grep -q "kept by the administrator" "$pam" || fail "removal did not keep the changed $pam"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
  ! grep -q clipvane /usr/share/applications/mimeinfo.cache || fail "the desktop database still has clipvane"
fi
if [ -f /usr/share/icons/hicolor/icon-theme.cache ]; then
  ! grep -qa clipvane /usr/share/icons/hicolor/icon-theme.cache || fail "the icon cache still has clipvane"
fi
if command -v xdg-mime >/dev/null; then
  [ -z "$(handler)" ] || fail "xdg-mime still gives '$(handler)' for clipvane: links"
fi

echo "-- purge"
dpkg_when_free -P clipvane || { cat "$build/package.log" >&2; fail "dpkg -P failed"; }
[ ! -e "$pam" ] || fail "$pam is left after purge"
ls "$pam".dpkg-* >/dev/null 2>&1 && fail "backups of $pam are left after purge"
! known || fail "after purge the package is '$(status)'"
echo "-- package installs, removes and purges cleanly"
