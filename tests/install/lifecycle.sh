#!/usr/bin/env bash
# The runtime package over its whole life, as an administrator lives it, in a
# Debian 12 booted with systemd as PID 1 (systemd-nspawn, no network): install,
# upgrade, reinstall, remove, install again, purge. The service runs on the
# simulated Mac (a drop-in) and the Prometheus export is enabled; each step
# checks the units, the export's file, node_exporter's readings and an
# ordinary user served.
#
# The upgrade installs the same package repacked at a higher version: dpkg
# then replaces every file, programs included, as a real upgrade does, without
# a second build.
#
# The bootstrapped system is kept as a tarball in CACHE-DIR, named after what
# it holds, so only the first run fetches anything.
#
# usage: lifecycle.sh DEB-DIR [CACHE-DIR]
set -euo pipefail
debs=$(realpath "${1:?usage: lifecycle.sh DEB-DIR [CACHE-DIR]}")
cache_dir=${2:-/var/cache/vorrel-tests}
SKIPPED=77

for tool in mmdebstrap systemd-nspawn nsenter dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps)"; exit $SKIPPED; }
done
[ "$(id -u)" = 0 ] || { echo "needs root: it boots a container"; exit $SKIPPED; }

runtime_deb=$(ls "$debs"/vorrel-background_*.deb)
export_file=/var/lib/vrlsensors-prometheus/vorrel.prom
export_link=/var/lib/prometheus/node-exporter/vorrel.prom
export_unit=vrlsensors-prometheus.service

# The package's dependencies (first alternatives) and what the checks use:
# the container has no network, so all of it is in the bootstrapped system.
root_packages() {
    dpkg-deb -f "$runtime_deb" Depends Pre-Depends | sed 's/^[A-Za-z-]*: //' | tr ',' '\n' |
        sed 's/|.*//; s/(.*)//; s/[[:space:]]//g' | grep -v '^$'
    printf '%s\n' curl prometheus-node-exporter systemd util-linux
}

bootstrapped_root() {
    local packages key tarball
    packages=$(root_packages | sort -u | paste -sd, -)
    key=$(printf 'bookworm important %s' "$packages" | sha256sum | cut -c1-16)
    tarball="$cache_dir/bookworm-$key.tar"
    if [ ! -s "$tarball" ]; then
        mkdir -p "$cache_dir"
        echo "bootstrapping Debian 12 with $packages into $tarball" >&2
        # mmdebstrap tells the output's format by its name.
        mmdebstrap --quiet --variant=important --include="$packages" bookworm "$tarball.part.tar" >&2
        mv "$tarball.part.tar" "$tarball"
    fi
    echo "$tarball"
}

# A copy of a package at a higher version: the same files, all replaced on
# installation.
repack_higher() {
    local deb=$1 out=$2 tree version
    tree=$(mktemp -d)
    dpkg-deb --raw-extract "$deb" "$tree"
    version=$(dpkg-deb -f "$deb" Version)
    sed -i "s/^Version: .*/Version: $version+lifecycle1/" "$tree/DEBIAN/control"
    dpkg-deb --root-owner-group --build "$tree" "$out" >/dev/null
    rm -rf "$tree"
}

