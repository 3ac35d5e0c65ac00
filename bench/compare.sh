#!/usr/bin/env bash
# The interpreter beside Tcl 8.6: four workloads run as handlers of a card script through the
# kestrove program (`--eval`), and, when tclsh8.6 is there, the same loops as Tcl procedures.
# Each whole run calls its workload several times in a row (the repeats column), so that a
# short workload is not lost in the noise of the program's start-up; a workload's time is the
# best of five whole runs less the best of five empty runs of the same interpreter (the same
# project or script file, nothing called), divided by its repeats. Then the card look-ups of a
# 100,000-card window, timed the same way against opening that window alone.
#
# Builds an optimised kestrove (with the test support, which writes the projects) in
# build/bench. tclsh8.6 is a benchmark-only dependency: installed from Debian (tcl8.6) when it
# is missing and apt-get can be used; without it only the kestrove figures are printed.
# KV_BENCH_RUNS sets how many whole runs the best is taken of (5).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build="${KV_BENCH_BUILD_DIR:-$top/build/bench}"
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrove-ccache}"
export CCACHE_BASEDIR="$top"
export CCACHE_NOHASHDIR=1
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=ON -DKV_BUILD_BENCH=ON \
  -DKV_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j "${KV_JOBS:-$(nproc)}" --target kestrove benchproject >&2

if ! command -v tclsh8.6 >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  if command -v apt-get >/dev/null; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends tcl8.6 >&2 || true
  fi
fi
tcl=$(command -v tclsh8.6 || true)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC
kestrove="$build/kestrove"

cat >"$work/loops.txt" <<'EOF'
function countup
  put 0 into x
  repeat 3000000 times
    put x + 1 into x
  end repeat
  return x
end countup
function appendup
  put empty into y
  repeat 1000000 times
    put "a" after y
  end repeat
  return the number of chars in y
end appendup
function fib n
  if n < 2 then return n
  return fib(n - 1) + fib(n - 2)
end fib
function eachitem
  put empty into s
  repeat 1000000 times
    put "abc," after s
  end repeat
  put 0 into n
  repeat for each item w in s
    add 1 to n
  end repeat
  return n
end eachitem
EOF
cat >"$work/loops.tcl" <<'EOF'
proc countup {} {
  set x 0
  for {set i 0} {$i < 3000000} {incr i} { set x [expr {$x + 1}] }
  return $x
}
proc appendup {} {
  set y ""
  for {set i 0} {$i < 1000000} {incr i} { append y "a" }
  return [string length $y]
}
proc fib {n} {
  if {$n < 2} { return $n }
  return [expr {[fib [expr {$n - 1}]] + [fib [expr {$n - 2}]]}]
}
proc eachitem {} {
  set s ""
  for {set i 0} {$i < 1000000} {incr i} { append s "abc," }
  set n 0
  foreach w [split [string range $s 0 end-1] ","] { incr n }
  return $n
}
EOF

# The workloads: label | Veltrix call | Tcl call | result | calls per whole run.
workloads='put x + 1 into x, 3,000,000 times|countup()|countup|3000000|1
put "a" after y, 1,000,000 times, then its length|appendup()|appendup|1000000|1
recursive fib(24)|fib(24)|fib 24|46368|1
1,000,000 put "abc," after s, each item counted|eachitem()|eachitem|1000000|1'

# Each workload is called through a wrapper that calls it its repeats in a row.
n=0
while IFS='|' read -r _ veltrix tclcall _ repeats; do
  n=$((n + 1))
  printf 'function repeated%d\n  repeat %d times\n    put %s into r\n  end repeat\n  return r\nend repeated%d\n' \
    "$n" "$repeats" "$veltrix" "$n" >>"$work/loops.txt"
  printf 'proc repeated%d {} {\n  for {set i 0} {$i < %d} {incr i} { set r [%s] }\n  return $r\n}\n' \
    "$n" "$repeats" "$tclcall" >>"$work/loops.tcl"
done <<<"$workloads"
echo 'if {[llength $argv] > 0} { puts [{*}$argv] }' >>"$work/loops.tcl"
"$build/bench/benchproject" "$work/loops.kv45" script "$work/loops.txt"
"$build/bench/benchproject" "$work/cards.kv45" cards 100000

