#!/usr/bin/env bash
# Builds the optimised kestrove from scratch, as ./scripts/run.sh builds it, and fails when the
# compiler warns about any of our own files (the optimiser finds warnings the test build does
# not). The build log is kept in the build folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build="${KV_WARNINGS_BUILD_DIR:-$top/build/warnings}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
export CCACHE_NOHASHDIR=1
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >/dev/null
log="$build/build.log"
# A clean build, so that every file is compiled (the compiler cache replays its warnings).
cmake --build "$build" -j "${KV_JOBS:-$(nproc)}" --clean-first --target kestrove >"$log" 2>&1 || {
  cat "$log" >&2
  exit 1
}
# Library headers are system includes and stay quiet: any warning left is about our code
# (directly, or in a library function inlined into it).
if grep -q "warning:" "$log"; then
  grep -E -B12 "warning:" "$log" >&2
  echo "warnings: the optimised build warns (log: $log)" >&2
  exit 1
fi
echo "warnings: none in the optimised build"
