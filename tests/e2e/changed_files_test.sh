#!/usr/bin/env bash
# End to end: a user starts TrackKitDemo.exe, opens View > Changed Files...,
# waits for the lookup, selects the file that changed most, saves the table
# through "Save As..." and closes the window with Escape
# (tools/demo-changed-files). The block map must then outline that file's
# cells in amber, and the saved table must put the database and the daily
# logs first.
#
#   changed_files_test.sh PROGRAM.exe WORK_DIR   (run inside an X server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} work=${2:?}
shot=$work/changed-files.png
csv=$work/changed-files.csv
mkdir -p "$work"
rm -f "$shot" "$csv" "$work/changed-files-map.png"

cleanup() { [[ -n $program ]] && kill "$program" 2>/dev/null || true; }
trap cleanup EXIT

start_demo "$exe"

"$root/tools/demo-changed-files" "$window" "$shot" "Z:${csv//\//\\}" || fail "the changed files window did not open and close as it should"
[[ -f $shot ]] || fail "no picture of the changed files window"

amber=$(convert "$work/changed-files-map.png" -format %c histogram:info:- | grep -i "#FFB000" | awk '{n += $1} END {print n + 0}')
echo "outlined (amber) map pixels: $amber"
(( amber > 20 )) || fail "the selected file's cells are not outlined on the block map"

[[ -f $csv ]] || fail "Save As wrote no file"
head -c 3 "$csv" | od -An -tx1 | grep -q "ef bb bf" || fail "the CSV file does not start with the UTF-8 byte order mark"
echo "first rows of the saved table:"
head -n 7 "$csv"
head -n 1 "$csv" | grep -q "Path,Changed Bytes,Changed Blocks,Share" || fail "the CSV file has no title line"
sed -n 2,7p "$csv" | grep -q 'sales.mdf' || fail "the database is not among the first rows"
(( $(sed -n 2,7p "$csv" | grep -c 'app-2026-12-0') >= 3 )) || fail "the daily logs are not among the first rows"

exit_through_file_menu
echo "PASS"
