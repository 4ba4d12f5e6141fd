#!/bin/sh
# Retakes the README's screenshots: the real window under a window manager
# (Xvfb and openbox), a device selected, cut out with its frame into docs/.
#   scripts/take-screenshots.sh            every one of them
#   scripts/take-screenshots.sh windows7   only those named: machine, skinned, x61, windows7
#   DPI=144 scripts/take-screenshots.sh    this machine as a high-DPI screen shows it
# Needs a build (make build) and ../shared/realdata for the X61 and the Windows 7
# capture. Qt scales by the X server's Xft.dpi resource, as desktops set it, so
# that is set beside -dpi.
set -eu
cd "$(dirname "$0")/.."
BIN=${BIN:-build/app/vantorix}
DPI=${DPI:-96}
SHARED=${SHARED:-../shared}
DISPLAY_NUMBER=${DISPLAY_NUMBER:-77}

missing=""
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool xprop:x11-utils import:imagemagick; do
    command -v "${tool%%:*}" >/dev/null || missing="$missing ${tool#*:}"
done
if [ -n "$missing" ]; then
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

wanted=${*:-machine skinned x61 windows7}
wants() { case " $wanted " in *" $1 "*) return 0 ;; esac; return 1; }

work=$(mktemp -d)
# -noreset keeps the Xft.dpi resource when the last client leaves.
Xvfb ":$DISPLAY_NUMBER" -screen 0 "$((1280 * DPI / 96))x$((1024 * DPI / 96))x24" -dpi "$DPI" \
    -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=":$DISPLAY_NUMBER" QT_QPA_PLATFORM=xcb
sleep 1
xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s' "$DPI")"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

# shoot OUT CATEGORY_ROW DEVICE_ROW PROGRAM [ARGS...]
# Rows count from the computer node (0). Expands the category by a double
# click, clicks the device, and saves the window with its frame.
shoot() {
    out=$1 category=$2 device=$3
    shift 3
    "$@" >/dev/null 2>&1 &
    program=$!
    window=$(xdotool search --sync --onlyvisible --name '^Vantorix$' | head -n 1)
    sleep 3 # the scan fills the tree
    # The client area's place on the screen (xdotool's is the frame's).
    geometry=$(xwininfo -id "$window")
    X=$(echo "$geometry" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$geometry" | sed -n 's/.*Absolute upper-left Y: *//p')
    WIDTH=$(echo "$geometry" | sed -n 's/.*Width: *//p')
    HEIGHT=$(echo "$geometry" | sed -n 's/.*Height: *//p')
    scale=$(echo "$DPI / 96" | bc -l)
    px() { printf '%.0f' "$(echo "$1 * $scale" | bc -l)"; }
    row=$(px 14)
    left=$((X + $(px 100)))
    first=$((Y + $(px 37)))
    xdotool mousemove "$left" $((first + category * row)) click --repeat 2 --delay 80 1
    sleep 1
    xdotool mousemove "$left" $((first + device * row)) click 1
    xdotool mousemove $((X + WIDTH - 20)) $((Y + HEIGHT - 8))
    sleep 2
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    set -- $extents
    import -window root -crop "$((WIDTH + $1 + $2))x$((HEIGHT + $3 + $4))+$((X - $1))+$((Y - $3))" +repage "$out"
    kill "$program"
    wait "$program" 2>/dev/null || true
    echo "$out"
}

suffix=""
[ "$DPI" = 96 ] || suffix="-${DPI}dpi"

# This machine, a processor selected; then the same with the example skin.
cp "$BIN" "$work/vantorix"
if wants machine; then shoot "docs/window$suffix.png" 1 2 "$work/vantorix"; fi
if wants skinned && [ -z "$suffix" ]; then
    cp -r skins/x "$work/x"
    shoot docs/window-skinned.png 1 2 "$work/vantorix"
fi

# The captured ThinkPad X61, its BIOS selected.
archive="$SHARED/realdata/sysfs/systemd-sys-script/sys-tree-generated.tar.xz"
if wants x61 && [ -f "$archive" ] && [ -z "$suffix" ]; then
    mkdir "$work/x61"
    tar -xf "$archive" -C "$work/x61" --exclude=sys/kernel/slab --no-same-owner --no-same-permissions
    shoot docs/x61.png 11 12 "$BIN" --root "$work/x61"
fi

# A Windows 7 machine from its wmic capture (French), a mouse selected.
capture="$SHARED/realdata/wmi/glpi-agent-wmic-list/7-CIM_LogicalDevice.wmi"
if wants windows7 && [ -f "$capture" ] && [ -z "$suffix" ]; then
    shoot docs/windows7.png 3 4 "$BIN" "$capture"
fi