work=$(mktemp -d /var/tmp/vrl-lifecycle.XXXXXX)
root=$work/root
nspawn_pid=
stop_container() {
    if [ -n "$nspawn_pid" ] && kill -0 "$nspawn_pid" 2>/dev/null; then
        kill -TERM "$nspawn_pid" 2>/dev/null || true
        # systemd-nspawn powers the container off on SIGTERM; it gets 30 s.
        for _ in $(seq 60); do kill -0 "$nspawn_pid" 2>/dev/null || break; sleep 0.5; done
        kill -KILL "$nspawn_pid" 2>/dev/null || true
        wait "$nspawn_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop_container EXIT
trap 'exit 1' INT TERM

mkdir -p "$root/srv/debs"
tar --numeric-owner -C "$root" -xf "$(bootstrapped_root)"
cp "$runtime_deb" "$root/srv/debs/"
repack_higher "$runtime_deb" "$root/srv/debs/upgrade.deb"
# The service on the simulated Mac, as vrlsensord(8) shows.
mkdir -p "$root/etc/systemd/system/vrlsensord.service.d"
printf '[Service]\nExecStart=\nExecStart=/usr/sbin/vrlsensord --smc-demo\n' \
    > "$root/etc/systemd/system/vrlsensord.service.d/demo.conf"

systemd-nspawn -D "$root" -b --register=no --keep-unit --console=passive --private-network \
    > "$work/console.log" 2>&1 &
nspawn_pid=$!

container_pid=
for _ in $(seq 100); do
    container_pid=$(pgrep -P "$nspawn_pid" -x systemd || true)
    [ -n "$container_pid" ] && break
    sleep 0.2
done
[ -n "$container_pid" ] || { cat "$work/console.log"; echo "the container did not boot"; exit 1; }

inside() {
    timeout 120 nsenter -t "$container_pid" -a \
        env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"
}
# Until systemd listens, systemctl cannot reach it; then it waits for the boot.
state=
for _ in $(seq 60); do
    state=$(inside systemctl is-system-running --wait 2>/dev/null || true)
    [ -n "$state" ] && break
    sleep 0.5
done
echo "container booted: ${state:-no answer}"

step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "FAILED: $*"
    inside systemctl --no-pager status vrlsensord.socket vrlsensord.service "$export_unit" || true
    inside journalctl --no-pager -n 40 -u vrlsensord.service -u "$export_unit" -p debug || true
    exit 1
}
# Waits up to 45 s (three export periods) for a condition.
eventually() {
    for _ in $(seq 90); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.5
    done
    return 1
}
expect_state() {  # UNIT STATE (as systemctl is-active or is-enabled says)
    local query=is-active
    case $2 in enabled|disabled) query=is-enabled ;; esac
    local now
    now=$(inside systemctl "$query" "$1" || true)
    [ "$now" = "$2" ] || fail "$1 is $now, not $2"
    echo "$1: $2"
}
apt_get() { inside apt-get -q -y -o Dpkg::Use-Pty=0 "$@" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get $*"; }; }

# The export's program as running: not a deleted file (dpkg replaced it and
# the export was not restarted), and its file fresh, saying the service is up.
export_current() {
    local pid
    pid=$(inside systemctl show -P MainPID "$export_unit")
    [ "$pid" != 0 ] && ! inside readlink "/proc/$pid/exe" | grep -q deleted
}
export_file_since() {  # EPOCH
    [ "$(inside stat -c %Y "$export_file")" -ge "$1" ] && inside grep -qx 'vorrel_sensor_service_up 1' "$export_file"
}
node_exporter_reads() {
    inside curl -sf http://127.0.0.1:9100/metrics | grep -q '^vorrel_temperature_celsius{.*} [0-9]'
}
node_exporter_silent() { ! inside curl -sf http://127.0.0.1:9100/metrics | grep -q '^vorrel_'; }
service_current() {
    local pid
    pid=$(inside systemctl show -P MainPID vrlsensord.service)
    [ "$pid" != 0 ] && ! inside readlink "/proc/$pid/exe" | grep -q deleted
}
user_served() {  # the simulated MacBookPro11,1's CPU proximity sensor
    inside setpriv --reuid=65534 --regid=65534 --clear-groups vrlsensors --json | grep -q '"TC0P"'
}

# Everything a running installation shows, the export's file written at or after SINCE.
expect_serving() {  # SINCE
    expect_state vrlsensord.socket active
    user_served || fail "an ordinary user was not served: $(inside setpriv --reuid=65534 --regid=65534 \
        --clear-groups vrlsensors --json 2>&1 | head -5)"
    echo "uid 65534 served"
    expect_state vrlsensord.service active
    eventually service_current || fail "vrlsensord runs a deleted executable"
    eventually export_current || fail "the export is not running its installed executable"
    expect_state "$export_unit" active
    eventually export_file_since "$1" || fail "the export's file is not fresh: $(inside cat "$export_file" | head -3)"
    echo "export's file: fresh, service up"
    eventually node_exporter_reads || fail "node_exporter shows no Vorrel readings"
    echo "node_exporter: readings"
    if inside journalctl --no-pager -q -u vrlsensord.service --since "@$1" | grep 'refused client'; then
        fail "the service refused a client"
    fi
}
now() { inside date +%s; }

step "node_exporter running"
eventually inside curl -sf http://127.0.0.1:9100/metrics || fail "node_exporter does not answer"
expect_state prometheus-node-exporter.service active

step install
apt_get install /srv/debs/"$(basename "$runtime_deb")"
expect_state vrlsensord.socket enabled
expect_state "$export_unit" disabled
expect_state "$export_unit" inactive
inside getent passwd vrlsensord >/dev/null || fail "no vrlsensord user"
since=$(now)
inside systemctl enable --now "$export_unit"
expect_serving "$since"

step "upgrade (every file replaced)"
since=$(now)
apt_get install /srv/debs/upgrade.deb
expect_serving "$since"

step reinstall
since=$(now)
apt_get install --reinstall /srv/debs/upgrade.deb
expect_serving "$since"

step remove
apt_get remove vorrel-background
expect_state vrlsensord.socket inactive
expect_state vrlsensord.service inactive
expect_state "$export_unit" inactive
inside test ! -e "$export_link" || fail "the export's link is left in node_exporter's directory"
inside test ! -e /run/com.quenmoor.vrlsensord || fail "the socket's directory is left"
eventually node_exporter_silent || fail "node_exporter still serves Vorrel readings"
echo "link gone, node_exporter silent"

step "install again"
since=$(now)
apt_get install /srv/debs/upgrade.deb
expect_state "$export_unit" enabled
expect_serving "$since"

step purge
apt_get purge vorrel-background
expect_state vrlsensord.socket inactive
expect_state "$export_unit" inactive
inside test ! -e /var/lib/vrlsensors-prometheus || fail "the export's state is left"
inside test ! -e "$export_link" || fail "the export's link is left"
inside test ! -e /etc/systemd/system/multi-user.target.wants/"$export_unit" || fail "the export's enablement is left"
inside test ! -e /etc/systemd/system/sockets.target.wants/vrlsensord.socket || fail "the socket's enablement is left"
inside getent passwd vrlsensord >/dev/null || fail "the vrlsensord user went with the purge"
echo "state and enablement gone, the vrlsensord user stays"

echo
echo "lifecycle ok"
