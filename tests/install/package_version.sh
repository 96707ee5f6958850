#!/bin/sh
# The packages' version (debian/changelog) is the project's, and so is the
# one every manual page's header names.
# usage: package_version.sh CHANGELOG PROJECT-VERSION MAN-DIR
set -eu
packaged=$(dpkg-parsechangelog -l "$1" -S Version)
[ "$packaged" = "$2" ] || { echo "debian/changelog says $packaged, the project $2"; exit 1; }
stale=$(grep -L "^\.TH .* \"vorrel-background $2\"" "$3"/*.[0-9] || true)
[ -z "$stale" ] || { echo "manual pages not naming version $2: $stale"; exit 1; }
echo "version $2 throughout"
