#!/bin/sh
# The kestrove program as a person meets it on the command line: one case per run.
#   surface.sh CASE KESTROVE MAKEPROJECT VERIFYPROJECT DIR
# Each case makes what it needs in DIR (a folder of its own) and fails with a message.
set -u
case=$1 kv=$2 make=$3 verify=$4 dir=$5
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 2
# The program's preferences go into the case's own folder, never the user's.
export XDG_CONFIG_HOME="$dir/config"

fail() {
  echo "FAIL ($case): $*" >&2
  exit 1
}

# expect OUTPUT ARGS...: kestrove prints exactly OUTPUT and ends with status 0.
expect() {
  want=$1
  shift
  got=$("$kv" "$@") || fail "status $? for: $*"
  [ "$got" = "$want" ] || fail "for: $* printed [$got], not [$want]"
}

# The process holds the project's writer's lock (the lock table names the file's inode).
holdslock() {
  inode=$(stat -c %i "$2")
  grep -q " $1 [0-9a-f]*:[0-9a-f]*:$inode " /proc/locks
}

# Runs kestrove on the project PATH with 1,200 `--do 'new card'` (in place of the shell that
# calls it, so that a shell sent to the background is the program itself).
newcards() {
  project=$1
  set --
  i=0
  while [ $i -lt 1200 ]; do
    set -- "$@" --do 'new card'
    i=$((i + 1))
  done
  exec "$kv" --headless "$project" "$@"
}

elapsed_ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

# Waits up to a minute for the background process PID to end and gives its status; one that
# is still running then is killed and the case fails.
finish() {
  i=0
  while kill -0 "$1" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -ge 600 ]; then
      kill -9 "$1" 2>/dev/null
      wait "$1" 2>/dev/null
      fail "the program did not end within a minute"
    fi
    sleep 0.1
  done
  wait "$1"
}

# Waits (up to a minute) until the process catches SIGINT and SIGTERM, then a second more for
# its start-up to reach the first card: a loaded machine can take longer than that to start it.
caught() {
  i=0
  while [ $i -lt 1200 ]; do
    mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null)
    if [ -n "$mask" ] && [ $(( 0x$mask & 0x4002 )) -eq $(( 0x4002 )) ]; then
      sleep 1
      return 0
    fi
    sleep 0.05
    i=$((i + 1))
  done
  fail "the program never caught its signals"
}

case $case in
do-forms)
  expect yes --do 'if 2 > 1 then put "yes"'
  expect no --do 'if 1 > 2 then put "yes" else put "no"'
  expect 42 --do 'put 6*7'
  expect 42 --do '6*7'
  expect 2 --do 'put 1 into x' --do 'put x + 1'
  expect 10 --do 'global g' --do 'put 5 into g' --do 'put g * 2'
  "$kv" --do 'repeat 3 times' 2>/dev/null && fail "a repeat without its end ran"
  expect 7 --do 'put 1' --eval '3 + 4'
  ;;
eval-lines)
  expect "$(printf 'a\nb')" --eval 'line 1 to 2 of ("a" & return & "b")'
  expect "é" --eval 'numToChar(142)'
  expect "été" --do 'put "été"'
  # Every byte of a value is printed, a NUL too, and the lines after it still come.
  "$kv" --eval '"a" & numToChar(0) & "b"' --eval '1 + 1' >nul.txt || fail "status $? for the NUL"
  printf 'a\000b\n2\n' >want.txt
  cmp nul.txt want.txt || fail "printed $(od -c nul.txt)"
  ;;
unknown-command)
  # A word nobody takes inside a handler is the same error however the handler was reached.
  "$make" u.kv45 unknown-command || exit 2
  for run in "--eval t8()" "--do t7" "--do get_t8()"; do
    form=${run%% *} line=$(echo "${run#* }" | tr _ ' ')
    "$kv" --headless u.kv45 "$form" "$line" >out.txt 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "$form $line: status $status"
    grep -q 'Veltrix Error Number 1: ' err.txt || fail "$form $line: $(cat err.txt)"
    grep 'Veltrix Error Number' err.txt | grep -v -q 'Number 1: ' && fail "$form $line: another error: $(cat err.txt)"
  done
  ;;
