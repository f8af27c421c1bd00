# Steps the end-to-end scripts share: start the demo, wait for its main
# window with its panes filled, and leave through File > Exit with real
# input. Each waits for what it needs to see (tools/demo-steps). Sourced, not
# run.
#
#   start_demo PROGRAM.exe     sets $program (the process) and $window (the frame)
#   exit_through_file_menu     fails unless the program then ends

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$e2e_root/tools/demo-steps"
wine_run=$e2e_root/tools/wine-run
frame_title="Quillon Orvex - Change Block Tracker"
program=""
window=""

fail() { echo "FAIL: $*" >&2; exit 1; }

frame_there() { window=$(x_window "^$frame_title\$"); [[ -n $window ]]; }
program_ended() { ! kill -0 "$program" 2>/dev/null; }

start_demo() {
    "$wine_run" "$1" &
    program=$!
    wait_for "a window titled \"$frame_title\"" 120 frame_there || fail "the demo's main window did not appear"
    wait_for_text "$frame_title" 'rows=18 ' 120 "the statistics list filled" || fail "the main window's panes stayed empty"
}

exit_through_file_menu() {
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    press_menu alt+f x || fail "the File menu did not open"
    wait_for "the program ending" 60 program_ended || fail "File > Exit did not end the program"
}
