#!/bin/sh
# Every header of the -dev package compiles on its own, and whatever it
# includes is either in the package itself, in the compiler's own headers, or
# in a package its Depends names: a header that starts including another
# library's must bring that library's -dev package with it.
# usage: dev_package_headers.sh DEV-DEB
set -eu
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb --extract "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g')
# What every C++ compiler on Debian brings.
toolchain="libc6-dev linux-libc-dev libstdc++-12-dev libgcc-12-dev"
include=$work/root/usr/include/vorrel
count=0
for header in $(cd "$include" && find . -name '*.h'); do
    printf '#include "%s"\n' "${header#./}" > "$work/one.cpp"
    c++ -std=c++17 -fsyntax-only -I "$include" "$work/one.cpp" ||
        { echo "$header does not compile on its own"; exit 1; }
    c++ -std=c++17 -M -I "$include" "$work/one.cpp" | tr ' \\' '\n\n' | grep '^/' | grep -v "^$work/" |
        xargs -r realpath >> "$work/included"
    count=$((count + 1))
done
# One dpkg query for all of them: "package[, package]: path", or an error for a
# file no package holds.
sort -u "$work/included" | xargs -r dpkg -S > "$work/owners" 2>"$work/unowned" || true
if [ -s "$work/unowned" ]; then
    echo "the headers include files no package holds:"; cat "$work/unowned"; exit 1
fi
sed 's/: .*//' "$work/owners" | tr ',' '\n' | sed 's/[[:space:]]//g; s/:.*//' | sort -u | while read -r owner; do
    for allowed in $toolchain $depends; do [ "$owner" = "$allowed" ] && continue 2; done
    echo "the headers include files of $owner, which the package's Depends does not bring:"
    grep "^${owner}[:,]" "$work/owners" | head -5
    exit 1
done
echo "$count headers compile alone, with nothing beyond the package's Depends"
