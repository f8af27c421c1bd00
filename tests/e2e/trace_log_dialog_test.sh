#!/usr/bin/env bash
# End to end: the driver's DebugLogPath names a sample trace log; a user
# starts TrackKitDemo.exe, opens View > Trace Log..., selects a row, searches
# with Ctrl+F and closes the dialog with Escape (tools/demo-trace-log). The picture of the
# dialog must show green and red rows (light colours) and the flags of the
# selected row in the panel below the table.
#
#   trace_log_dialog_test.sh PROGRAM.exe SAMPLE_WRITER.exe WORK_DIR   (run inside an X server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} writer=${2:?} work=${3:?}
service='HKLM\System\CurrentControlSet\Services\qxcbt'
shared='HKCU\Software\Quillon\Common'
shot=$work/trace-log.png
mkdir -p "$work"
rm -f "$shot" "$work/trace-search.png"

# The log on Wine's Z: drive, which is the Unix root.
log=$work/qxcbt-trace.log
log_windows="Z:${log//\//\\}"
"$wine_run" "$writer" "$log_windows" 1000 >/dev/null || fail "the sample trace log could not be written"
"$wine_run" reg add "$service" /v DebugLogPath /t REG_SZ /d "$log_windows" /f >/dev/null
"$wine_run" reg add "$shared" /v DarkModeEx /t REG_DWORD /d 0 /f >/dev/null

program=""
cleanup() {
    [[ -n $program ]] && kill "$program" 2>/dev/null || true
    "$wine_run" reg delete "$service" /v DebugLogPath /f >/dev/null 2>&1 || true
    "$wine_run" reg delete "$shared" /v DarkModeEx /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

start_demo "$exe"

"$root/tools/demo-trace-log" "$window" "$shot" || fail "the trace log dialog did not open and close as it should"
[[ -f $shot ]] || fail "no picture of the trace log dialog"

# Pixels of the row backgrounds, by their exact colours.
count_colour() { convert "$shot" -format %c histogram:info:- | grep -i "$1" | awk '{n += $1} END {print n + 0}'; }
green=$(count_colour "#DEF7E0")
red=$(count_colour "#F5DAD6")
# The flags panel: the first names lie near its top-left corner, dark on white.
size=$(identify -format '%w %h' "$shot")
width=${size% *} height=${size#* }
panel_ink=$(convert "$shot" -crop "500x150+20+$((height - 215))" +repage -colorspace Gray -threshold 40% \
    -format '%[fx:int((1-mean)*w*h)]' info:)
echo "green row pixels $green, red row pixels $red, dark pixels in the flags panel $panel_ink (picture ${width}x${height})"
(( green > 200 )) || fail "no green (volume online) rows"
(( red > 200 )) || fail "no red (shutdown pending) rows"
(( panel_ink > 50 )) || fail "the flags panel shows no names"

# The search hit: the find bar shown and the table moved from the last row
# to the first that holds the text.
search=$work/trace-search.png
[[ -f $search ]] || fail "no picture of the search hit"
moved=$(compare -metric AE "$shot" "$search" null: 2>&1 || true)
echo "pixels that changed with the search: $moved"
(( ${moved%.*} > 5000 )) || fail "the search changed nothing on screen"

exit_through_file_menu
echo "PASS"
