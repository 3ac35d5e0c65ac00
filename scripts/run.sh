#!/usr/bin/env bash
# Installs what is needed, builds an optimised kestrove and runs it with the arguments given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build="${KV_RUN_BUILD_DIR:-$top/build/release}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
# Debug information names the build folder; leave it out of the cache key so that every clone
# and worktree shares one warm cache.
export CCACHE_NOHASHDIR=1
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kestrove >&2
exec "$build/kestrove" "$@"
