#!/usr/bin/env bash
# The private desktop session ends what its services left in its runtime
# folder (a file system mounted there, as the document portal does) and
# gives the command's own verdict whatever its clean-up meets.
# Needs root to mount; exits 77 (skipped) elsewhere.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || exit 77
session="$(dirname "$0")/../../scripts/x11-session.sh"
# Run as a session of its own even from inside another one.
unset CLIPVANE_X11_SESSION
log=$(mktemp)
trap 'rm -f "$log"' EXIT
fail() {
  grep -v "^dbus-daemon" "$log" >&2 || true
  echo "x11-session-cleanup: $*" >&2
  exit 1
}

for verdict in 0 3; do
  status=0
  "$session" bash -c '
    mkdir "$XDG_RUNTIME_DIR/doc"
    mount -t tmpfs -o size=1m portal "$XDG_RUNTIME_DIR/doc"
    touch "$XDG_RUNTIME_DIR/doc/file"
    echo "runtime $XDG_RUNTIME_DIR"
    exit '"$verdict" >"$log" 2>&1 || status=$?
  runtime=$(awk '/^runtime / {print $2}' "$log")
  [ -n "$runtime" ] || fail "the command did not run"
  [ "$status" -eq "$verdict" ] || fail "the command ended with $verdict, the session with $status"
  ! grep -q " $runtime/" /proc/self/mounts || fail "$runtime/doc is still mounted"
  [ ! -e "$runtime" ] || fail "$runtime is left behind"
done
echo "x11-session-cleanup: passed"
