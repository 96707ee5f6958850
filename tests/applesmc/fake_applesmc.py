#!/usr/bin/python3
"""A FUSE file system that serves an applesmc.768 device directory from an SMC
image, with the kernel driver's attribute semantics, for tests and benchmarks.

    fake_applesmc.py IMAGE MOUNTPOINT [--latency-us N] [--latency-per-byte-us N]

MOUNTPOINT/applesmc.768/ holds the six key attributes and the hwmon ones the
kernel driver adds beside them (below); MOUNTPOINT/control is the test's side
door: reading it gives the counters as JSON, writing one of these
lines changes the fake:

    reset                      zero every counter
    move KEY TIMES INDEX       after each of the next TIMES data reads of KEY,
                               select INDEX, as another process would
    latency US PER_BYTE_US     cost of one SMC transaction
    keycount N|fail|smc        key_count shows N, or fails with EIO, or is
                               read from the SMC again; the count the kernel
                               loaded with (the selection's bound) stays
    remove                     the driver is unloaded: applesmc.768 and its
                               files are gone (ENOENT), and every file opened
                               so far fails with ENODEV, for ever
    return [IMAGE]             the driver is loaded again, from IMAGE if given
                               (another key set, other values), with a fresh
                               description cache and selection

What the kernel does and this fake copies: the key count the driver loaded
with is the "#KEY" value at mount; key_count reads "#KEY" again at every read
(one transaction); one selection for the whole system; describing an index
costs two transactions the first time and none later, and a key the SMC
cannot describe fails with EIO every time (two transactions each); a data read
is one transaction. Content is made at every read at offset 0 (direct_io, so
the page cache never answers in our place). The counters also show "stale"
accesses (ENODEV through a file of an unloaded driver) and "refused" lookups
(ENOENT while the driver is away).

The hwmon attributes, as the kernel driver makes them at load: `name`
("applesmc"); per fan of "FNum", counting from 1, fanN_label ("FxID" from its
fifth byte), fanN_input, _min, _max, _safe, _output ("FxAc", "FxMn", "FxMx",
"FxSf", "FxTg": rpm, the fpe2 value shifted right by 2) and fanN_manual (bit x
of "FS! "); per "sp78" key from "T" up to "U", counting from 1, tempN_label
(the key's name, from the driver's memory) and tempN_input (millidegrees:
the first byte times 1000 plus the top two bits of the second times 250).
Every one but the labels of temperatures and `name` reads its key at every
read: one SMC transaction, at the same latency as a data read; a key the SMC
lacks fails with EIO.

Runs in the foreground until SIGTERM or SIGINT, which unmount.
"""
import argparse
import errno
import json
import stat
import sys
import threading
import time

import fusepy

DEVICE = "applesmc.768"
CONTROL = "control"
ATTRIBUTES = ("key_count", "key_at_index", "key_at_index_name", "key_at_index_type",
              "key_at_index_data_length", "key_at_index_data")
WRITABLE = "key_at_index"
MAX_DATA_LENGTH = 255  # the kernel keeps a key's length in one byte


def four_char_code(name):
    return int.from_bytes(name.encode("latin-1"), "big")


class Key:
    def __init__(self, entry):
        self.name = entry["key"]
        self.type = entry["type"]
        data = bytes.fromhex("".join(entry.get("bytes", "").split()))
        self.length = min(entry.get("size", len(data)), MAX_DATA_LENGTH)
        self.data = data[:self.length].ljust(self.length, b"\0")
        self.fail = entry.get("fail")


def load_keys(path):
    """The image's keys in key-code order, the first of a duplicate winning,
    with "#KEY" added as the count of all keys unless the image lists it."""
    with open(path, encoding="utf-8") as f:
        image = json.load(f)
    keys = {}
    for entry in image["keys"]:
        keys.setdefault(entry["key"], Key(entry))
    if "#KEY" not in keys:
        count = len(keys) + 1
        keys["#KEY"] = Key({"key": "#KEY", "type": "ui32", "bytes": count.to_bytes(4, "big").hex()})
    return sorted(keys.values(), key=lambda k: four_char_code(k.name))


def fan_speed(key):
    return lambda fs: b"%d\n" % (int.from_bytes(fs.read_key(key)[:2], "big") >> 2)


def temperature(key):
    def show(fs):
        data = fs.read_key(key)
        return b"%d\n" % (data[0] * 1000 + (data[1] >> 6) * 250 if len(data) == 2 else data[0] * 4000)
    return show


