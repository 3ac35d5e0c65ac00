#!/usr/bin/env bash
# fuzz.sh [SECONDS] [TARGET ...]: builds the fuzz targets as libFuzzer targets (Debian's clang
# 14, with AddressSanitizer and UndefinedBehaviorSanitizer) in build/fuzz and runs each named
# target (every tests/fuzz/fuzz_*.cpp when none is named) for SECONDS (default 60). A target's
# corpus lives in build/fuzz/corpus/<target>, started from the target's own seed inputs; what
# a failing input was is kept in build/fuzz/artifacts. CI does not run this: it replays the
# fixed inputs of the same targets (the fuzz_* tests of scripts/test.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
seconds="${1:-60}"
shift || true
build="${KV_FUZZ_BUILD_DIR:-$top/build/fuzz}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
export CCACHE_NOHASHDIR=1
CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON \
  -DKV_LIBFUZZER=ON -DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$top"/tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" -j "${KV_JOBS:-4}" --target "${targets[@]}"
export TZ=UTC
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
  echo "== $t: $seconds s"
  corpus="$build/corpus/$t"
  KV_FUZZ_SEEDS="$corpus" "$build/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$corpus" || status=1
done
exit $status
