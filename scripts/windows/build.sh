#!/bin/bash
# Cross-builds Vantorix for 64-bit Windows with mingw-w64 against the static
# Qt of build-qt.sh, and packs the self-contained vantorix.exe into a zip
# with the README, the licence and the example skin.
#
#   build.sh [BUILD] [TARGET...]   (default: build-windows, the program only)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build-windows}
shift || true
JOBS=${JOBS:-$(nproc)}

scripts/windows/install-deps.sh
QT=$(scripts/windows/build-qt.sh)

# A build tree configured against another Qt keeps that Qt's link lines.
stamp="$QT $(cat "$QT/../built" 2>/dev/null)"
if [ -f "$BUILD/qt-used" ] && [ "$(cat "$BUILD/qt-used")" != "$stamp" ]; then
    echo "The Windows Qt changed; configuring $BUILD afresh."
    rm -rf "$BUILD"
fi
if [ ! -f "$BUILD/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    "$QT/bin/qt-cmake" -G Ninja -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
    echo "$stamp" >"$BUILD/qt-used"
fi
cmake --build "$BUILD" -j "$JOBS" --target "${@:-vantorix}"

# The package: the program with its data beside it, as the build folder has
# them (the help pages, and the example skin under skins\, not active until
# the user copies its x folder beside the program), and the README.
cmake --build "$BUILD" -j "$JOBS" --target vantorix_help vantorix_example_skin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
name=vantorix-$version-windows-x86_64
stage=$BUILD/package/$name
rm -rf "$BUILD/package" "$BUILD/$name.zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/vantorix.exe" "$BUILD/app/vantorix.exe"
cp -r "$BUILD/app/help" "$BUILD/app/skins" "$stage/"
cp README.md "$stage/"
# The licence, or until one is chosen the copyright notice that says so.
licence=$(ls LICENSE* COPYING* COPYRIGHT 2>/dev/null | head -1 || true)
if [ -z "$licence" ]; then
    echo "no licence or copyright file in the repository to pack" >&2
    exit 1
fi
cp "$licence" "$stage/$licence.txt"
(cd "$BUILD/package" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$BUILD/$name.zip: $(du -k "$BUILD/$name.zip" | cut -f1) KiB, vantorix.exe $(du -k "$stage/vantorix.exe" | cut -f1) KiB"