def hwmon_attributes(keys):
    """name -> what a read makes of the SMC, as the kernel driver lays them out."""
    attributes = {"name": lambda fs: b"applesmc\n"}
    by_name = {key.name: key for key in keys}
    fans = by_name["FNum"].data[0] if "FNum" in by_name and by_name["FNum"].data else 0
    for fan in range(fans):
        n = fan + 1
        attributes[f"fan{n}_label"] = lambda fs, k=f"F{fan}ID": fs.read_key(k)[4:16].rstrip(b"\0 ") + b"\n"
        for suffix, key in (("input", "Ac"), ("min", "Mn"), ("max", "Mx"), ("safe", "Sf"), ("output", "Tg")):
            attributes[f"fan{n}_{suffix}"] = fan_speed(f"F{fan}{key}")
        attributes[f"fan{n}_manual"] = \
            lambda fs, bit=fan: b"%d\n" % ((int.from_bytes(fs.read_key("FS! ")[:2], "big") >> bit) & 1)
    # The driver leaves out a key it cannot describe.
    temperatures = [key for key in keys if "T" <= key.name < "U" and key.type == "sp78" and key.fail != "info"]
    for n, key in enumerate(temperatures, 1):
        attributes[f"temp{n}_label"] = lambda fs, name=key.name: name.encode("latin-1") + b"\n"
        attributes[f"temp{n}_input"] = temperature(key.name)
    return attributes


class Counters:
    def __init__(self):
        self.reset()

    def reset(self):
        self.opens = 0
        self.reads = 0
        self.writes = 0
        self.transactions = 0
        self.selections_moved = 0
        self.stale = 0
        self.refused = 0
        self.by_attribute = {name: 0 for name in ATTRIBUTES}
        self.hwmon_reads = 0

    def as_json(self):
        return json.dumps({"opens": self.opens, "reads": self.reads, "writes": self.writes,
                           "accesses": self.reads + self.writes, "transactions": self.transactions,
                           "selections_moved": self.selections_moved, "stale": self.stale,
                           "refused": self.refused, "by_attribute": self.by_attribute,
                           "hwmon_reads": self.hwmon_reads})


