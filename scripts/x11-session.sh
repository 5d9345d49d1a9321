#!/usr/bin/env bash
# Runs a command inside a private desktop: a session bus with accessibility
# switched on, a virtual X server, a window manager and a tray host.
#   scripts/x11-session.sh CMD...
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 CMD..." >&2
  exit 2
fi

# Re-enter under a private runtime folder, a private X server and a private
# session bus. The runtime folder comes first: the accessibility bus that the
# session bus starts puts its socket there, and without one of its own every
# session of the user would share ~/.cache/at-spi/bus (or the login session's
# folder), and one session ending would take the others' accessibility bus.
if [ -z "${CLIPVANE_X11_SESSION:-}" ]; then
  export CLIPVANE_X11_SESSION=1
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  xvfb=""
  # The session's services may mount file systems in its runtime folder (the
  # document portal puts a FUSE one at doc/): they are unmounted before the
  # folder goes. What the clean-up cannot do is said, and never changes the
  # command's verdict.
  end_session() {
    local mount
    if [ -n "$xvfb" ]; then
      kill "$xvfb" 2>/dev/null || true
      wait "$xvfb" 2>/dev/null || true
    fi
    awk -v dir="$runtime/" 'index($2, dir) == 1 {print $2}' /proc/self/mounts | sort -r |
      while read -r mount; do
        fusermount3 -u -z "$mount" 2>/dev/null || fusermount -u -z "$mount" 2>/dev/null ||
          umount -l "$mount" 2>/dev/null || true
      done
    rm -rf "$runtime" 2>/dev/null || echo "x11-session: $runtime is left behind" >&2
    return 0
  }
  trap end_session EXIT
  export XDG_RUNTIME_DIR=$runtime
  # The X server picks a free display itself and names it once it takes
  # connections, so that sessions started at once never race for a number;
  # its cookie is good for whatever number it picks.
  export XAUTHORITY=$runtime/Xauthority
  : >"$XAUTHORITY"
  echo "ffff 0000  0000  0012 4d49542d4d414749432d434f4f4b49452d31 0010 $(mcookie)" |
    xauth -q nmerge -
  Xvfb -displayfd 3 -auth "$XAUTHORITY" -nolisten tcp -screen 0 1280x800x24 \
    3>"$runtime/display" 2>"$runtime/xvfb.log" &
  xvfb=$!
  for _ in $(seq 1 600); do
    [ -s "$runtime/display" ] || { kill -0 "$xvfb" 2>/dev/null && sleep 0.05 && continue; }
    break
  done
  if [ ! -s "$runtime/display" ]; then
    cat "$runtime/xvfb.log" >&2
    echo "x11-session: the X server did not start" >&2
    exit 1
  fi
  display=":$(tr -d '[:space:]' <"$runtime/display")"
  # The bus and the services it starts know no display, as the login
  # session's do not: nothing of theirs holds on to this server when it goes.
  status=0
  env -u DISPLAY dbus-run-session -- env DISPLAY="$display" "$0" "$@" || status=$?
  exit "$status"
fi

# Waits until the given command succeeds, for at most about thirty seconds (a
# loaded machine starts the bus, the window manager and the tray slowly).
wait_for() {
  local i
  for i in $(seq 1 600); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.05
  done
  echo "x11-session: timed out waiting for: $*" >&2
  return 1
}

pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

# The private desktop is X11 alone, whatever session the caller runs in.
unset WAYLAND_DISPLAY

# Accessibility first: Qt and GTK applications register with AT-SPI only when
# it is on at their start. Asking the bus launcher starts the accessibility bus.
export NO_AT_BRIDGE=0
# Desktop settings stay in this session's memory: nothing reaches the user's
# own, and no settings thread reads the environment while a test changes it
# (getenv racing setenv crashes).
export GSETTINGS_BACKEND=memory
wait_for dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true
a11y_address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress | tr -d ' ')
# The registry is started on the accessibility bus by activation; ask it once so
# that it runs before the tests do.
wait_for dbus-send --bus="$a11y_address" --print-reply --dest=org.a11y.atspi.Registry \
  /org/a11y/atspi/accessible/root org.freedesktop.DBus.Properties.Get \
  string:org.a11y.atspi.Accessible string:Name

# On a loaded machine the window manager has now and then come up without
# ever taking the screen: give it up to three starts.
start_wm() {
  openbox >/dev/null 2>&1 &
  wm=$!
  pids+=("$wm")
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
start_wm
for attempt in 1 2 3; do
  if wait_for wm_ready; then break; fi
  [ "$attempt" -lt 3 ] || exit 1
  kill "$wm" 2>/dev/null || true
  start_wm
done

# The tray is ready once the window that owns the tray selection carries the
# tray's orientation.
tray_ready() {
  local w
  for w in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
    xprop -id "$w" _NET_SYSTEM_TRAY_ORIENTATION 2>/dev/null | grep -q '= ' && return 0
  done
  return 1
}

tint2 >/dev/null 2>&1 &
pids+=($!)
wait_for tray_ready

"$@"
