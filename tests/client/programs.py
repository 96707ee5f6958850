#!/usr/bin/python3
"""The command-line convention every program keeps, checked on the built
programs, and what vrlsensors does around a real service: no escapes into a
pipe, a service that restarts under --watch, a service without sensors.

usage: programs.py VRLSENSORD VRLSENSORS VRLUPDATENOTIFIER
"""
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

SERVICE, CLIENT, NOTIFIER = sys.argv[1:4]
USAGE_ERROR = 2
NO_SENSORS = 4


def run(*command, timeout=20):
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout)


class Convention(unittest.TestCase):
    PROGRAMS = {"vrlsensord": (SERVICE, "--socket"), "vrlsensors": (CLIENT, "--watch"),
                "vrlupdatenotifier": (NOTIFIER, "--interval")}

    def test_help_version_and_usage_errors(self):
        for name, (program, value_option) in self.PROGRAMS.items():
            with self.subTest(name):
                for flag in ("-h", "--help"):
                    helped = run(program, flag)
                    self.assertEqual(helped.returncode, 0)
                    self.assertTrue(helped.stdout.startswith("Usage: " + name))
                version = run(program, "--version")
                self.assertEqual((version.returncode, version.stdout.split()[0]), (0, name))
                for args, named in ((["--bogus"], "--bogus"), ([value_option], value_option),
                                    (["--help", "stray"], "stray")):
                    failed = run(program, *args)
                    self.assertEqual(failed.returncode, USAGE_ERROR, args)
                    self.assertIn(f"'{named}'", failed.stderr)
                    self.assertIn(f"Try '{name} --help'", failed.stderr)


class Service:
    def __init__(self, directory, *options):
        self.socket = os.path.join(directory, "vrlsensord.sock")
        self.process = subprocess.Popen([SERVICE, "--socket", self.socket, *options],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while not os.path.exists(self.socket) and time.monotonic() < deadline:
            time.sleep(0.02)

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Client(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="vrl-programs-")

    def test_watch_writes_plain_json_and_outlives_a_restart(self):
        service = Service(self.directory, "--smc-demo")
        with open(os.path.join(self.directory, "out"), "w+") as out, \
                open(os.path.join(self.directory, "err"), "w+") as err:
            watcher = subprocess.Popen([CLIENT, "--socket", service.socket, "--watch=0.1", "-j"],
                                       stdout=out, stderr=err)
            time.sleep(0.5)
            service.stop()
            time.sleep(0.5)
            service = Service(self.directory, "--smc-demo")
            time.sleep(0.8)
            watcher.terminate()
            watcher.wait(timeout=10)
            service.stop()
            out.seek(0)
            err.seek(0)
            output, errors = out.read(), err.read()
        self.assertNotIn("\033", output)
        documents = list(json.JSONDecoder().raw_decode(part.strip() + "}")[0]
                         for part in output.split("\n}\n") if part.strip())
        self.assertGreater(len(documents), 4)
        self.assertTrue(all(documents))
        self.assertIn("trying again every 0.1 s", errors)
        self.assertIn("the service answers again", errors)

    def test_no_sensors_has_its_own_status(self):
        image = os.path.join(self.directory, "image.json")
        with open(image, "w") as f:
            json.dump({"model": "MacBookPro11,1", "unavailable": True, "keys": []}, f)
        service = Service(self.directory, "--smc-image", image)
        try:
            table = run(CLIENT, "--socket", service.socket)
            as_json = run(CLIENT, "-s", service.socket, "--json")
        finally:
            service.stop()
        self.assertEqual((table.returncode, table.stdout), (NO_SENSORS, ""))
        self.assertIn("no sensors found", table.stderr)
        # The likely cause, and where the service said why.
        self.assertIn("applesmc driver is missing (not an Intel Mac, or the module is not loaded", table.stderr)
        self.assertIn("journalctl -u vrlsensord", table.stderr)
        self.assertEqual((as_json.returncode, json.loads(as_json.stdout)), (NO_SENSORS, {}))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