# Microseconds of the fastest of KV_BENCH_RUNS runs of the command (its output must match
# $expect when that is set).
runs="${KV_BENCH_RUNS:-5}"
best() {
  local fastest="" t0 t1 ms out
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    out=$("$@")
    t1=$(date +%s%N)
    if [ -n "${expect:-}" ] && [ "$out" != "$expect" ]; then
      echo "unexpected output of $*: $out" >&2
      exit 1
    fi
    ms=$(( (t1 - t0) / 1000 ))
    if [ -z "$fastest" ] || [ "$ms" -lt "$fastest" ]; then fastest=$ms; fi
  done
  echo "$fastest"
}
# Milliseconds of one call: the microseconds of a whole run less the empty run's, over the calls.
msec() { awk -v us="$1" -v calls="${2:-1}" 'BEGIN { printf "%.1f", (us < 0 ? 0 : us) / calls / 1000 }'; }

kempty=$(expect="" best "$kestrove" --headless "$work/loops.kv45" --eval 1)
[ -n "$tcl" ] && tempty=$(expect="" best "$tcl" "$work/loops.tcl")

# Start-up: the best wall time of an empty run (no project) and its maximum resident size.
maxrss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
kstart=$(expect="1" best "$kestrove" --headless --eval 1)
printf '%-50s %10s %10s %7s\n' "start-up" "kestrove" "tcl 8.6" "ratio"
if [ -n "$tcl" ]; then
  tstart=$(expect="" best "$tcl" /dev/null)
  printf '%-50s %7s ms %7s ms %7s\n' "wall (--eval 1; tclsh of an empty file)" "$(msec "$kstart")" \
    "$(msec "$tstart")" "$(awk -v k="$kstart" -v t="$tstart" 'BEGIN { if (t <= 0) t = 1; printf "%.1f", k / t }')"
  if [ -x /usr/bin/time ]; then
    printf '%-50s %7s KB %7s KB\n' "maximum resident size" "$(maxrss "$kestrove" --headless --eval 1)" \
      "$(maxrss "$tcl" /dev/null)"
  fi
else
  printf '%-50s %7s ms\n' "wall (--eval 1)" "$(msec "$kstart")"
fi
echo
printf '%-50s %8s %10s %10s %7s\n' "workload" "repeats" "kestrove" "tcl 8.6" "ratio"
n=0
while IFS='|' read -r label _ _ result repeats; do
  n=$((n + 1))
  k=$(( $(expect="$result" best "$kestrove" --headless "$work/loops.kv45" --eval "repeated$n()") - kempty ))
  if [ -n "$tcl" ]; then
    t=$(( $(expect="$result" best "$tcl" "$work/loops.tcl" "repeated$n") - tempty ))
    ratio=$(awk -v k="$k" -v t="$t" 'BEGIN { if (t <= 0) t = 1; printf "%.1f", k / t }')
    printf '%-50s %8s %7s ms %7s ms %7s\n' "$label" "$repeats" "$(msec "$k" "$repeats")" \
      "$(msec "$t" "$repeats")" "$ratio"
  else
    printf '%-50s %8s %7s ms %10s %7s\n' "$label" "$repeats" "$(msec "$k" "$repeats")" "-" "-"
  fi
done <<<"$workloads"

# Each run goes to the card and back five times, ending on it: ten look-ups per run.
echo
cempty=$(expect="c1" best "$kestrove" --headless "$work/cards.kv45" --eval "the short name of this card")
printf '%-50s %8s %10s\n' "100,000 cards (less opening the window)" "repeats" "kestrove"
while IFS='|' read -r label there back; do
  gos=()
  for _ in 1 2 3 4 5; do gos+=(--do "go to card $back" --do "go to card $there"); done
  c=$(( $(expect="c99998" best "$kestrove" --headless "$work/cards.kv45" "${gos[@]}" \
    --eval "the short name of this card") - cempty ))
  printf '%-50s %8s %7s ms\n' "$label" 10 "$(msec "$c" 10)"
done <<'EOF'
go to card "c99998" (by name)|"c99998"|"c99990"
go to card id 100098 (by id)|id 100098|id 100090
go to card 99998 (by number)|99998|99990
EOF
