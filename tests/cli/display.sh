#!/bin/sh
# kestrove on a real X server (Xvfb), as a person meets it: the demo's window shows the same
# pixels as a headless run's screen.png, typed keys reach the card's keyStroke handler and show
# in the field "Typed", a click on "Next" goes to the second card, and a click on the window's
# close box ends the program with status 0. Then one instance per display: a second
# `kestrove b.kv45`, run by the Exec line of the registered desktop entry, hands the project
# to the running one (which shows it as a headless run given the open-documents request does)
# and ends with status 0; Ctrl+Q quits with status 0. A screen
# of depth 8 shows the same pixels as headless too.
#
#   display.sh KESTROVE SCREENMATCH MAKEPROJECT FOLDER
#
# Skips (status 77) when the X tools are not installed or the X server cannot start here.
set -u
k=$1
match=$2
makeproject=$3
dir=$4
rm -rf "$dir"
mkdir -p "$dir" || exit 1
cd "$dir" || exit 1
# Without the X tools (scripts/setup.sh installs them) there is nothing to run the display on.
for tool in Xvfb xwd xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (scripts/setup.sh installs it): skipped"; exit 77; }
done

xpid=""
kpid=""
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  [ -n "$xpid" ] && wait "$xpid" 2>/dev/null
}
trap cleanup EXIT

# The server picks a free display number and writes it once it takes connections.
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>displayno 2>xvfb.log &
xpid=$!
n=""
i=0
while [ $i -lt 100 ]; do
  [ -f displayno ] && n=$(tr -dc 0-9 <displayno)
  [ -n "$n" ] && break
  if ! kill -0 "$xpid" 2>/dev/null; then
    echo "Xvfb cannot start here: skipped"
    cat xvfb.log
    xpid=""
    exit 77
  fi
  sleep 0.1
  i=$((i + 1))
done
if [ -z "$n" ]; then
  echo "Xvfb did not take connections within 10 s: skipped"
  exit 77
fi
export DISPLAY=":$n"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
mkdir -m 700 run || exit 1
export XDG_RUNTIME_DIR="$dir/run"

fail() {
  echo "FAILED: $*"
  for f in real.err xvfb.log; do [ -s "$f" ] && { echo "--- $f"; cat "$f"; }; done
  exit 1
}

# Where the demo's objects lie on an 800 x 600 screen (global pixels): the button "Next" and
# the window's close box. A headless run clicks the same places.
nextx=270
nexty=181
closex=213
closey=138

# The pictures a headless run composes, given the same input.
printf 'type "hi"\nadvance 5\n' >typed.txt
printf 'type "hi"\nadvance 5\nclick %d,%d\nadvance 5\n' $nextx $nexty >next.txt
"$k" --headless --screen 800x600x32 --dump-dir start >/dev/null || fail "the headless run"
"$k" --headless --screen 800x600x32 --input typed.txt --dump-dir typed >/dev/null || fail "the headless typing"
"$k" --headless --screen 800x600x32 --input next.txt --dump-dir next >/dev/null || fail "the headless click"
cmp -s start/screen.png next/screen.png && fail "the click on Next changed nothing headless"

# Starts kestrove on the display (its arguments given) and finds its window: wx, wy. The
# screen is 800 x 600 at depth 32 unless `screen` says otherwise.
screen=800x600x32
launch() {
  "$k" --screen $screen "$@" >real.out 2>real.err &
  kpid=$!
  geometry=""
  i=0
  while [ $i -lt 200 ]; do
    geometry=$(xdotool search --name '^Kestrove$' getwindowgeometry --shell 2>/dev/null) && break
    kill -0 "$kpid" 2>/dev/null || fail "kestrove ended before its window showed"
    sleep 0.1
    i=$((i + 1))
  done
  [ -n "$geometry" ] || fail "no window named Kestrove within 20 s"
  wx=$(echo "$geometry" | sed -n 's/^X=//p')
  wy=$(echo "$geometry" | sed -n 's/^Y=//p')
  ww=$(echo "$geometry" | sed -n 's/^WIDTH=//p')
  wh=$(echo "$geometry" | sed -n 's/^HEIGHT=//p')
  [ "${ww}x${wh}x${screen##*x}" = "$screen" ] || fail "the window is ${ww}x${wh}, not the screen's $screen"
}

