#!/usr/bin/env bash
# fuzz.sh [SECONDS] [-jobs=N] [-libfuzzer-option ...] [TARGET ...]: builds the fuzz targets as
# libFuzzer targets (Debian's clang 14, with AddressSanitizer and UndefinedBehaviorSanitizer) in
# build/fuzz and runs each named target (every tests/fuzz/fuzz_*.cpp when none is named) for
# SECONDS (default 60). Arguments starting with '-' go to libFuzzer (defaults -timeout=10
# -rss_limit_mb=2048; a later one wins), except -jobs=N, which runs N targets at a time (default
# 1), each writing its log to build/fuzz/logs/<target>.log. A target's corpus lives in
# build/fuzz/corpus/<target>, started from the target's own seed inputs; what a failing input
# was is kept in build/fuzz/artifacts. The targets' temporary homes go into a folder of their
# own (on /dev/shm when there is one), removed at the end. At the end a table gives each
# target's executions, executions per second, coverage and outcome. CI does not run this: it
# replays the fixed inputs of the same targets (the fuzz_* tests of scripts/test.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
seconds=60
if [[ $# -gt 0 && "$1" =~ ^[0-9]+$ ]]; then
  seconds="$1"
  shift
fi
jobs=1
options=(-timeout=10 -rss_limit_mb=2048)
targets=()
for a in "$@"; do
  case "$a" in
    -jobs=*) jobs="${a#-jobs=}" ;;
    -*) options+=("$a") ;;
    *) targets+=("$a") ;;
  esac
done
build="${KV_FUZZ_BUILD_DIR:-$top/build/fuzz}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
export CCACHE_NOHASHDIR=1
CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON \
  -DKV_LIBFUZZER=ON -DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=OFF >/dev/null
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$top"/tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" -j "${KV_JOBS:-4}" --target "${targets[@]}"
export TZ=UTC
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export PULSE_SERVER=unix:/nonexistent/kestrove-fuzz
# The services of large libraries come from the modules built beside the targets.
export KESTROVE_MODULE_DIR="$build"
tmproot=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && tmproot=/dev/shm
TMPDIR=$(mktemp -d "$tmproot/kestrove-fuzz-XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
mkdir -p "$build/artifacts" "$build/logs"

run() {
  local t="$1"
  local corpus="$build/corpus/$t"
  mkdir -p "$corpus"  # a target without seeds starts from an empty one
  KV_FUZZ_SEEDS="$corpus" "$build/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
    "${options[@]}" -artifact_prefix="$build/artifacts/$t-" "$corpus" >"$build/logs/$t.log" 2>&1
}

declare -A pids=()
status=0
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "== $t: $seconds s"
  run "$t" &
  pids[$t]=$!
done
printf '%-24s %12s %8s %8s  %s\n' target executions exec/s cov outcome
for t in "${targets[@]}"; do
  outcome=ok
  wait "${pids[$t]}" || { outcome="failed (see build/fuzz/logs/$t.log)"; status=1; }
  log="$build/logs/$t.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # A target that stopped on its first input printed no coverage line.
  cov=$({ grep -o 'cov: [0-9]*' "$log" || true; } | tail -1 | cut -d' ' -f2)
  printf '%-24s %12s %8s %8s  %s\n' "$t" "${execs:--}" "${rate:--}" "${cov:--}" "$outcome"
done
exit $status
