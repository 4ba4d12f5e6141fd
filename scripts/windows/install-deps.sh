#!/bin/sh
# The Debian 12 packages the Windows build and its tests need, beyond those of
# scripts/install-deps.sh: mingw-w64 with posix threads (the win32 thread
# model has no std::thread or std::mutex), Wine to run the tests, Xvfb for
# the window, and what fetching and building Debian's Qt source takes.
set -eu
cd "$(dirname "$0")/../.."
scripts/install-deps.sh \
    g++-mingw-w64-x86-64-posix \
    wine64 fonts-wine \
    dpkg-dev ninja-build \
    xvfb x11-utils xdotool imagemagick
