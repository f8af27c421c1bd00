#!/usr/bin/env bash
# End to end: TrackKitDemo.exe, under Wine, finds which files changed on a real
# NTFS volume. tests/filetable/make_ntfs_image.sh makes the volume with
# ntfs-3g's tools; Wine shows it as X: (a folder, so that it is listed) whose
# raw device (\\.\X:) is a copy of the image; the simulated driver is given the
# session's bitmap for X: (TRACKKIT_DEMO_GIVEN_SESSION). A user selects X:,
# opens View > Changed Files... and saves the table; the file system under Wine
# answers no cluster lookup, so the program reads the volume's file table
# through \\.\X:. Every row must be what ntfscluster says owns the changed
# clusters (check_changed_files). The console program, given the same
# session, must answer what the window showed: the statistics rows, the block
# map's picture, the changed files' CSV.
#
#   real_ntfs_volume_test.sh PROGRAM.exe CHECKER.exe CONSOLE.exe WORK_DIR
#   (run inside an X server, as root for FUSE)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} checker=${2:?} console=${3:?} work=${4:?}
prefix=${TRACKKIT_WINEPREFIX:-$root/build/wineprefix}
windows_path() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/xroot"
rm -f "$work"/*.csv "$work"/*.png "$work"/*.bmp "$work"/*.json "$work"/*.txt

"$root/tests/filetable/make_ntfs_image.sh" "$work/volume.img" || fail "ntfs-3g could not make the NTFS image"
# Blocks of 16 KiB (four clusters), a pattern that changes about half of them.
block=16384
blocks=$(( ($(stat -c %s "$work/volume.img") + block - 1) / block ))
python3 -c 'import sys; n = int(sys.argv[1]); sys.stdout.buffer.write((bytes([0x5a, 0xc3, 0x0f, 0xf0, 0x81]) * n)[:n])' \
    $(( (blocks + 7) / 8 )) >"$work/bitmap.bin"

cleanup() {
    [[ -n $program ]] && kill "$program" 2>/dev/null || true
    rm -f "$prefix/dosdevices/x:" "$prefix/dosdevices/x::"
}
trap cleanup EXIT
"$wine_run" --prepare
ln -sfn "$work/xroot" "$prefix/dosdevices/x:"
ln -sfn "$work/volume.img" "$prefix/dosdevices/x::"
export TRACKKIT_DEMO_GIVEN_SESSION="X:,$block,4096,$(windows_path "$work/bitmap.bin")"

start_demo "$exe"
# The volumes are listed by drive letter, C: first: X: comes next.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key Down
# X:'s session is shown once its rows say its blocks are 16 KiB.
rows_show_x() { window_texts --rows "$frame_title" >"$work/window-rows.txt" && grep -q $'\tBytes Per Block\t16384$' "$work/window-rows.txt"; }
wait_for "the statistics of X:" 60 rows_show_x || fail "selecting X: did not show its statistics"

# The console program's map of X:, as large as the pane: the pane must show
# the same pixels (waited for, since the pane paints after its rows fill).
pane=$(window_texts "$frame_title" | awk -F'\t' '$2 == "TrackViewClass" {print $4}')
IFS=, read -r left top right bottom <<<"$pane"
width=$((right - left)) height=$((bottom - top))
"$wine_run" "$console" map X: --bmp "$(windows_path "$work/map.bmp")" --width $width --height $height ||
    fail "TrackKitCmd map X: failed"
convert "$work/map.bmp" -alpha off "$work/map.png"
pane_matches() {
    import -window root -crop "${width}x${height}+${left}+${top}" +repage "$work/pane.png" 2>/dev/null &&
        [[ $(compare -metric AE "$work/pane.png" "$work/map.png" null: 2>&1) == 0 ]]
}
wait_for "the pane's picture to equal TrackKitCmd's map (${width}x${height})" 60 pane_matches ||
    fail "the block map pane and TrackKitCmd map differ: $work/pane.png, $work/map.bmp"

# The statistics rows, as JSON, against the window's.
"$wine_run" "$console" stats X: --json >"$work/stats.json" || fail "TrackKitCmd stats X: --json failed"
python3 - "$work/stats.json" "$work/window-rows.txt" <<'PYTHON' || fail "TrackKitCmd's statistics differ from the window's"
import json, sys
stats = json.load(open(sys.argv[1], encoding="utf-8"))
window = [line.rstrip("\n").split("\t")[2:4] for line in open(sys.argv[2], encoding="utf-8") if line.startswith("0\t")]
mine = [[row["label"], row["value"]] for row in stats["rows"]]
assert mine == window, f"console {mine}\nwindow  {window}"
assert f'{stats["changedBlocks"]:,}'.replace(",", "") == window[10][1].replace(",", ""), "changed blocks"
assert stats["bytesPerBlock"] == 16384 and stats["changedBytes"] == stats["changedBlocks"] * 16384
print(f'TrackKitCmd stats X: --json agrees with the window: {stats["changedBlocks"]} changed blocks')
PYTHON

TRACKKIT_CHANGED_FILES_TITLE="Changed Files - X:" "$root/tools/demo-changed-files" "$window" "$work/changed-files.png" \
    "$(windows_path "$work/changed-files.csv")" || fail "the changed files of X: were not listed and saved"
[[ -f $work/changed-files.csv ]] || fail "Save As wrote no file"
"$wine_run" "$checker" "$(windows_path "$work/volume.img")" "$(windows_path "$work/bitmap.bin")" $block \
    "$(windows_path "$work/changed-files.csv")" || fail "the rows differ from what ntfscluster says owns the changed clusters"

# The same run from the console program: the same bytes as the window's Save As.
"$wine_run" "$console" changed-files X: --csv "$(windows_path "$work/console.csv")" >/dev/null ||
    fail "TrackKitCmd changed-files X: --csv failed"
cmp "$work/changed-files.csv" "$work/console.csv" || fail "TrackKitCmd's CSV differs from the window's"
"$wine_run" "$console" changed-files X: --json >"$work/changed-files.json" || fail "TrackKitCmd changed-files X: --json failed"
python3 -c 'import json, sys; r = json.load(open(sys.argv[1])); assert r["way"] == "fileTable" and len(r["files"]) == int(sys.argv[2]) - 1, r["way"]' \
    "$work/changed-files.json" "$(wc -l <"$work/changed-files.csv")" || fail "TrackKitCmd's JSON does not list the CSV's rows"

exit_through_file_menu
echo "PASS"
