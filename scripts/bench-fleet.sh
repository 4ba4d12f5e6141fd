#!/bin/sh
# Starts a private OCS Inventory server, runs the fleet benchmark against it
# and stops the server again, whatever the benchmark does.
# Usage: scripts/bench-fleet.sh BUILD_DIR [machine counts...]
set -eu
build=${1:?usage: $0 BUILD_DIR [N...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
server=$(mktemp -d /tmp/vantorix-bench-ocs.XXXXXX)
trap '"$here/ocs-test-server.sh" stop "$server"; rm -rf "$server"' EXIT
"$here/ocs-test-server.sh" start "$server" "$build/ocs-schema" >/dev/null
"$build/bench/bench_fleet" "$server/server.env" "$build/app/vantorix" "$@"
