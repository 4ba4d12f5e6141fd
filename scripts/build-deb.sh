#!/bin/sh
# Builds the Debian package, vantorix_<version>_<arch>.deb, into OUT (default
# build-deb/) from a copy of the source tree, so the tree itself stays clean;
# installs what the package build needs first, then runs lintian on the result.
set -eu
cd "$(dirname "$0")/.."
out=${1:-build-deb}
version=$(sed -n 's/^project(Vantorix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
tools="dpkg-dev debhelper lintian"
for p in $tools; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $tools
        break
    fi
done
if ! dpkg-checkbuilddeps >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get build-dep -y -qq ./
fi

rm -rf "$out"
tree="$out/vantorix-$version"
mkdir -p "$tree"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    # What git tracks and what is new but not ignored: no build folders.
    git ls-files -z --cached --others --exclude-standard \
        | xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh \
        | tar --null -T - -cf - | tar -xf - -C "$tree"
else
    tar --exclude='./build*' -cf - . | tar -xf - -C "$tree"
fi

(cd "$tree" && dpkg-buildpackage -us -uc -b -j"$(nproc)")

deb=$(ls "$out"/vantorix_"$version"_*.deb)
echo
echo "Built $deb ($(du -k "$deb" | cut -f1) KiB)"
echo "lintian:"
lintian --fail-on error --display-info "$out"/vantorix_"$version"_*.changes
