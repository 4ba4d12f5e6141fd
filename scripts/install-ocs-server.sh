#!/bin/sh
# Installs what the real-server tests and the fleet benchmark need: Debian's
# OCS Inventory NG communication server with Apache/mod_perl and MariaDB, the
# stock agent for the peer comparison, and the server's database schema, which
# Debian ships only inside the web console's package (extracted, not installed).
# No daemon is started: the tests start private ones on loopback ports.
# Usage: scripts/install-ocs-server.sh SCHEMA_DIR   (quick when all is there)
set -eu
schema_dir=${1:?usage: $0 SCHEMA_DIR}

# The server parses with XML::Parser but does not depend on it.
packages="apache2 libapache2-mod-perl2 mariadb-server mariadb-client ocsinventory-server libxml-parser-perl
ocsinventory-agent dmidecode pciutils hdparm libnet-netmask-perl libparse-edid-perl"
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    # Without this, the packages' maintainer scripts would start the stock
    # Apache on port 80 and MariaDB on 3306.
    made_policy=0
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
        $SUDO chmod 755 /usr/sbin/policy-rc.d
        made_policy=1
        trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
    fi
    echo "Installing:$missing"
    $SUDO apt-get update -qq
    # The agent's tools for the hardware are among its recommends; the web
    # console (a recommend of the server) is not wanted.
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
    if [ $made_policy = 1 ]; then $SUDO rm -f /usr/sbin/policy-rc.d; trap - EXIT; fi
fi

if [ ! -f "$schema_dir/ocsbase_new.sql" ]; then
    mkdir -p "$schema_dir"
    work=$(mktemp -d)
    # apt-get download fetches as the _apt user into the current folder.
    chmod 755 "$work"; chown _apt "$work" 2>/dev/null || true
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && apt-get download -qq ocsinventory-reports >/dev/null && dpkg-deb -x ocsinventory-reports_*.deb tree)
    cp "$work/tree/usr/share/ocsinventory-reports/files/ocsbase_new.sql" "$schema_dir/"
    echo "Extracted the OCS database schema to $schema_dir"
fi
