# Steps the end-to-end scripts share: start the demo, wait for its main
# window, and leave through File > Exit with real input. Sourced, not run.
#
#   start_demo PROGRAM.exe     sets $program (the process) and $window (the frame)
#   exit_through_file_menu     fails unless the program then ends

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run=$e2e_root/tools/wine-run
frame_title="Quillon Orvex - Change Block Tracker"
program=""
window=""

fail() { echo "FAIL: $*" >&2; exit 1; }

start_demo() {
    "$wine_run" "$1" &
    program=$!
    window=""
    for _ in $(seq 120); do
        window=$(xdotool search --name "^$frame_title\$" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
        sleep 0.5
    done
    [[ -n $window ]] || fail "no window titled \"$frame_title\" appeared"
}

exit_through_file_menu() {
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 40); do
        kill -0 "$program" 2>/dev/null || break
        sleep 0.5
    done
    ! kill -0 "$program" 2>/dev/null || fail "File > Exit did not end the program"
}
