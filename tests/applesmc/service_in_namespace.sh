#!/usr/bin/env bash
# The whole service on the applesmc driver: in a private mount namespace,
# /sys/devices/platform/applesmc.768 is the fake_applesmc.py file system
# serving IMAGE and /sys/class/dmi/id/product_name names the image's model;
# vrlsensord runs there with no SMC option. Its model data must equal what
# `vrlsensord --smc-image IMAGE` serves.
#
# With --reload the driver is unloaded under the running service and loaded
# again with other readings and one key more (every index shifts): while it is
# away every entry must read as a failed read (-1, 0), the first model data
# after its return must be the new readings whole, within one refresh period,
# and equal what `vrlsensord --smc-image` serves of the new image; the files
# of the unloaded driver are met once, and a reopen tried once per refresh.
#
# With --dump, `vrlsensord --dump-image` writes the driver's SMC as an image
# there (to a file and to standard output, the same), refuses to run as
# another user than root, and the service on that image (--smc-image) must
# answer exactly what the live driver answered: the same reply payload, byte
# for byte as it came over the wire (fetched by $WIRE_REPLY, a client in a
# bundle the gate admits), and the same vrlsensors --json; the export names
# the model from DMI.
#
# Usage: service_in_namespace.sh VRLSENSORD VRLSENSORS FAKE_APPLESMC IMAGE [--reload|--dump]
# Exit 77 (skipped) without /dev/fuse.
set -euo pipefail
sensord=$1 sensors=$2 fake=$3 image=$4 mode=${5:-}

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

# serve OUT ARGS...: runs vrlsensord with ARGS, fetches its model data into
# OUT; with $during set, runs `$during SOCKET OUT` next, which fetches it again.
serve() {
  local out=$1 socket=$scratch/$RANDOM.sock
  shift
  "$@" --socket "$socket" 2>>"$scratch/service.log" &
  local pid=$!
  local status=0
  fetch "$socket" "$out" && ${during:-true} "$socket" "$out" || status=1
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  return $status
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Exported functions cannot hold here-documents: the checks are files.
cat >"$scratch/state.py" <<'PY'
import json, sys
entries = json.load(open(sys.argv[1])).values()
failed = [e["value"] == (-1 if e["type"] == "temperature" else 0) for e in entries]
sys.exit(0 if entries and all(failed) == (sys.argv[2] == "failed") else 1)
PY
cat >"$scratch/away.py" <<'PY'
import json, sys
counters, away_ms = json.load(open(sys.argv[1])), int(sys.argv[2])
refreshes = away_ms // 5000 + 2
if counters["stale"] != 1:
    sys.exit(f"{counters['stale']} accesses to the unloaded driver's files, not one")
if not 1 <= counters["refused"] <= 2 * refreshes:
    sys.exit(f"{counters['refused']} lookups while the driver was away {away_ms} ms: not one reopen a refresh")
print(f"driver away {away_ms} ms: {counters['refused']} refused lookups, {counters['stale']} stale access")
PY

# await SOCKET OUT STATE LIMIT_MS: fetches the model data into OUT until every
# entry reads as a failed read (STATE "failed") or not ("read"; entries without
# a reading, such as an unused fan's, read as failed reads at any time).
await() {
  local deadline=$(($(now_ms) + $4))
  while (($(now_ms) < deadline)); do
    "$sensors" --json --socket "$1" >"$2" 2>/dev/null && /usr/bin/python3 "$scratch/state.py" "$2" "$3" && return 0
    sleep 0.1
  done
  echo "model data not $3 within $4 ms:" >&2
  cat "$scratch/mnt/control" "$scratch/service.log" >&2
  cat "$2" >&2
  return 1
}

# reload_driver SOCKET OUT: rmmod, then modprobe with the reloaded image; OUT
# gets the first model data after the return. A refresh comes every 5 s.
# (Called where errexit is off: every failure returns.)
reload_driver() {
  echo remove >"$scratch/mnt/control"
  local removed=$(now_ms)
  await "$1" "$2" failed 6500 || return 1
  echo "return $scratch/reloaded.json" >"$scratch/mnt/control"
  local returned=$(now_ms)
  await "$1" "$2" read 6500 || return 1
  /usr/bin/python3 "$scratch/away.py" "$scratch/mnt/control" $((returned - removed))
}

model=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["model"])' "$image")
reference=$image
if [[ $mode == --reload ]]; then
  # Other readings, and a key sorted first so that every index moves.
  reference=$scratch/reloaded.json
  /usr/bin/python3 - "$image" "$reference" <<'PY'
