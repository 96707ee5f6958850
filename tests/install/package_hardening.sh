#!/bin/sh
# The programs of the runtime package, as dpkg-buildpackage built them from
# the copy of the tree in PACKAGE-DIR, pass the hardening check.
# usage: package_hardening.sh CHECK-SCRIPT PACKAGE-DIR
set -eu
check=$1
dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb --extract "$dir"/vorrel-background_*.deb "$work"
source_dir=$(dirname "$(ls -d "$dir"/*/debian)")
sh "$check" "$source_dir" "$source_dir/obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)" \
    "$work/usr/sbin/vrlsensord" "$work/usr/lib/vorrel/Vorrel.app/Contents/MacOS/vrlsensors"
