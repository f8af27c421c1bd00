#!/usr/bin/env bash
# End to end: a user of TrackKitDemo.exe opens Help > About TrackKit... with
# the keyboard, sees the About box with its picture, closes it with Escape
# (tools/demo-about does those steps) and can still leave through File > Exit.
#
#   about_box_test.sh PROGRAM.exe WORK_DIR        (run inside an X server)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/demo_session.sh"
exe=${1:?} work=${2:?}
shot=$work/about.png
mkdir -p "$work"
rm -f "$shot"

trap 'kill "$program" 2>/dev/null || true' EXIT
start_demo "$exe"

"$root/tools/demo-about" "$window" "$shot" || fail "the About box did not open and close as it should"

# The box is where the picture's dark background is; inside it the block map
# of the picture must show its changed blocks and the tracking file's cells,
# and below the picture lies the white of the text.
only() { convert "$shot" -fill black +opaque "$1" -fill white -opaque "$1" "${@:2}"; }
box=$(only '#161B24' -trim -format '%w %h %X %Y' info:)
read -r width height left top <<<"$box"
echo "picture on the screen: ${width} x ${height} at ${left},${top}"
(( width >= 300 && width <= 520 )) || fail "the picture is $width pixels wide"
(( height >= 80 && height <= 100 )) || fail "the picture's banner is $height pixels high"
count() { only "$1" -crop "${width}x$((height + 40))+${left#+}+${top#+}" +repage -format '%[fx:int(mean*w*h)]' info:; }
blue=$(count '#0078D7') red=$(count '#C80014') white=$(count '#FFFFFF')
echo "picture pixels: block colour $blue, tracking file $red, white $white"
(( blue > 500 )) || fail "no changed blocks in the picture"
(( red > 20 )) || fail "no tracking-file cells in the picture"
(( white > 2000 )) || fail "no white below the picture"

exit_through_file_menu
trap - EXIT
echo "PASS"
