#!/bin/sh
# The version has one home, CMake's project(); the Debian changelog's newest
# entry must name the same version (a native package: no Debian revision) and
# the same release date that the AppStream metadata carries.
# Usage: check-version.sh SOURCE_DIR VERSION RELEASE_DATE
set -eu
changelog=$1/debian/changelog
version=$2
date=$3
top=$(sed -n '1s/^vantorix (\([^)]*\)).*/\1/p' "$changelog")
if [ "$top" != "$version" ]; then
    echo "debian/changelog is at '$top', CMake's project() at '$version'"
    exit 1
fi
stamp=$(sed -n '/^ -- /{s/^ -- .*>  //p;q}' "$changelog")
day=$(LC_ALL=C date -u -d "$stamp" +%F)
if [ "$day" != "$date" ]; then
    echo "debian/changelog's entry is dated $day, the release date is $date"
    exit 1
fi
echo "version $version of $date"
