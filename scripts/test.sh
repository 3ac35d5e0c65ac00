#!/usr/bin/env bash
# Installs what is needed, builds the sanitizer test build and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
# Every include must follow the folder READMEs' "May call:" lines or be a named exception.
"$top/scripts/layers.sh"
build="${KV_TEST_BUILD_DIR:-$top/build/test}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
# Debug information names the build folder; leave it out of the cache key so that every clone
# and worktree shares one warm cache.
export CCACHE_NOHASHDIR=1
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON \
  -DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=ON >/dev/null
jobs="${KV_JOBS:-$(nproc)}"
cmake --build "$build" -j "$jobs"
export TZ=UTC
# No test reaches a sound server (the speech library opens an audio client it never uses).
export PULSE_SERVER=unix:/nonexistent/kestrove-test
# No test leaves files in the source tree: what git sees before and after the run must match.
untracked() { git -C "$top" status --porcelain --untracked-files=all 2>/dev/null | grep '^??' || true; }
before=$(untracked)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600 "$@"
after=$(untracked)
if [ "$before" != "$after" ]; then
  echo "The tests left files in the source tree:" >&2
  diff <(echo "$before") <(echo "$after") | grep '^>' >&2 || true
  exit 1
fi
# The optimised build must not warn about our own code either (KV_CHECK_WARNINGS=0 skips it).
if [ "${KV_CHECK_WARNINGS:-1}" = 1 ]; then
  "$top/scripts/warnings.sh"
fi
