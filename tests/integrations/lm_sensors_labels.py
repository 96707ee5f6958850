#!/usr/bin/python3
"""lm-sensors labels with the real `sensors` of Debian's lm-sensors: in a
private mount namespace an emulated applesmc (the kernel's layout: readings and
`name` in /sys/devices/platform/applesmc.768, an empty hwmon directory linking
to it from /sys/class/hwmon) stands in for the driver, the service runs on the
same simulated Mac, and `vrlsensors --format=sensors-conf` writes the labels
`sensors -c` then shows.

libsensors accepts /sys only when it is a sysfs (statfs), so the real sysfs
stays and tmpfs covers only /sys/devices/platform and /sys/class.

usage: lm_sensors_labels.py VRLSENSORD VRLSENSORS IMAGE
Exit 77 (skipped) where lm-sensors is missing.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from harness import Processes, Service, require_programs

SENSORD, CLIENT, IMAGE = sys.argv[1:4]
DEVICE = "/sys/devices/platform/applesmc.768"
# The driver's temperature channels, in its key table's order. TPCD, which the
# service titles, is not among them; TZ0C, which it does not title, is.
DRIVER_TEMPERATURES = ["TA0P", "TB0P", "TB1P", "TC0P", "TC1C", "TG0D", "TZ0C"]


def sp78(hex_bytes):
    return int.from_bytes(bytes.fromhex(hex_bytes), "big", signed=True) / 256


def fpe2(hex_bytes):
    return int.from_bytes(bytes.fromhex(hex_bytes), "big") / 4


def write(path, text):
    with open(path, "w") as f:
        f.write(text + "\n")


def emulate_applesmc(image):
    """The applesmc driver's sysfs files for `image`, where the kernel puts them."""
    keys = {entry["key"]: entry["bytes"] for entry in image["keys"]}
    for mountpoint in ("/sys/devices/platform", "/sys/class"):
        subprocess.run(["mount", "-t", "tmpfs", "vrl-applesmc", mountpoint], check=True)
    hwmon = DEVICE + "/hwmon/hwmon3"
    os.makedirs(hwmon)
    os.makedirs("/sys/class/hwmon")
    os.symlink("../../../bus/platform", DEVICE + "/subsystem")
    os.symlink("../../../applesmc.768", hwmon + "/device")
    os.symlink("../../../../../class/hwmon", hwmon + "/subsystem")
    os.symlink("../../devices/platform/applesmc.768/hwmon/hwmon3", "/sys/class/hwmon/hwmon3")
    write(DEVICE + "/name", "applesmc")
    for number, key in enumerate(DRIVER_TEMPERATURES, 1):
        write(f"{DEVICE}/temp{number}_label", key)
        write(f"{DEVICE}/temp{number}_input", str(round(sp78(keys[key]) * 1000)))
    for index, place in enumerate(["Left side", "Right side"]):
        number = index + 1
        write(f"{DEVICE}/fan{number}_label", place)
        write(f"{DEVICE}/fan{number}_input", str(round(fpe2(keys[f"F{index}Ac"]))))
        write(f"{DEVICE}/fan{number}_min", str(round(fpe2(keys[f"F{index}Mn"]))))
        write(f"{DEVICE}/fan{number}_max", str(round(fpe2(keys.get(f"F{index}Mx", "0000")))))


def sensors(*args):
    run = subprocess.run(["sensors", *args], capture_output=True, text=True, timeout=30)
    if run.returncode != 0:
        raise AssertionError(f"sensors {' '.join(args)} failed: {run.stderr}")
    return run.stdout


class Labels(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="vrl-lm-sensors-")
        self.addCleanup(shutil.rmtree, self.directory, True)
        processes = Processes()
        self.addCleanup(processes.stop_all)
        self.service = Service(processes, SENSORD, CLIENT, IMAGE, self.directory)

    def test_sensors_shows_the_services_titles(self):
        before = sensors()
        print("sensors, before:\n" + before)
        self.assertIn("applesmc-isa-0300", before)
        self.assertRegex(before, r"\nTC0P: +\+49\.5°C")

        config = os.path.join(self.directory, "vorrel.conf")
        made = subprocess.run([CLIENT, "--format=sensors-conf", "--output", config, "--socket", self.service.socket],
                              capture_output=True, text=True, timeout=30)
        self.assertEqual(made.returncode, 0, made.stderr)
        self.assertEqual(made.stderr,
                         f"vrlsensors: TPCD (PCH Die) is not among the applesmc driver's temperatures in {DEVICE}; "
                         "no label for it\n")
        after = sensors("-c", config)
        print("sensors -c vorrel.conf, after:\n" + after)
        for line in (r"\nCPU Proximity: +\+49\.5°C", r"\nAmbient: +\+35\.2°C", r"\nGPU Die: +\+44\.0°C",
                     r"\nRight Side: +0 RPM +\(min = 1200 RPM, max = +0 RPM\)",
                     # The title's quotes and backslash, and its line feed, came through the file's escapes.
                     '\nMain "Exhaust" \\\\ Fan\nLower: +2000 RPM +\\(min = 1200 RPM, max = 6000 RPM\\)',
                     r"\nTZ0C: +\+47\.5°C"):
            self.assertRegex(after, line)
        # Battery 1 and 2 read -127 and -128 °C: no sensor there, so not shown; a
        # failed read (TC1C) is no reason to hide a channel.
        self.assertNotRegex(after, r"\n(TC0P|TA0P|TG0D|Left side|TB0P|TB1P|Battery 1|Battery 2):")
        self.assertRegex(after, r"\nCPU Core 1: +\+48\.0°C")


if __name__ == "__main__":
    require_programs([("sensors", "lm-sensors")])
    if os.geteuid() != 0:
        sys.exit("needs root for the mounts")
    if os.environ.get("VRL_LM_SENSORS_NAMESPACE") != "1":
        # Everything below runs in a mount namespace of its own; the mounts
        # end with it.
        os.environ["VRL_LM_SENSORS_NAMESPACE"] = "1"
        os.execvp("unshare", ["unshare", "--mount", "--propagation", "private", sys.executable, *sys.argv])
    with open(IMAGE) as f:
        emulate_applesmc(json.load(f))
    unittest.main(argv=sys.argv[:1], verbosity=2)
