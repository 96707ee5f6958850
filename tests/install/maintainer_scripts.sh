#!/bin/sh
# Runs the package's maintainer scripts with every system command they may call
# replaced by a stand-in that only records the call: the service's user must be
# made, the socket enabled, the runtime directory and the export's link removed
# on removal only, the export's state on purge, and
# where systemd is not running nothing may be started or stopped.
# usage: maintainer_scripts.sh PACKAGING-DEBIAN-DIR
set -eu
scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for command in systemd-sysusers adduser udevadm deb-systemd-helper deb-systemd-invoke systemctl rmdir rm; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$command" "$work" > "$work/bin/$command"
    chmod +x "$work/bin/$command"
done
run() { PATH="$work/bin:/usr/bin:/bin" sh "$scripts/$1" "$2" "${3:-}"; }
expect() { grep -qx "$1" "$work/calls" || { echo "missing call: $1"; cat "$work/calls"; exit 1; }; }
forbid() { if grep -q "$1" "$work/calls"; then echo "unexpected call: $1"; cat "$work/calls"; exit 1; fi; }

: > "$work/calls"
run postinst configure
expect "systemd-sysusers vrlsensord.conf"
expect "deb-systemd-helper enable vrlsensord.socket"
expect "deb-systemd-helper update-state vrlsensors-prometheus.service"
forbid "enable vrlsensors-prometheus.service"
if [ -d /run/systemd/system ]; then
    expect "deb-systemd-invoke start vrlsensord.socket"
else
    forbid "deb-systemd-invoke"
    forbid "systemctl"
fi

: > "$work/calls"
run postrm upgrade 1.0.0
forbid "rmdir"
forbid "rm "
forbid "deb-systemd-helper"

: > "$work/calls"
run prerm remove
run postrm remove
run postrm purge
expect "deb-systemd-helper mask vrlsensord.socket"
expect "deb-systemd-helper purge vrlsensord.socket"
expect "rmdir --ignore-fail-on-non-empty /run/com.quenmoor.vrlsensord"
expect "rm -f /var/lib/prometheus/node-exporter/vorrel.prom"
expect "rm -rf /var/lib/vrlsensors-prometheus"
expect "deb-systemd-helper purge vrlsensors-prometheus.service"
if [ -d /run/systemd/system ]; then
    expect "deb-systemd-invoke stop vrlsensord.socket vrlsensord.service"
    expect "deb-systemd-invoke stop vrlsensors-prometheus.service"
else
    forbid "deb-systemd-invoke"
    forbid "systemctl"
fi
echo "maintainer scripts ok"
