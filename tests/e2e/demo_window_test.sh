#!/usr/bin/env bash
# End to end: a user starts TrackKitDemo.exe, sees the main window with its
# volume list, statistics and a block map that moves while it is watched (at
# the default size and speed), and leaves through File > Exit; the window's
# placement is then in the registry.
#
#   demo_window_test.sh PROGRAM.exe WORK_DIR        (run inside an X server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} work=${2:?}
settings='HKCU\Software\Quillon\ZezudoZozor'
mkdir -p "$work"

"$wine_run" reg delete "$settings" /f >/dev/null 2>&1 || true
trap 'kill "$program" 2>/dev/null || true' EXIT
start_demo "$exe"
import -window "$window" "$work/main-window.png"

eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH, HEIGHT
# Distinct colours in a region of the picture: a blank or black pane has one.
colours() { convert "$work/main-window.png" -crop "$1" +repage -format %k info:; }
volume_list=$(colours "200x150+20+60")
statistics=$(colours "$((WIDTH - 400))x150+$((300))+40")
# The block map: right of the 280-pixel volume list, below the menu bar and the
# 340-pixel statistics pane, above the status bar.
map_region="$((WIDTH - 320))x$((HEIGHT - 400))+300+370"
block_map=$(colours "$map_region")
# A later picture whose map differs from the first: the polls go on.
map_moved=0
map_changed() {
    import -window "$window" "$work/main-window-later.png"
    # compare exits 1 when the pictures differ; the count it prints is what matters.
    map_moved=$(compare -metric AE "$work/main-window.png[$map_region]" "$work/main-window-later.png[$map_region]" null: 2>&1 || true)
    map_moved=$(awk '{ printf "%d", $1 }' <<<"$map_moved")
    (( map_moved > 0 ))
}
wait_for "the block map changing" 120 map_changed || true
echo "distinct colours: volume list $volume_list, statistics $statistics, block map $block_map"
echo "block map pixels changed while watched: $map_moved"
(( volume_list >= 3 )) || fail "the volume list looks empty"
(( statistics >= 3 )) || fail "the statistics list looks empty"
(( block_map >= 3 )) || fail "the block map shows no levelled cells"
(( map_moved > 0 )) || fail "the block map did not change"
mean=$(convert "$work/main-window.png" -colorspace Gray -format '%[fx:int(mean*255)]' info:)
(( mean > 40 )) || fail "the window is nearly black (mean $mean)"

exit_through_file_menu
trap - EXIT

for value in WindowLeft WindowTop WindowWidth WindowHeight BlockSize UpdateSpeed BlockColor; do
    "$wine_run" reg query "$settings" /v "$value" 2>/dev/null | grep -q REG_DWORD || fail "$value was not saved"
done
echo "PASS"
