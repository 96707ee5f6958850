#!/bin/sh
# The programs as installed carry every protection hardening-check looks for
# that Debian 12 can give, and no path of the tree they were built in: __FILE__ reaches the journal as
# CODE_FILE, and the same sources must make the same programs anywhere.
# usage: hardening_check.sh SOURCE-DIR BUILD-DIR PROGRAM...
set -eu
source_dir=$1 build_dir=$2
shift 2
# Control-flow protection is out of reach on Debian 12: its C start files
# (crti.o, Scrt1.o) lack the IBT/SHSTK property, which the linker then drops.
hardening-check --nocfprotection "$@"
for program in "$@"; do
    for tree in "$source_dir" "$build_dir"; do
        if grep -q -F "$tree" "$program"; then
            echo "$program names $tree:"
            strings "$program" | grep -F "$tree" | head -5
            exit 1
        fi
    done
    # Nor where the build folder lay in the tree ("../platform/...").
    if strings "$program" | grep '^CODE_FILE=' | grep -v '^CODE_FILE=\./'; then
        echo "$program: a CODE_FILE not relative to the source tree"
        exit 1
    fi
done
echo "$# programs hardened, no build path in them"
