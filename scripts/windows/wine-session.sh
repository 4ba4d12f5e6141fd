# Sourced by the Windows test scripts: a private Wine prefix and a private
# Xvfb display for running the Windows build, both ended when the script ends.
#
# wine_session_start    sets WINEPREFIX, DISPLAY and the rest, starts Xvfb
# wine_run ARGS...      runs a Windows program (Debian installs no "wine"
#                       wrapper with wine64 alone, so wine64 is called directly)

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
XVFB_PID=

wine_session_stop()
{
    # Only this prefix's Wine processes, and the Xvfb started here.
    [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k 2>/dev/null || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

wine_session_start()
{
    local cache=${VANTORIX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vantorix}
    export WINEPREFIX=${WINEPREFIX:-$cache/wine-prefix}
    export WINEARCH=win64
    # No prompts to install Wine's Mono and Gecko; none of Wine's own chatter.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG=-all
    # Wine passes no QT_* variable on, only WINEQT_* ones, renamed. The
    # offscreen platform finds its fonts here.
    export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\liberation'
    export WINEQT_FORCE_STDERR_LOGGING=1

    local display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    trap wine_session_stop EXIT
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$display"

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -u >/dev/null 2>&1 || true
        "$WINESERVER" -w
    fi
}

wine_run()
{
    "$WINE" "$@"
}
