#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the program need,
# and any further packages named on the command line (the Windows build's).
# Quick when everything is already there: apt is only run for what is missing.
set -eu

packages="
build-essential cmake make pkg-config
qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev ca-certificates
fonts-liberation
libudev-dev udev
libpci-dev pciutils hwdata
libcups2-dev cups cups-client cups-bsd
clang libclang-rt-14-dev
dmidecode edid-decode lshw time
python3 python3-jsonschema
chromium
scdoc librsvg2-bin man-db groff-base bsdextrautils
desktop-file-utils appstream shared-mime-info
debhelper lintian debootstrap
xvfb x11-utils
$*
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
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