error-report)
  "$make" o.kv45 opencard-fails || exit 2
  "$kv" --headless o.kv45 --transcript t.txt 2>err.txt
  status=$?
  [ $status -eq 1 ] || fail "status $status"
  first='kestrove: o.kv45: Veltrix Error Number 45: Can'"'"'t put into that.'
  second="  in handler openCard of card \"One\" of window \"Main\" of project \"$(pwd -P)/o.kv45\", line 3: put x into empty"
  [ "$(cat err.txt)" = "$(printf '%s\n%s' "$first" "$second")" ] || fail "standard error holds [$(cat err.txt)]"
  [ "$(grep -c -x -F "error: $first" t.txt)" = 1 ] || fail "the transcript lacks the first line once"
  [ "$(grep -c -x -F "error: $second" t.txt)" = 1 ] || fail "the transcript lacks the second line once"
  ;;
launch-arguments)
  # A failing launch argument is reported once, and the ones after it are not sent.
  "$make" p.kv45 || exit 2
  "$kv" --headless p.kv45 --transcript t.txt -- '' 'put 1 into x' 'nosuchcmd' 'put 2 into y' 2>err.txt
  status=$?
  [ $status -eq 1 ] || fail "status $status"
  [ "$(grep -c '^message: scriptError ' t.txt)" = 1 ] || fail "scriptError sent $(grep -c '^message: scriptError ' t.txt) times"
  [ "$(grep -c '^dialog: alert ' t.txt)" = 1 ] || fail "$(grep -c '^dialog: alert ' t.txt) error alerts"
  grep -q '^message: put 1 into x ' t.txt || fail "the first argument was not sent"
  ! grep -q '^message: put 2 into y' t.txt || fail "an argument after the failing one was sent"
  ;;
quit)
  # Quitting closes the window with its messages, shows the quit dialog and ends with 0.
  "$make" p.kv45 || exit 2
  "$kv" --headless p.kv45 --transcript t.txt --do quit 2>err.txt
  status=$?
  [ $status -eq 0 ] || fail "status $status: $(cat err.txt)"
  [ "$(grep -c '^message: closeProject ' t.txt)" = 1 ] || fail "closeProject was not sent once"
  [ "$(tail -n 2 t.txt | head -n 1)" = "dialog: quit dialog" ] || fail "no quit dialog before the end: $(tail -n 3 t.txt)"
  [ "$(tail -n 1 t.txt)" = "exit: 0" ] || fail "the transcript ends with [$(tail -n 1 t.txt)]"
  ;;
interrupt)
  "$make" l.kv45 loops || exit 2
  "$kv" --headless l.kv45 --transcript t.txt 2>err.txt &
  pid=$!
  caught $pid
  kill -INT $pid
  finish $pid
  status=$?
  [ $status -eq 1 ] || fail "status $status"
  grep -q 'Veltrix Error Number 48: Stopped by the user.' err.txt || fail "no abort error: $(cat err.txt)"
  grep -q '^message: idle to' t.txt || fail "the run did not go on"
  tail -n 1 t.txt | grep -q '^exit: 1$' || fail "no exit line"
  "$verify" l.kv45 || fail "the project does not verify"
  ;;
terminate)
  "$make" l.kv45 loops || exit 2
  "$kv" --headless l.kv45 --transcript t.txt 2>err.txt &
  pid=$!
  caught $pid
  start=$(date +%s%N)
  kill -TERM $pid
  finish $pid
  status=$?
  ms=$(elapsed_ms "$start")
  [ $status -eq 143 ] || fail "status $status: $(cat err.txt)"
  [ "$ms" -lt 5000 ] || fail "ended after $ms ms, not at once"
  grep -q '^message: closeCard to' t.txt || fail "no quit sequence"
  "$verify" l.kv45 || fail "the project does not verify"
  ;;