class FakeAppleSmc(fusepy.Operations):
    use_ns = True

    def __init__(self, keys, latency_us, per_byte_us):
        self.load(keys)
        self.latency_us = latency_us
        self.per_byte_us = per_byte_us
        self.counters = Counters()
        self.content = {}  # file handle -> what the last read at offset 0 made
        self.next_handle = 1
        self.removed = False
        self.generation = 0  # of the loaded driver; bumped at every removal
        self.handle_generation = {}  # file handle -> generation it was opened in
        self.mutex = threading.Lock()  # the kernel's SMC mutex, and ours for everything else
        self.started = time.time_ns()

    def load(self, keys):
        """What the kernel driver sets up as it loads."""
        self.keys = keys
        self.hwmon = hwmon_attributes(keys)
        self.loaded_count = self.count_key_value()
        self.cache = {}  # index -> Key, filled at the first description
        self.selected = 0
        self.moves = {}  # key name -> [times left, index to select]
        self.key_count_shown = "smc"

    # The SMC -----------------------------------------------------------------
    def transaction(self, size):
        self.counters.transactions += 1
        cost = self.latency_us + self.per_byte_us * size
        if cost > 0:
            time.sleep(cost / 1e6)

    def count_key_value(self):
        key = next(k for k in self.keys if k.name == "#KEY")
        return int.from_bytes(key.data[:4], "big") if key.fail != "read" else 0

    def read_key_count(self):
        self.transaction(4)
        if self.key_count_shown == "fail":
            raise fusepy.FuseOSError(errno.EIO)
        if self.key_count_shown != "smc":
            return int(self.key_count_shown)
        key = next(k for k in self.keys if k.name == "#KEY")
        if key.fail == "read":
            raise fusepy.FuseOSError(errno.EIO)
        return int.from_bytes(key.data[:4], "big")

    def describe(self, index):
        if index in self.cache:
            return self.cache[index]
        self.transaction(4)  # the key at this index
        if index >= len(self.keys):
            raise fusepy.FuseOSError(errno.EIO)
        key = self.keys[index]
        self.transaction(6)  # its type and length
        if key.fail == "info":
            raise fusepy.FuseOSError(errno.EIO)
        self.cache[index] = key
        return key

    def read_data(self, index):
        key = self.describe(index)
        self.transaction(key.length)
        if key.fail == "read":
            raise fusepy.FuseOSError(errno.EIO)
        move = self.moves.get(key.name)
        if move and move[0] > 0:
            move[0] -= 1
            self.selected = move[1]
            self.counters.selections_moved += 1
        return key.data

    # Attribute contents --------------------------------------------------------
    def produce(self, name):
        if name == "key_count":
            return b"%d\n" % self.read_key_count()
        if name == "key_at_index":
            return b"%d\n" % self.selected
        if name == "key_at_index_name":
            return self.describe(self.selected).name.encode("latin-1") + b"\n"
        if name == "key_at_index_type":
            return self.describe(self.selected).type.encode("latin-1") + b"\n"
        if name == "key_at_index_data_length":
            return b"%d\n" % self.describe(self.selected).length
        if name == "key_at_index_data":
            return self.read_data(self.selected)
        if name in self.hwmon:
            return self.hwmon[name](self)
        return self.counters.as_json().encode() + b"\n"

    def read_key(self, name):
        """A key's bytes as the driver's hwmon attributes read them: found in
        the driver's cached index, then one transaction."""
        index = next((i for i, key in enumerate(self.keys) if key.name == name), None)
        if index is None:
            raise fusepy.FuseOSError(errno.EIO)
        key = self.describe(index)
        self.transaction(key.length)
        if key.fail == "read":
            raise fusepy.FuseOSError(errno.EIO)
        return key.data

    def store_selection(self, data):
        text = data.decode("latin-1")
        if text.endswith("\n"):
            text = text[:-1]
        if not text.isdigit() or int(text) >= self.loaded_count:
            raise fusepy.FuseOSError(errno.EINVAL)
        self.selected = int(text)

    def command(self, line):
        words = line.decode().split()
        if words == ["reset"]:
            self.counters.reset()
        elif len(words) == 4 and words[0] == "move":
            self.moves[words[1]] = [int(words[2]), int(words[3])]
        elif len(words) == 3 and words[0] == "latency":
            self.latency_us, self.per_byte_us = int(words[1]), int(words[2])
        elif len(words) == 2 and words[0] == "keycount" and (words[1] in ("fail", "smc") or words[1].isdigit()):
            self.key_count_shown = words[1]
        elif words == ["remove"]:
            self.removed = True
            self.generation += 1
        elif words[:1] == ["return"] and len(words) <= 2:
            self.removed = False
            self.load(load_keys(words[1]) if len(words) == 2 else self.keys)
        else:
            raise fusepy.FuseOSError(errno.EINVAL)

    # File system ---------------------------------------------------------------
    def name_of(self, path):
        parts = path.strip("/").split("/")
        if parts == [CONTROL]:
            return CONTROL
        if parts[0] == DEVICE and self.removed:
            self.refuse()
        if len(parts) == 2 and parts[0] == DEVICE and (parts[1] in ATTRIBUTES or parts[1] in self.hwmon):
            return parts[1]
        raise fusepy.FuseOSError(errno.ENOENT)

    def refuse(self):
        with self.mutex:
            self.counters.refused += 1
        raise fusepy.FuseOSError(errno.ENOENT)

    def check_current(self, path, fh):
        """A file of an unloaded driver fails with ENODEV, even once another is loaded."""
        if path.strip("/") == CONTROL:
            return
        with self.mutex:
            if self.removed or self.handle_generation.get(fh) != self.generation:
                self.counters.stale += 1
                raise fusepy.FuseOSError(errno.ENODEV)

    def getattr(self, path, fh=None):
        times = {"st_atime": self.started, "st_mtime": self.started, "st_ctime": self.started}
        if path == "/" + DEVICE and self.removed:
            self.refuse()
        if path in ("/", "/" + DEVICE):
            return dict(times, st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        name = self.name_of(path)
        mode = 0o644 if name == WRITABLE else 0o600 if name == CONTROL else 0o444
        return dict(times, st_mode=stat.S_IFREG | mode, st_nlink=1, st_size=4096)

    def readdir(self, path, fh):
        if path == "/":
            return [".", ".."] + ([] if self.removed else [DEVICE]) + [CONTROL]
        if path == "/" + DEVICE:
            return [".", ".."] + list(ATTRIBUTES) + list(self.hwmon)
        raise fusepy.FuseOSError(errno.ENOTDIR)

    def open(self, path, flags):
        name = self.name_of(path)
        with self.mutex:
            if name != CONTROL:
                self.counters.opens += 1
            self.next_handle += 1
            self.handle_generation[self.next_handle] = self.generation
            return self.next_handle

    def release(self, path, fh):
        with self.mutex:
            self.content.pop(fh, None)
            self.handle_generation.pop(fh, None)
        return 0

    def truncate(self, path, length, fh=None):
        self.name_of(path)
        return 0

    def read(self, path, size, offset, fh):
        self.check_current(path, fh)
        name = self.name_of(path)
        with self.mutex:
            if name in self.hwmon:
                self.counters.hwmon_reads += 1
            elif name != CONTROL:
                self.counters.reads += 1
                self.counters.by_attribute[name] += 1
            if offset == 0 or fh not in self.content:
                self.content[fh] = self.produce(name)
            return self.content[fh][offset:offset + size]

    def write(self, path, data, offset, fh):
        self.check_current(path, fh)
        name = self.name_of(path)
        with self.mutex:
            if name == CONTROL:
                self.command(data)
                return len(data)
            if name in self.hwmon:
                raise fusepy.FuseOSError(errno.EACCES)
            self.counters.writes += 1
            self.counters.by_attribute[name] += 1
            if name != WRITABLE:
                raise fusepy.FuseOSError(errno.EACCES)
            self.store_selection(data)
            return len(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("image")
    parser.add_argument("mountpoint")
    parser.add_argument("--latency-us", type=int, default=0)
    parser.add_argument("--latency-per-byte-us", type=int, default=0)
    args = parser.parse_args()
    fs = FakeAppleSmc(load_keys(args.image), args.latency_us, args.latency_per_byte_us)
    # allow_other with default_permissions: other users see the files with
    # their modes, as on sysfs.
    fusepy.FUSE(fs, args.mountpoint, foreground=True, direct_io=True, default_permissions=True,
                allow_other=True, fsname="fake_applesmc")
    return 0


if __name__ == "__main__":
    sys.exit(main())
