#!/bin/bash
# Builds, once, the static Qt for Windows that `make windows` links against: Debian's own qt6-base
# source cross-compiled with mingw-w64 into a cache folder outside the clone. Cross-building Qt
# needs the host's moc/rcc/uic of exactly the same version, so the cache is keyed on the installed
# qt6-base-dev version and rebuilt when that changes; bump RECIPE when the configure flags change.
#
#   build-qt.sh            build if missing, then print the Qt prefix
#   build-qt.sh --prefix   only print where the prefix is (or will be)
#
# VANTORIX_CACHE_DIR (default ~/.cache/vantorix) moves the cache; JOBS sets ninja's -j.
set -euo pipefail

RECIPE=1
HERE=$(cd "$(dirname "$0")" && pwd)
CACHE=${VANTORIX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vantorix}
HOST_VERSION=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$HOST_VERSION" ]; then
    echo "build-qt.sh: qt6-base-dev is not installed (run scripts/windows/install-deps.sh)" >&2
    exit 1
fi
KEY=qt6-win-$HOST_VERSION-r$RECIPE
OUT=$CACHE/$KEY
PREFIX=$OUT/prefix
STAMP=$OUT/built

if [ "${1:-}" = --prefix ]; then
    echo "$PREFIX"
    exit 0
fi

mkdir -p "$CACHE"
# Two builds at once would share one work folder; the second waits and then finds the stamp.
exec 9>"$CACHE/$KEY.lock"
flock 9

if [ -f "$STAMP" ]; then
    echo "$PREFIX"
    exit 0
fi

W=$CACHE/$KEY.work
LOG=$CACHE/$KEY.log
mkdir -p "$W" "$OUT"
t() { echo "[$(date +%T)] build-qt: $*" >&2; }
fail() { echo "build-qt.sh: $1 failed; see $LOG" >&2; exit 1; }
started=$(date +%s)
t "building static Qt $HOST_VERSION for Windows in $W (about 30 min on 2 cores; log: $LOG)"
# Appended to, not emptied: a build that was stopped and resumed keeps the record of every run.
echo "[$(date '+%F %T')] build-qt: run started" >>"$LOG"

# A stale Qt of another version is 100 MB nobody will link against again.
for old in "$CACHE"/qt6-win-*; do
    case "$old" in "$OUT"|"$OUT".*|"$CACHE/$KEY".*) ;; *) rm -rf "$old" ;; esac
done

# The toolchain file is copied into the cache: Qt's qt-cmake remembers its absolute path, and the
# clone that built the cache may be gone when a later clone uses it.
cp "$HERE/mingw-w64-posix.cmake" "$OUT/toolchain.cmake"

QTSRC=$W/src/qt6-base-${HOST_VERSION%-*}
if [ ! -d "$QTSRC" ]; then
    t "fetching the qt6-base $HOST_VERSION source from Debian"
    # A private deb-src list, so the machine's apt configuration is left as it was.
    A=$W/apt
    mkdir -p "$A/sources.list.d" "$A/lists/partial" "$A/cache/archives/partial"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$A/sources.list.d/src.sources"
    else
        cat >"$A/sources.list.d/src.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    apt_src=(apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$A/sources.list.d"
             -o Dir::State::Lists="$A/lists" -o Dir::Cache="$A/cache")
    "${apt_src[@]}" update >>"$LOG" 2>&1 || fail "apt-get update (deb-src)"
    mkdir -p "$W/src"
    (cd "$W/src" && "${apt_src[@]}" source "qt6-base=$HOST_VERSION") >>"$LOG" 2>&1 \
        || fail "apt-get source qt6-base=$HOST_VERSION"

    # Debian's +dfsg tarball leaves out src/3rdparty/wintab, which the windows platform plugin
    # includes for tablet input. Wine's LGPL header declares the same API; the shim supplies the
    # few macro names that Wacom's header has and mingw's does not.
    t "wintab header from Wine"
    mkdir -p "$W/wine-hdr"
    (cd "$W/wine-hdr" && apt-get download libwine-dev && dpkg-deb -x libwine-dev_*.deb x) >>"$LOG" 2>&1 \
        || fail "apt-get download libwine-dev"
    WT=$QTSRC/src/3rdparty/wintab
    mkdir -p "$WT"
    cp "$W/wine-hdr/x/usr/include/wine/wine/windows/wintab.h" "$WT/wine_wintab.h"
    cp "$W/wine-hdr/x/usr/include/wine/wine/windows/pktdef.h" "$WT/pktdef.h"
    cat >"$WT/wintab.h" <<'EOF'
#ifndef QT_WINTAB_SHIM_H
#define QT_WINTAB_SHIM_H
#include <windows.h>
#ifndef WINELIB_NAME_AW
# ifdef UNICODE
#  define WINELIB_NAME_AW(func) func##W
# else
#  define WINELIB_NAME_AW(func) func##A
# endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#endif
#include "wine_wintab.h"
#ifndef API
# define API WINAPI
#endif
#endif
EOF
fi

# Static Qt with Core, Gui, Widgets and Test, everything bundled (no host library may leak in).
# direct2d must stay ON: with it OFF the DirectWrite font database the windows plugin uses is not
# compiled and every GUI program fails to link. INPUT_opengl=no, since FEATURE_opengl=OFF still
# leaves dynamic OpenGL on. FreeType is only here for the offscreen platform the tests run on.
if [ ! -f "$W/build/build.ninja" ]; then
    t "configure"
    cmake -G Ninja -S "$QTSRC" -B "$W/build" \
        -DCMAKE_TOOLCHAIN_FILE="$OUT/toolchain.cmake" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_pkg_config=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
        -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_testlib=ON \
        -DFEATURE_direct2d=ON \
        -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_fontconfig=OFF \
        -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF \
        -DFEATURE_androiddeployqt=OFF >>"$LOG" 2>&1 || fail "configure"
fi

t "build"
NINJA_STATUS="[%f/%t %es] " ninja -C "$W/build" -j "${JOBS:-$(nproc)}" >>"$LOG" 2>&1 || fail "ninja"
t "install"
cmake --install "$W/build" >>"$LOG" 2>&1 || fail "install"

elapsed=$(( $(date +%s) - started ))
echo "Qt $HOST_VERSION recipe $RECIPE, built in $((elapsed / 60)) min $((elapsed % 60)) s (the last run; $LOG has every run)" >"$STAMP"
echo "[$(date '+%F %T')] build-qt: run finished after $elapsed s" >>"$LOG"
# ninja's record of every step, with each object's time, outlives the work folder.
cp "$W/build/.ninja_log" "$OUT/ninja_log" 2>/dev/null || true
t "done in $((elapsed / 60)) min $((elapsed % 60)) s: prefix $(du -sh "$PREFIX" | cut -f1)"
# The 2.7 GB of source and objects are only needed to resume a failed build.
[ -n "${VANTORIX_KEEP_QT_BUILD:-}" ] || rm -rf "$W"
echo "$PREFIX"