tick-limit)
  "$make" l.kv45 loops || exit 2
  "$kv" --headless l.kv45 --max-ticks 600 2>err.txt
  status=$?
  [ $status -eq 0 ] || fail "status $status: $(cat err.txt)"
  grep -q 'the tick limit was reached' err.txt || fail "no reason: $(cat err.txt)"
  "$kv" --headless l.kv45 --max-passes 3 2>err.txt || fail "a pass limit did not end the loop: $(cat err.txt)"
  "$verify" l.kv45 || fail "the project does not verify"
  ;;
in-use)
  "$make" l.kv45 loops || exit 2
  "$kv" --headless l.kv45 --max-ticks 10000000 2>first.txt &
  pid=$!
  tries=0
  until holdslock $pid l.kv45; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { kill $pid; fail "the first run never held the project"; }
    sleep 0.1
  done
  "$kv" --headless l.kv45 --eval 1 >out.txt 2>err.txt
  status=$?
  kill -TERM $pid
  finish $pid
  first=$?
  [ $status -eq 1 ] || fail "the second run ended with $status"
  grep -q 'That project is in use by another program.' err.txt || fail "the second run said: $(cat err.txt)"
  grep -q -i damaged err.txt && fail "the project was called damaged"
  [ $first -eq 143 ] || fail "the first run ended with $first: $(cat first.txt)"
  "$verify" l.kv45 || fail "the project does not verify"
  ;;
message-box)
  # An openCard handler puts two lines into the message box: the run prints both at its end.
  "$kv" --headless --do "new project \"$dir/m.kv45\"" --do 'set the script of this card to "on openCard" & return & "put " & quote & "a" & quote & " & return & " & quote & "b" & quote & " into msg" & return & "end openCard"' || fail "new project"
  expect "$(printf 'a\nb')" --headless m.kv45
  ;;
unchanged)
  # A project the test tools wrote: the first close may bring its cards' records to the
  # current layout; from the second run on, nothing is written.
  "$make" u.kv45 || exit 2
  "$kv" --headless u.kv45 || fail "first run"
  cp u.kv45 before.kv45
  "$kv" --headless u.kv45 --eval 'the number of cards' >/dev/null || fail "second run"
  cmp before.kv45 u.kv45 || fail "a run that changed nothing wrote the project"
  # A project the program made itself is unchanged from its first reopening.
  "$kv" --headless --do "new project \"$dir/n.kv45\"" --do 'new card' || fail "new project"
  cp n.kv45 before.kv45
  "$kv" --headless n.kv45 || fail "reopening"
  cmp before.kv45 n.kv45 || fail "reopening the program's own project wrote it"
  ;;
long-run)
  # 1,200 new cards in one run: the file the run leaves verifies strictly, with no reopening.
  "$kv" --headless --do "new project \"$dir/l.kv45\"" || fail "new project"
  (newcards l.kv45) || fail "new cards"
  "$verify" l.kv45 || fail "the run's file"
  expect 1201 --headless l.kv45 --eval 'the number of cards'
  ;;
kill-loop)
  # Four runs of 1,200 new cards, each killed at a random moment and reopened: each time the
  # project opens, counts its cards and verifies, every card id distinct.
  "$kv" --headless --do "new project \"$dir/k.kv45\"" || fail "new project"
  for round in 1 2 3 4; do
    before=$("$kv" --headless k.kv45 --eval 'the number of cards') || fail "round $round: counting"
    newcards k.kv45 &
    pid=$!
    # Between a tenth of a second and two seconds in.
    sleep "$(awk -v s="$(date +%N)" 'BEGIN { srand(s); printf "%.2f", 0.1 + rand() * 1.9 }')"
    kill -9 $pid 2>/dev/null
    finish $pid
    after=$("$kv" --headless k.kv45 --eval 'the number of cards') || fail "round $round: reopening"
    [ "$after" -ge "$before" ] || fail "round $round: $before cards became $after"
    "$verify" k.kv45 || fail "round $round: the reopened file"
  done
  ;;
*)
  fail "no such case"
  ;;
esac
exit 0
