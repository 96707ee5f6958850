#!/bin/sh
# Runs the built package's maintainer scripts with every system command they
# may call replaced by a stand-in that only records the call, and with the
# directories they test for (a running systemd, udev, the applesmc device)
# moved into a scratch folder, so that each case is tried on any machine.
# usage: maintainer_scripts.sh RUNTIME-DEB
set -eu
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/scripts"
dpkg-deb --control "$deb" "$work/control"
for script in postinst prerm postrm; do
    sed -e "s|/run/systemd/system|$work/systemd|g" -e "s|/run/udev|$work/udev|g" \
        -e "s|/sys/devices/platform/applesmc.768|$work/applesmc|g" \
        -e "s|/usr/bin/deb-systemd-helper|$work/bin/deb-systemd-helper|g" \
        "$work/control/$script" > "$work/scripts/$script"
done
# Each stand-in records its call and answers "no" to the calls listed in
# $work/false (deb-systemd-helper's questions), "yes" to any other.
for command in systemd-sysusers udevadm deb-systemd-helper deb-systemd-invoke systemctl rmdir rm; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n! grep -qxF "%s $*" "%s/false"\n' \
        "$command" "$work" "$command" "$work" > "$work/bin/$command"
    chmod +x "$work/bin/$command"
done
# Never enabled by the administrator, nor known to deb-systemd-helper yet.
printf '%s\n' "deb-systemd-helper debian-installed vrlsensors-prometheus.service" \
    "deb-systemd-helper --quiet was-enabled vrlsensors-prometheus.service" > "$work/false"

# machine: "systemd", "udev", "applesmc": what runs or exists, in any combination.
machine() {
    rm -rf "$work/systemd" "$work/udev" "$work/applesmc"
    for present in "$@"; do mkdir "$work/$present"; done
    : > "$work/calls"
}
run() { PATH="$work/bin:/usr/bin:/bin" sh "$work/scripts/$1" "$2" "${3:-}" >/dev/null; }
calls() { sed "s|$work/applesmc|APPLESMC|g" "$work/calls"; }
expect() { calls | grep -qxF "$1" || { echo "$case: missing call: $1"; calls; exit 1; }; }
forbid() { if calls | grep -qF "$1"; then echo "$case: unexpected call: $1"; calls; exit 1; fi; }
# The first call matching $1 comes before the first matching $2.
expect_order() {
    first=$(calls | grep -nF "$1" | head -n1 | cut -d: -f1)
    second=$(calls | grep -nF "$2" | head -n1 | cut -d: -f1)
    [ -n "$first" ] && [ -n "$second" ] && [ "$first" -lt "$second" ] || {
        echo "$case: expected \"$1\" before \"$2\""; calls; exit 1; }
}

case="first installation, systemd running, applesmc loaded"
machine systemd udev applesmc
run postinst configure
expect "systemd-sysusers vrlsensord.conf"
expect "deb-systemd-helper enable vrlsensord.socket"
forbid "enable vrlsensors-prometheus.service"
expect "deb-systemd-invoke start vrlsensord.socket"
# Started only where the administrator enabled it (deb-systemd-invoke checks).
expect "deb-systemd-invoke start vrlsensors-prometheus.service"
expect "udevadm trigger --action=add --subsystem-match=hwmon --parent-match=APPLESMC"

case="installation without applesmc"
machine systemd udev
run postinst configure
forbid "udevadm"

case="installation without systemd (a chroot, an image being built)"
machine
run postinst configure
expect "systemd-sysusers vrlsensord.conf"
expect "deb-systemd-helper enable vrlsensord.socket"
forbid "deb-systemd-invoke"
forbid "systemctl"

case="upgrade"
machine systemd udev
run prerm upgrade 1.0.2
run postrm upgrade 1.0.2
forbid "stop"
forbid "rm "
forbid "rmdir"
: > "$work/calls"
run postinst configure 1.0.0
expect "deb-systemd-invoke restart vrlsensors-prometheus.service"
expect "deb-systemd-invoke restart vrlsensord.socket"
# A new export connects to the old service, whose gate admits it; an old one
# reconnecting from its replaced executable would be refused.
expect_order "restart vrlsensors-prometheus.service" "restart vrlsensord.socket"

case="removal"
machine systemd
run prerm remove
run postrm remove
expect "deb-systemd-invoke stop vrlsensord.socket"
expect "deb-systemd-invoke stop vrlsensors-prometheus.service"
expect "rmdir --ignore-fail-on-non-empty /run/com.quenmoor.vrlsensord"
expect "rm -f /var/lib/prometheus/node-exporter/vorrel.prom"
forbid "rm -rf"
forbid "purge"

case="purge"
machine
run postrm purge
expect "rm -rf /var/lib/vrlsensors-prometheus"
expect "deb-systemd-helper purge vrlsensord.socket"
expect "deb-systemd-helper purge vrlsensors-prometheus.service"
forbid "userdel"
forbid "deluser"
echo "maintainer scripts ok"
