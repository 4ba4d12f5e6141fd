#!/bin/sh
# Runs a command with the environment the test suites expect: no display, so
# widget tests run offscreen and nothing ever waits for a window.
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
exec "$@"
