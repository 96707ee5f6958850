#!/bin/sh
# Checks the configured user unit and autostart entry with the tools the
# desktop uses to load them.
set -eu
unit=$1
entry=$2
systemd-analyze verify --user "$unit" 2>/dev/null || systemd-analyze verify --man=no "$unit"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
fi
