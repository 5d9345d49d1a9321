#!/usr/bin/env bash
# scripts/run.sh installs what the program needs and nothing of the test
# stack: resolved by apt from an empty system, its list pulls in no browser,
# terminal, desktop server, lint tool, compiler of the fuzzers or test
# library, while scripts/test.sh's list still has each of them; and the
# program and its package configure with the test libraries out of reach.
# Needs apt's package lists; exits 77 (skipped) without them.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() {
  echo "install-lists: $*" >&2
  exit 1
}

policy=$(apt-cache policy chromium 2>/dev/null || true)
[[ $policy == *"Candidate: "[0-9]* ]] || exit 77

test_stack=(chromium firefox-esr gnome-terminal xfce4-terminal xterm clang clang-format lintian
  xvfb openbox tint2 xdotool libgtest-dev libgmock-dev libbenchmark-dev libgtk-3-dev)

mapfile -t program < <(bash scripts/install-deps.sh --list)
mapfile -t tests < <(bash scripts/install-deps.sh --list --tests)
# Everything apt would install on a machine that has nothing yet.
resolved=$(apt-get install -s -qq --no-install-recommends -o Dir::State::status=/dev/null \
  "${program[@]}" 2>&1) || fail "apt cannot resolve the program's list: $resolved"
mapfile -t pulled < <(awk '/^Inst / {print $2}' <<<"$resolved")
[ ${#pulled[@]} -gt 100 ] || fail "apt resolved only ${#pulled[@]} packages: $resolved"
for p in "${test_stack[@]}"; do
  ! grep -qx "$p" <(printf '%s\n' "${pulled[@]}") || fail "run.sh's list pulls in $p"
  grep -qx "$p" <(printf '%s\n' "${tests[@]}") || fail "test.sh's list lacks $p"
done

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cmake --preset program -B "$build" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Svg=ON \
  >"$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; fail "the program preset needs a test library"; }
grep -q '^clipvane:' <(ninja -C "$build" -t targets all 2>/dev/null) || fail "the program preset has no clipvane target"
echo "install-lists: run.sh's list resolves to ${#pulled[@]} packages, none of the test stack"
