#!/bin/sh
# Screenshots of the window under Xvfb at the given DPIs (default 144 and 192):
# docs/window-<dpi>dpi.png. The X server's resolution is what Qt scales by
# (Xft.dpi, as desktops set it), so this shows the layout as a high-DPI screen
# would. Needs xvfb, x11-apps, x11-utils and netpbm (scripts/install-deps.sh).
set -eu
cd "$(dirname "$0")/.."
program=${PROGRAM:-build/app/vantorix}
settle=${SETTLE_SECONDS:-15}

for dpi in ${*:-144 192}; do
    display=:$((40 + dpi % 50))
    Xvfb "$display" -screen 0 2400x1600x24 -dpi "$dpi" -nolisten tcp -noreset >/dev/null 2>&1 &
    server=$!
    sleep 2
    # Qt reads "Xft.dpi:<tab>N" from the root window, as desktops set it.
    DISPLAY=$display xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s' "$dpi")"
    DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" &
    window=$!
    # The scan fills the tree while the window shows; wait until it is done.
    sleep "$settle"
    geometry=$(DISPLAY=$display xwininfo -name Vantorix)
    x=$(printf '%s\n' "$geometry" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(printf '%s\n' "$geometry" | sed -n 's/.*Absolute upper-left Y: *//p')
    w=$(printf '%s\n' "$geometry" | sed -n 's/.*Width: *//p')
    h=$(printf '%s\n' "$geometry" | sed -n 's/.*Height: *//p')
    DISPLAY=$display xwd -root -silent | xwdtopnm 2>/dev/null \
        | pamcut -left "$x" -top "$y" -width "$w" -height "$h" | pnmtopng >"docs/window-${dpi}dpi.png"
    echo "docs/window-${dpi}dpi.png: ${w}x${h}"
    kill "$window" "$server"
    wait "$window" "$server" 2>/dev/null || true
done
