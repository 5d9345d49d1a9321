#!/usr/bin/env bash
# Builds Clipvane and starts it on the X11 desktop. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "Clipvane needs an X11 display: none is reachable (DISPLAY=${DISPLAY:-unset})." >&2
  exit 1
fi
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/src/app/clipvane "$@"
