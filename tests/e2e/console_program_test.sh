#!/usr/bin/env bash
# End to end: TrackKitCmdDemo.exe under Wine as a script uses it. Its volumes
# as JSON; its trace log as tab-separated lines and as CSV; and what it does
# with a wrong command line, an unknown volume, a missing log and a file that
# is no trace log: exit codes 2, 1, 1, 1, each with its reason on standard
# error and nothing on standard output.
#
#   console_program_test.sh CONSOLE.exe SAMPLE_WRITER.exe WORK_DIR
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run=$root/tools/wine-run
console=${1:?} writer=${2:?} work=${3:?}
mkdir -p "$work"
rm -f "$work"/*.out "$work"/*.err "$work"/*.csv
windows_path() { echo "Z:${1//\//\\}"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# run NAME ARGUMENTS...: the exit code in $code, the outputs in NAME.out and NAME.err.
run() {
    local name=$1
    shift
    code=0
    "$wine_run" "$console" "$@" >"$work/$name.out" 2>"$work/$name.err" || code=$?
}

# expect NAME CODE REGEX ARGUMENTS...: the exit code, and the reason on standard error.
expect_failure() {
    local name=$1 expected=$2 reason=$3
    shift 3
    run "$name" "$@"
    (( code == expected )) || fail "$name: exit code $code, not $expected ($(cat "$work/$name.err"))"
    grep -Eq -- "$reason" "$work/$name.err" || fail "$name: standard error does not say \"$reason\": $(cat "$work/$name.err")"
    [[ ! -s $work/$name.out ]] || fail "$name: wrote to standard output"
    echo "$name: exit $code: $(head -n 1 "$work/$name.err")"
}

log=$work/sample.log
"$wine_run" "$writer" "$(windows_path "$log")" 200 >/dev/null || fail "the sample trace log could not be written"
echo "not a trace log" >"$work/not-a-log.txt"

expect_failure usage 2 'Usage:' stats C: --width 10
expect_failure unknown-volume 1 'No volume is named "Q:\\nowhere"' stats 'Q:\nowhere'
expect_failure missing-log 1 'missing\.log' trace-log --log "$(windows_path "$work/missing.log")"
expect_failure not-a-log 1 'not-a-log\.txt' trace-log --log "$(windows_path "$work/not-a-log.txt")"

run help /?
(( code == 0 )) && grep -q 'changed-files' "$work/help.out" || fail "/? did not print the help"

run volumes volumes --json
(( code == 0 )) || fail "volumes --json: exit code $code: $(cat "$work/volumes.err")"
python3 - "$work/volumes.out" <<'PYTHON' || fail "volumes --json does not list C: as tracked"
import json, sys
volumes = json.load(open(sys.argv[1], encoding="utf-8"))
c = [v for v in volumes if "C:\\" in v["mountPaths"]]
assert c and c[0]["tracked"] and c[0]["sizeBytes"] > 0 and c[0]["devicePath"] == "\\\\.\\C:", volumes
print(f"volumes: {len(volumes)} listed, C: tracked, {c[0]['sizeBytes']} bytes")
PYTHON

# The trace log: filtered, as lines and as the dialog's CSV (the window's own
# export of the same rows is held against this program's in the dialog's tests).
run lines trace-log --log "$(windows_path "$log")" --thread '*'
(( code == 0 )) || fail "trace-log: exit code $code: $(cat "$work/lines.err")"
[[ $(head -n 1 "$work/lines.out") == $'Date\tTime\tFunction\tLine Number\tStatus\tDeviceName\tDrive\tFlags\tThreadId\r' ]] ||
    fail "trace-log's first line is not the titles: $(head -n 1 "$work/lines.out")"
(( $(wc -l <"$work/lines.out") == 201 )) || fail "trace-log printed $(wc -l <"$work/lines.out") lines, not the titles and 200 rows"
device=$(sed -n 2p "$work/lines.out" | cut -f 6)
run filtered trace-log --log "$(windows_path "$log")" --device "$device" --csv "$(windows_path "$work/filtered.csv")"
(( code == 0 )) || fail "trace-log --csv: exit code $code: $(cat "$work/filtered.err")"
rows=$(( $(wc -l <"$work/filtered.csv") - 1 ))
(( rows > 0 && rows == $(cut -f 6 "$work/lines.out" | grep -cx "$device") )) ||
    fail "trace-log --device $device saved $rows rows"
echo "trace-log: 200 rows printed, $rows of $device saved: $(cat "$work/filtered.out")"
echo "PASS"
