#!/bin/sh
# Each installed manual page renders without a warning from groff or man.
# usage: render_man_pages.sh STAGE
set -eu
count=0
for page in $(find "$1" -path '*/man/man*/*.gz'); do
    warnings=$(MANWIDTH=80 man -l --warnings "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then echo "$page: $warnings"; exit 1; fi
    count=$((count + 1))
done
[ "$count" -eq 4 ] || { echo "expected 4 manual pages, found $count"; exit 1; }
echo "$count pages render"
