#!/usr/bin/env bash
# End to end: TrackKitDemo.exe, under Wine, finds which files changed on a real
# NTFS volume. tests/filetable/make_ntfs_image.sh makes the volume with
# ntfs-3g's tools; Wine shows it as X: (a folder, so that it is listed) whose
# raw device (\\.\X:) is a copy of the image; the simulated driver is given the
# session's bitmap for X: (TRACKKIT_DEMO_GIVEN_SESSION). A user selects X:,
# opens View > Changed Files... and saves the table; the file system under Wine
# answers no cluster lookup, so the program reads the volume's file table
# through \\.\X:. Every row must be what ntfscluster says owns the changed
# clusters (check_changed_files).
#
#   real_ntfs_volume_test.sh PROGRAM.exe CHECKER.exe WORK_DIR   (run inside an X server, as root for FUSE)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} checker=${2:?} work=${3:?}
prefix=${TRACKKIT_WINEPREFIX:-$root/build/wineprefix}
windows_path() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/xroot"
rm -f "$work/changed-files.csv" "$work/changed-files.png"

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
TRACKKIT_CHANGED_FILES_TITLE="Changed Files - X:" "$root/tools/demo-changed-files" "$window" "$work/changed-files.png" \
    "$(windows_path "$work/changed-files.csv")" || fail "the changed files of X: were not listed and saved"
[[ -f $work/changed-files.csv ]] || fail "Save As wrote no file"
"$wine_run" "$checker" "$(windows_path "$work/volume.img")" "$(windows_path "$work/bitmap.bin")" $block \
    "$(windows_path "$work/changed-files.csv")" || fail "the rows differ from what ntfscluster says owns the changed clusters"

exit_through_file_menu
echo "PASS"
