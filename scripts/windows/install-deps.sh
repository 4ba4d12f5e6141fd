#!/bin/sh
# The Debian 12 packages the Windows build and its tests need, beyond those of
# scripts/install-deps.sh: mingw-w64 with posix threads (the win32 thread
# model has no std::thread or std::mutex), Wine to run the tests, Xvfb for
# the window, and what fetching and building Debian's Qt source takes.
set -eu
cd "$(dirname "$0")/../.."
scripts/install-deps.sh

packages="
g++-mingw-w64-x86-64-posix
wine64 fonts-wine
dpkg-dev ninja-build
xvfb x11-utils xdotool imagemagick
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
echo "Installing:$missing"
$SUDO apt-get update -qq
# Without --no-install-recommends Wine brings some 70 multimedia packages.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
