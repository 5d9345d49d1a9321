#!/usr/bin/env bash
# Builds Clipvane and starts it on the X11 desktop. Installs what building and
# running it needs first (not what the tests need: scripts/test.sh installs
# that), then builds the program alone (no tests, benchmarks or tools) in
# build-program; the program itself says in one line when there is no X11
# display to start on. Arguments go to the program (clipvane://settings, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset program >/dev/null
cmake --build --preset program --target clipvane
exec build-program/src/clipvane "$@"
