#!/usr/bin/env bash
# Builds Clipvane and starts it on the X11 desktop. Installs what is missing
# first, then builds the program alone (no tests, benchmarks or tools); the
# program itself says in one line when there is no X11 display to start on.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target clipvane
exec build/src/clipvane "$@"