import json, re, sys
image = json.load(open(sys.argv[1]))
for key in image["keys"]:
    if key["type"] == "sp78":
        key["bytes"] = "3a00"  # 58 degrees
    elif re.fullmatch(r"F\dAc", key["key"]):
        key["bytes"] = "2ee0"  # 3000 rpm
image["keys"].append({"key": "AAAA", "type": "ui8 ", "bytes": "01"})
json.dump(image, open(sys.argv[2], "w"))
PY
fi
serve "$scratch/simulated.json" "$sensord" --smc-image "$reference"

# wire_payload SOCKET OUT: the reply's payload as it came over the wire, in OUT.wire.
wire_payload() { "$WIRE_REPLY" "$1" >"$2.wire"; }

# dump_and_serve: the driver's SMC as an image, served again; the refusal
# without root; the model in the export.
dump_and_serve() {
  "$sensord" --dump-image="$scratch/dump.json"
  "$sensord" --dump-image >"$scratch/dump-stdout.json"
  cmp "$scratch/dump.json" "$scratch/dump-stdout.json"
  local status=0
  setpriv --reuid=nobody --regid=nogroup --clear-groups "$sensord" --dump-image="$scratch/refused.json" \
    2>"$scratch/refusal.txt" || status=$?
  [[ $status == 3 && ! -e $scratch/refused.json ]] && grep -q "must run as root" "$scratch/refusal.txt" ||
    { echo "no refusal without root (exit $status):" >&2; cat "$scratch/refusal.txt" >&2; return 1; }
  serve "$scratch/dumped.json" "$sensord" --smc-image "$scratch/dump.json"
  cmp "$scratch/applesmc.json" "$scratch/dumped.json" ||
    { echo "the dump serves other model data than the driver" >&2; diff "$scratch/applesmc.json" "$scratch/dumped.json" >&2; return 1; }
  cmp "$scratch/applesmc.json.wire" "$scratch/dumped.json.wire" ||
    { echo "the dump's reply differs on the wire from the driver's" >&2; return 1; }
  "$sensors" --format=prometheus --socket "$scratch/none.sock" >"$scratch/export.prom" 2>/dev/null || true
  grep -qxF "vorrel_machine_info{model=\"$model\"} 1" "$scratch/export.prom" ||
    { echo "the export does not name the model $model:" >&2; cat "$scratch/export.prom" >&2; return 1; }
  echo "dump of $(grep -c '"key"' "$scratch/dump.json") keys serves the driver's reply byte for byte" \
    "($(stat -c %s "$scratch/dumped.json.wire") bytes on the wire)"
}

export scratch model sensord sensors mode
export -f serve fetch now_ms await reload_driver wire_payload dump_and_serve
unshare --mount --propagation private bash -euo pipefail -c '
  mount -t tmpfs tmpfs /sys/devices/platform
  mkdir /sys/devices/platform/applesmc.768
  mount --bind "$scratch/mnt/applesmc.768" /sys/devices/platform/applesmc.768
  mount -t tmpfs tmpfs /sys/class
  mkdir -p /sys/class/dmi/id
  printf "%s\n" "$model" >/sys/class/dmi/id/product_name
  [[ $mode == --reload ]] && export during=reload_driver
  [[ $mode == --dump ]] && export during=wire_payload
  serve "$scratch/applesmc.json" "$sensord"
  if [[ $mode == --dump ]]; then dump_and_serve; fi
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
