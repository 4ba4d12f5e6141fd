#!/bin/sh
# The manual page renders without a single warning from man or groff (the
# check Debian's lintian runs), and has the sections a reader looks for.
# Usage: check-manpage.sh PAGE
set -eu
page=$1
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "$page: man reports:"
    echo "$warnings"
    exit 1
fi
text=$(MANWIDTH=80 man -E ascii -l "$page" 2>/dev/null | col -b)
status=0
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES; do
    if ! printf '%s\n' "$text" | grep -qx "$section"; then
        echo "$page: no $section section"
        status=1
    fi
done
exit $status
