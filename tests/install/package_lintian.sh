#!/bin/sh
# lintian on every package dpkg-buildpackage made, binary and source: errors
# and warnings fail, informational tags are listed (the README explains those
# left). Missing hardening, unstripped files and a manual page for no program
# fail whatever their severity, and no package may silence lintian with
# overrides.
# usage: package_lintian.sh PACKAGE-DIR
set -eu
dir=$1
for deb in "$dir"/*.deb; do
    if dpkg-deb --contents "$deb" | grep -q 'usr/share/lintian/overrides'; then
        echo "$deb carries lintian overrides"
        exit 1
    fi
done
for overrides in "$dir"/*/debian/source/lintian-overrides; do
    if [ -e "$overrides" ]; then echo "the source package carries lintian overrides"; exit 1; fi
done
lintian --display-info --pedantic --fail-on error,warning "$dir"/*.changes | tee "$dir/lintian.log"
if grep -E ' (hardening-[a-z-]+|unstripped-[a-z-]+|[a-z-]+-has-unneeded-sections?|spare-manual-page)( |$)' \
        "$dir/lintian.log"; then
    exit 1
fi
echo "lintian: $(ls "$dir"/*.deb "$dir"/*.dsc | wc -l) packages, no error or warning"
