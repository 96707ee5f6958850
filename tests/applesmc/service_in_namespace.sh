#!/usr/bin/env bash
# The whole service on the applesmc driver: in a private mount namespace,
# /sys/devices/platform/applesmc.768 is the fake_applesmc.py file system
# serving IMAGE and /sys/class/dmi/id/product_name names the image's model;
# vrlsensord runs there with no SMC option. Its model data must equal what
# `vrlsensord --smc-image IMAGE` serves.
#
# Usage: service_in_namespace.sh VRLSENSORD VRLSENSORS FAKE_APPLESMC IMAGE
# Exit 77 (skipped) without /dev/fuse.
set -euo pipefail
sensord=$1 sensors=$2 fake=$3 image=$4

[[ -e /dev/fuse ]] || { echo "no /dev/fuse: skipped"; exit 77; }
[[ $(id -u) == 0 ]] || { echo "needs root for the mounts" >&2; exit 1; }

scratch=$(mktemp -d /tmp/applesmc-service-XXXXXX)
chmod 755 "$scratch"
fake_pid=
cleanup() {
  [[ -n $fake_pid ]] && kill "$fake_pid" 2>/dev/null && wait "$fake_pid" 2>/dev/null
  mountpoint -q "$scratch/mnt" && umount -l "$scratch/mnt"
  rm -rf "$scratch"
}
trap cleanup EXIT

mkdir "$scratch/mnt"
/usr/bin/python3 "$fake" "$image" "$scratch/mnt" 2>"$scratch/fake.log" &
fake_pid=$!
for _ in $(seq 100); do [[ -e $scratch/mnt/applesmc.768/key_count ]] && break; sleep 0.05; done
[[ -e $scratch/mnt/applesmc.768/key_count ]] || { cat "$scratch/fake.log" >&2; exit 1; }

# fetch SOCKET OUT: the model data, once the service answers with entries in
# it (the service refreshes once before it serves).
fetch() {
  for _ in $(seq 100); do
    if "$sensors" --json --socket "$1" >"$2" 2>/dev/null && [[ $(cat "$2") != "{}" ]]; then return 0; fi
    sleep 0.1
  done
  echo "no model data from $1" >&2
  return 1
}

# serve OUT ARGS...: runs vrlsensord with ARGS, fetches its model data into OUT.
serve() {
  local out=$1 socket=$scratch/$RANDOM.sock
  shift
  "$@" --socket "$socket" 2>>"$scratch/service.log" &
  local pid=$!
  local status=0
  fetch "$socket" "$out" || status=1
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  return $status
}

model=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["model"])' "$image")
serve "$scratch/simulated.json" "$sensord" --smc-image "$image"

export scratch model sensord sensors
export -f serve fetch
unshare --mount --propagation private bash -euo pipefail -c '
  mount -t tmpfs tmpfs /sys/devices/platform
  mkdir /sys/devices/platform/applesmc.768
  mount --bind "$scratch/mnt/applesmc.768" /sys/devices/platform/applesmc.768
  mount -t tmpfs tmpfs /sys/class
  mkdir -p /sys/class/dmi/id
  printf "%s\n" "$model" >/sys/class/dmi/id/product_name
  serve "$scratch/applesmc.json" "$sensord"
'

/usr/bin/python3 - "$scratch/simulated.json" "$scratch/applesmc.json" "$scratch/mnt/control" <<'PY'
import json, sys
simulated, applesmc, counters = (json.load(open(path)) for path in sys.argv[1:])
if counters["transactions"] == 0:
    sys.exit("the service never reached the fake applesmc")
if simulated != applesmc:
    print("simulated:", json.dumps(simulated, indent=1, sort_keys=True))
    print("applesmc: ", json.dumps(applesmc, indent=1, sort_keys=True))
    sys.exit("the applesmc driver's model data differs from the simulated SMC's")
print(f"{len(applesmc)} entries equal: {', '.join(sorted(applesmc))}; "
      f"{counters['accesses']} attribute accesses, {counters['transactions']} SMC transactions")
PY
