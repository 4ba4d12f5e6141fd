#!/bin/sh
# `cmake --install` into a fresh prefix lays out what a desktop and a package
# expect: the program, its menu entry and icons where the entry says, the
# AppStream data that validates as a tree, the file type, the manual page, the
# help pages and the example skin, and the installed program finds the last two.
# Usage: check-install.sh BUILD_DIR APP_ID ICON_SIZES HELP_PAGES
set -eu
build=$1
id=$2
sizes=$(echo "$3" | tr ';' ' ')
pages=$(echo "$4" | tr ';' ' ')
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() { echo "$*"; status=1; }
need() { [ -f "$prefix/$1" ] || fail "not installed: $1"; }

need bin/vantorix
[ -x "$prefix/bin/vantorix" ] || fail "bin/vantorix is not executable"
need "share/applications/$id.desktop"
need "share/metainfo/$id.metainfo.xml"
need share/mime/packages/vantorix-inventory.xml
need share/man/man1/vantorix.1
need share/vantorix/skins/x/o.cjs
need share/doc/vantorix/README.md
for page in $pages; do need "share/vantorix/help/$(basename "$page")"; done
# The inventory server's daily run, below the prefix like the rest.
need lib/systemd/system/vantorix-agent.service
need lib/systemd/system/vantorix-agent.timer
need etc/vantorix/agent.conf

# The entry's icon at every size and as SVG, and its program in bin.
icon=$(sed -n 's/^Icon=//p' "$prefix/share/applications/$id.desktop")
need "share/icons/hicolor/scalable/apps/$icon.svg"
for size in $sizes; do need "share/icons/hicolor/${size}x${size}/apps/$icon.png"; done
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/share/applications/$id.desktop")
need "bin/$exec_program"

# AppStream reads the installed tree as a software centre would: entry, icon
# and metadata must match up.
appstreamcli validate-tree --no-net "$prefix" >"$prefix/validate.log" 2>&1 \
    || { cat "$prefix/validate.log"; fail "appstreamcli validate-tree failed"; }

# The file type compiles into a MIME database without a complaint.
mime_errors=$(XDG_DATA_DIRS="$prefix/share:/usr/share" update-mime-database "$prefix/share/mime" 2>&1 >/dev/null \
    || echo "update-mime-database failed")
[ -z "$mime_errors" ] || fail "update-mime-database: $mime_errors"

# The installed program names its own help pages and example skin, in the prefix.
help=$("$prefix/bin/vantorix" --help)
help_page=$(printf '%s\n' "$help" | sed -n 's/^ *Help pages: *//p')
skin=$(printf '%s\n' "$help" | sed -n 's/^ *Example skin: *//p')
[ "$help_page" = "$prefix/share/vantorix/help/index.html" ] \
    || fail "the installed program's help page is '$help_page'"
[ "$skin" = "$prefix/share/vantorix/skins/x/o.cjs" ] \
    || fail "the installed program's example skin is '$skin'"

[ $status -eq 0 ] && echo "installed tree complete: $(find "$prefix" -type f | wc -l) files"
exit $status
