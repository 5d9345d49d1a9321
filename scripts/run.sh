#!/usr/bin/env bash
# Builds Clipvane and starts it. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
if [ -x build/src/app/clipvane ]; then
  exec build/src/app/clipvane "$@"
fi
echo "The program itself is not built yet: only the detection core, its tools and tests are."