# Waits (at most 15 s) for kestrove to end: its status.
ended() {
  i=0
  while kill -0 "$kpid" 2>/dev/null && [ $i -lt 150 ]; do
    sleep 0.1
    i=$((i + 1))
  done
  kill -0 "$kpid" 2>/dev/null && fail "$1"
  wait "$kpid"
  status=$?
  kpid=""
  return $status
}

# Waits (at most 20 s) until the root window shows the picture at the window's place.
shows() {
  i=0
  while [ $i -lt 100 ]; do
    xwd -root -silent -out shot.xwd 2>/dev/null && "$match" shot.xwd "$1/screen.png" "$wx" "$wy" >match.txt && return 0
    sleep 0.2
    i=$((i + 1))
  done
  cat match.txt
  return 1
}

launch
shows start || fail "the window does not show the headless screen"
# Keys go to the window under the pointer (no window manager here).
xdotool mousemove $((wx + 600)) $((wy + 500)) || fail "xdotool mousemove"
sleep 0.2
xdotool type --delay 50 hi || fail "xdotool type"
shows typed || fail "the typed keys do not show as they do headless"
xdotool mousemove $((wx + nextx)) $((wy + nexty)) click 1 || fail "xdotool click"
shows next || fail "the click on Next does not show the second card as headless"
xdotool mousemove $((wx + closex)) $((wy + closey)) click 1 || fail "xdotool click"
ended "the close box did not end the program" || fail "kestrove ended with status $status after the close box"

# A second kestrove on the same display hands its project to the first and ends. It is started
# as the desktop starts it: by the Exec line of the entry --register-desktop writes, %F the path.
export XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config"
"$k" --register-desktop || fail "--register-desktop"
execline=$(sed -n 's/^Exec=//p' "$XDG_DATA_HOME/applications/kestrove.desktop")
case "$execline" in
  *%F) ;;
  *) fail "the entry's Exec line does not end in %F: $execline" ;;
esac
"$makeproject" "$dir/b.kv45" drawn >/dev/null || fail "makeproject"
printf 'openDocuments "%s"\nadvance 5\n' "$dir/b.kv45" >opened.txt
"$k" --headless --screen 800x600x32 --input opened.txt --dump-dir opened >/dev/null || fail "the headless open"
cmp -s start/screen.png opened/screen.png && fail "opening b.kv45 changed nothing headless"
launch
shows start || fail "the second run does not show the headless screen"
eval "timeout 20 ${execline%\%F} \"\$dir/b.kv45\"" >second.out 2>&1
second=$?
[ $second -eq 0 ] || { cat second.out; fail "the second kestrove ended with status $second"; }
shows opened || fail "the running kestrove does not show b.kv45 as a headless run opens it"
xdotool mousemove $((wx + 600)) $((wy + 500)) key ctrl+q || fail "xdotool key"
ended "Ctrl+Q did not end the program" || fail "kestrove ended with status $status after Ctrl+Q"

# An indexed screen shows through its colour table as headless.
screen=640x480x8
"$k" --headless --screen $screen --dump-dir indexed >/dev/null || fail "the headless indexed run"
launch
shows indexed || fail "the indexed screen does not show as headless"
xdotool mousemove $((wx + 600)) $((wy + 400)) key ctrl+q || fail "xdotool key"
ended "Ctrl+Q did not end the program" || fail "kestrove ended with status $status after Ctrl+Q"
echo "the display shows what the headless runs compose"
exit 0
