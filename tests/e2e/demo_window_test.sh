#!/usr/bin/env bash
# End to end: a user starts TrackKitDemo.exe, sees the main window with its
# volume list, statistics and moving block map, and leaves through
# File > Exit; the window's placement is then in the registry.
#
#   demo_window_test.sh PROGRAM.exe WORK_DIR        (run inside an X server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${1:?} work=${2:?}
title="Quillon Orvex - Change Block Tracker"
settings='HKCU\Software\Quillon\ZezudoZozor'
wine_run=$root/tools/wine-run
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

"$wine_run" reg delete "$settings" /f >/dev/null 2>&1 || true
"$wine_run" "$exe" &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT

window=""
for _ in $(seq 120); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.5
done
[[ -n $window ]] || fail "no window titled \"$title\" appeared"
sleep 4  # a few polls
import -window "$window" "$work/main-window.png"

eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH, HEIGHT
# Distinct colours in a region of the picture: a blank or black pane has one.
colours() { convert "$work/main-window.png" -crop "$1" +repage -format %k info:; }
volume_list=$(colours "200x150+20+60")
statistics=$(colours "$((WIDTH - 400))x150+$((300))+40")
block_map=$(colours "$((WIDTH - 400))x$((HEIGHT / 4))+300+$((HEIGHT * 5 / 8))")
echo "distinct colours: volume list $volume_list, statistics $statistics, block map $block_map"
(( volume_list >= 3 )) || fail "the volume list looks empty"
(( statistics >= 3 )) || fail "the statistics list looks empty"
(( block_map >= 3 )) || fail "the block map shows no levelled cells"
mean=$(convert "$work/main-window.png" -colorspace Gray -format '%[fx:int(mean*255)]' info:)
(( mean > 40 )) || fail "the window is nearly black (mean $mean)"

xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key x
for _ in $(seq 40); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$program" 2>/dev/null && fail "File > Exit did not end the program"
trap - EXIT

for value in WindowLeft WindowTop WindowWidth WindowHeight BlockSize UpdateSpeed BlockColor; do
    "$wine_run" reg query "$settings" /v "$value" 2>/dev/null | grep -q REG_DWORD || fail "$value was not saved"
done
echo "PASS"
