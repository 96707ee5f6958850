#!/bin/sh
# Checks the configured user unit and autostart entry with the tools the
# desktop uses to load them. Warnings count as failures: systemd ignores an
# unknown key, and the unit would silently lose that setting.
set -eu
unit=$1
entry=$2
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
# A user manager needs a runtime directory, which a build machine may lack.
warnings=$(XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$runtime} systemd-analyze verify --man=no --user "$unit" 2>&1) || {
    echo "$warnings" >&2
    exit 1
}
if [ -n "$warnings" ]; then
    echo "$warnings" >&2
    exit 1
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
fi
