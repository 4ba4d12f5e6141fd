#!/bin/bash
# Takes the README's picture of the Windows build under Wine: vantorix.exe
# on Wine's windows platform under a window manager (Xvfb and openbox), the
# error box Wine's computer class causes answered, a processor selected, the
# window cut out with its frame.
#   scripts/windows/take-screenshot.sh [BUILD] [OUT]   (after make windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build-windows}
OUT=${2:-docs/window-wine.png}

missing=""
for tool in openbox:openbox xdotool:xdotool xprop:x11-utils import:imagemagick; do
    command -v "${tool%%:*}" >/dev/null || missing="$missing ${tool#*:}"
done
[ -z "$missing" ] || apt-get install -y -qq --no-install-recommends $missing >/dev/null

. scripts/windows/wine-session.sh
wine_session_start
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wine_session_stop' EXIT
sleep 1

work=$(mktemp -d)
cp "$BUILD/app/vantorix.exe" "$work/"
wine_run "$work/vantorix.exe" >/dev/null 2>&1 &
program=$!

# Wine's computer class has no Caption: the scan reports, once and before
# the window shows, that there is no computer node to expand.
box=$(xdotool search --sync --onlyvisible --name '^Application Error$' | head -n 1)
sleep 1
xdotool windowactivate --sync "$box" key Return 2>/dev/null || true
window=$(xdotool search --sync --onlyvisible --name '^Vantorix$' | head -n 1)
sleep 3 # the scan fills the tree

geometry=$(xwininfo -id "$window")
X=$(echo "$geometry" | sed -n 's/.*Absolute upper-left X: *//p')
Y=$(echo "$geometry" | sed -n 's/.*Absolute upper-left Y: *//p')
WIDTH=$(echo "$geometry" | sed -n 's/.*Width: *//p')
HEIGHT=$(echo "$geometry" | sed -n 's/.*Height: *//p')
# The categories are the tree's top rows: open Processor, click its device.
row=${ROW:-16}
left=$((X + 60))
first=$((Y + ${FIRST:-37}))
xdotool mousemove "$left" "$first" click --repeat 2 --delay 80 1
sleep 1
xdotool mousemove "$((left + 20))" $((first + row)) click 1
xdotool mousemove $((X + WIDTH - 20)) $((Y + HEIGHT - 8))
sleep 3
set -- $(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
import -window root -crop "$((WIDTH + $1 + $2))x$((HEIGHT + $3 + $4))+$((X - $1))+$((Y - $3))" +repage "$OUT"
kill "$program" 2>/dev/null || true
rm -rf "$work"
echo "$OUT"
