#!/usr/bin/env bash
# Runs a window test through tools/wine-run, once more if it found no display.
#
# A Wine session started by a program without an X display (any display-less
# Wine program that touched the desktop) keeps a desktop without a display
# driver for a second or two after its programs end. A window test that joins
# it cannot create a single window; it then ends at once with exit code 75
# (see display_session.cpp), and runs again after that session is over, in a
# session of its own with its own virtual display.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
export WINEPREFIX=${TRACKKIT_WINEPREFIX:-$root/build/wineprefix}
no_display=75

status=0
"$root/tools/wine-run" "$@" || status=$?
if [[ $status -eq $no_display ]]; then
    echo "wine_display_retry: the Wine session had no display; running again in a new one" >&2
    wineserver -w || true
    exec "$root/tools/wine-run" "$@"
fi
exit "$status"
