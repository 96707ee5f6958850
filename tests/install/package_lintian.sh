#!/bin/sh
# Builds the Debian package from the build directory as a packager would and
# has lintian check it: errors fail, warnings and notes are listed. Missing
# hardening, an unstripped static library and a manual page for no program
# fail too, and the package must not silence lintian with overrides.
# usage: package_lintian.sh BUILD-DIR OUTPUT-DIR
set -eu
build=$1
out=$2
rm -rf "$out"
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
if [ "$prefix" != /usr ]; then
    echo "the package needs a build configured with -DCMAKE_INSTALL_PREFIX=/usr (this one: $prefix)"
    exit 1
fi
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1 || { cat "$out.log"; exit 1; }
deb=$(ls "$out"/*.deb)
dpkg-deb --info "$deb"
if dpkg-deb --contents "$deb" | grep -q 'usr/share/lintian/overrides'; then
    echo "the package carries lintian overrides"
    exit 1
fi
lintian --display-info --fail-on error "$deb" | tee "$out/lintian.log"
if grep -E ' (hardening-[a-z-]+|unstripped-static-library|[a-z-]+-has-unneeded-sections?|spare-manual-page)( |$)' \
        "$out/lintian.log"; then
    exit 1
fi
