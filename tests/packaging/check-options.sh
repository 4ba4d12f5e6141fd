#!/bin/sh
# Every option that `vantorix --help` lists is described in the manual page and
# on the command-line help page, and the manual page describes no option the
# program does not have: the three cannot drift apart.
# Usage: check-options.sh PROGRAM MANPAGE HTMLPAGE
set -eu
program=$1
page=$2
html=$3

# Qt's help lists an option as "  -h, --help    Text": the names end at the
# first run of two spaces.
help_options=$("$program" --help | sed -n 's/^  \(-[^ ].*\)$/\1/p' | sed 's/  .*//' \
    | grep -oE -- '--?[A-Za-z][A-Za-z0-9-]*' | sort -u)
if [ -z "$help_options" ]; then
    echo "$program --help lists no options"
    exit 1
fi

# The terms of the OPTIONS section as man renders them.
man_options=$(MANWIDTH=200 man -E ascii -l "$page" 2>/dev/null | col -b \
    | sed -n '/^OPTIONS$/,/^[A-Z]/p' | sed -n 's/^       \(-.*\)$/\1/p' \
    | grep -oE -- '(^|, )--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^, //' | sort -u)

status=0
for option in $help_options; do
    if ! printf '%s\n' "$man_options" | grep -qx -- "$option"; then
        echo "$option: listed by --help, not described in the manual page's OPTIONS"
        status=1
    fi
    if ! grep -q -- "<code>$option\b" "$html"; then
        echo "$option: listed by --help, not described in $(basename "$html")"
        status=1
    fi
done
for option in $man_options; do
    if ! printf '%s\n' "$help_options" | grep -qx -- "$option"; then
        echo "$option: in the manual page, but the program does not list it"
        status=1
    fi
done
[ $status -eq 0 ] && echo "$(printf '%s\n' "$help_options" | wc -l) options agree"
exit $status
