#!/bin/sh
# Checks the installed units with systemd-analyze, their programs taken from
# the stage. Warnings about our units count as failures: systemd ignores a
# setting it cannot parse, and the service would silently run without it.
# usage: verify_units.sh STAGE
set -eu
stage=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
system=$(find "$stage" -path '*/systemd/system' -type d | head -n1)
user=$(find "$stage" -path '*/systemd/user' -type d | head -n1)
sed "s|^ExecStart=/|ExecStart=$stage/|" "$system/vrlsensord.service" > "$work/vrlsensord.service"
cp "$system/vrlsensord.socket" "$work/"
out=$(systemd-analyze verify --man=no "$work/vrlsensord.socket" "$work/vrlsensord.service" 2>&1) || {
    echo "$out"; exit 1; }
if echo "$out" | grep -q vrlsensord; then echo "$out"; exit 1; fi
# The Prometheus export, its program taken from the stage too.
sed "s|^ExecStart=/|ExecStart=$stage/|" "$system/vrlsensors-prometheus.service" > "$work/vrlsensors-prometheus.service"
out=$(systemd-analyze verify --man=no "$work/vrlsensors-prometheus.service" 2>&1) || { echo "$out"; exit 1; }
if echo "$out" | grep -q vrlsensors; then echo "$out"; exit 1; fi
# The notifier's host bundle is not installed; only the unit's settings are checked.
mkdir -p "$work/user" "$work/runtime"
chmod 700 "$work/runtime"
sed 's|^ExecStart=.*|ExecStart=/bin/true|' "$user/vrlupdatenotifier.service" > "$work/user/vrlupdatenotifier.service"
out=$(XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --man=no --user "$work/user/vrlupdatenotifier.service" 2>&1) || {
    echo "$out"; exit 1; }
if [ -n "$out" ]; then echo "$out"; exit 1; fi
echo "units ok"
