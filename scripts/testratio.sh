#!/usr/bin/env bash
# testratio.sh [--coverage]: counts non-blank lines of code (.cpp/.h in every source folder but
# tests/ and bench/) and of tests (tests/), per folder, and prints tests over code.
# With --coverage it also builds an instrumented copy in build/coverage (gcc --coverage, no
# sanitizers), runs every test there and prints the line coverage of the system's own code
# (each source folder's .cpp files, measured by gcov).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

count() {  # non-blank .cpp/.h lines under the folders given
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null |
    xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true
}

folders=()
for d in */; do
  d=${d%/}
  case "$d" in tests|bench|build|cmake|resources|scripts) continue ;; esac
  [ -n "$(find "$d" -type f \( -name '*.cpp' -o -name '*.h' \) -print -quit)" ] && folders+=("$d")
done

printf '%-12s %8s %8s %6s\n' folder code tests ratio
code_total=0
for d in "${folders[@]}"; do
  c=$(count "$d")
  t=0
  [ -d "tests/$d" ] && t=$(count "tests/$d")
  code_total=$((code_total + c))
  printf '%-12s %8d %8d %6s\n' "$d" "$c" "$t" "$(awk -v t="$t" -v c="$c" 'BEGIN{printf "%.2f", t/c}')"
done
for d in tests/*/; do
  d=${d%/}; n=${d#tests/}
  [ -d "$n" ] && continue
  printf '%-12s %8s %8d\n' "($n)" - "$(count "$d")"
done
test_total=$(count tests)
printf '%-12s %8d %8d %6s\n' total "$code_total" "$test_total" \
  "$(awk -v t="$test_total" -v c="$code_total" 'BEGIN{printf "%.2f", t/c}')"

[ "${1:-}" = "--coverage" ] || exit 0

"$top/scripts/setup.sh"
build="${KV_COVERAGE_BUILD_DIR:-$top/build/coverage}"
export CCACHE_DISABLE=1   # coverage notes name their object files: no cache
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=OFF \
  -DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=OFF -DCMAKE_C_FLAGS=--coverage \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
jobs="${KV_JOBS:-4}"
cmake --build "$build" -j "$jobs" >/dev/null
find "$build" -name '*.gcda' -delete
TZ=UTC ctest --test-dir "$build" -j "$jobs" --timeout 900 >"$build/ctest.log" 2>&1 ||
  { tail -20 "$build/ctest.log"; echo "tests failed under coverage" >&2; exit 1; }

# gcov over the objects of the system's libraries and the program; only .cpp files of the
# source folders count (each is compiled once, so no file is counted twice).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$build/CMakeFiles/kvsystem.dir" "$build/CMakeFiles/kvplatform.dir" \
  "$build/CMakeFiles/kestrove.dir" -name '*.gcda' >"$work/list"
# gcov is asked per object so that it finds each object's notes.
: >"$work/raw"
while read -r g; do
  (cd "$work" && gcov -n -o "$(dirname "$g")" "$g" 2>/dev/null || true) >>"$work/raw"
done <"$work/list"
awk -v top="$top/" '
  /^File / { f = $2; gsub(/\047/, "", f); next }
  /^Lines executed:/ {
    if (f !~ /\.cpp$/ || index(f, top) != 1 || seen[f]++) next
    rel = substr(f, length(top) + 1); split(rel, p, "/"); d = p[1]
    if (d == "tests" || d == "bench" || d == "build") next
    split($2, a, ":"); pct = a[2]; sub(/%/, "", pct); n = $4
    hit[d] += pct * n / 100; all[d] += n; H += pct * n / 100; N += n
  }
  END {
    for (d in all) printf "coverage %-12s %6.1f %% of %d lines\n", d, 100 * hit[d] / all[d], all[d]
    printf "coverage %-12s %6.1f %% of %d lines\n", "total", 100 * H / N, N
  }' "$work/raw" | sort
