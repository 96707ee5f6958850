#!/usr/bin/python3
"""The command-line convention every program keeps, checked on the built
programs, and what vrlsensors does around a real service: no escapes into a
pipe, a service that restarts under --watch, a service without sensors.

usage: programs.py VRLSENSORD VRLSENSORS VRLUPDATENOTIFIER
"""
import json
import os
import signal
import stat
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


def snapshot(path):
    """What a file is and holds, to show a refusal left it alone."""
    status = os.lstat(path)
    content = None
    if stat.S_ISREG(status.st_mode):
        with open(path, "rb") as f:
            content = f.read()
    elif stat.S_ISDIR(status.st_mode):
        content = sorted(os.listdir(path))
    return (stat.S_IFMT(status.st_mode), stat.S_IMODE(status.st_mode), status.st_ino, content)


class BadArgumentsAndFiles(unittest.TestCase):
    """Per program, each bad argument or file: its exit status, a phrase of
    its message, and that no file was touched. Every row must end at once:
    none may hang on a FIFO or read a device without end."""

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="vrl-bad-")
        self.files = {}
        self.make("fifo", lambda path: os.mkfifo(path))
        self.make("directory", lambda path: os.mkdir(path))
        if os.geteuid() == 0:
            self.make("null", lambda path: os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, 3)))
        self.make("twice", lambda path: self.write(path, {"keys": [
            {"key": "TC0P", "type": "sp78", "bytes": "2f80"}, {"key": "TC0P", "type": "sp78", "bytes": "3000"}]}))
        self.make("misspelt", lambda path: self.write(path, {"keys": [
            {"key": "TC0P", "type": "sp78", "byte": "2f80"}]}))

    def make(self, name, create):
        path = os.path.join(self.directory, name)
        create(path)
        self.files[name] = path

    @staticmethod
    def write(path, image):
        with open(path, "w") as f:
            json.dump(image, f)

    def check_rows(self, program, rows, env=None):
        before = {name: snapshot(path) for name, path in self.files.items()}
        for args, status, phrase in rows:
            args = [a.format(**self.files) if "{" in a else a for a in args]
            with self.subTest(" ".join(args)):
                result = subprocess.run([program, *args], capture_output=True, text=True, timeout=10,
                                        env=dict(os.environ, **(env or {})))
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(phrase, result.stderr)
                self.assertEqual({name: snapshot(path) for name, path in self.files.items()}, before)
                self.assertEqual(sorted(os.listdir(self.directory)), sorted(self.files))

    def test_vrlsensord(self):
        long_socket = os.path.join(self.directory, "s" * 110)
        rows = [
            (["--socket", long_socket], 1, "%s is %d bytes long; a Unix socket path holds at most 107" % (
                long_socket, len(long_socket))),
            (["--smc-demo", "--socket", long_socket], 1, "holds at most 107"),
            (["--smc-image", "{fifo}", "--socket", long_socket], 1, "is a FIFO, not a regular file"),
            (["--smc-image", "{directory}"], 1, "is a directory, not a regular file"),
            (["--smc-image", "/dev/zero"], 1, "/dev/zero is a character device, not a regular file"),
            (["--smc-image", "{twice}"], 1, 'key "TC0P" listed twice, in keys[0] and keys[1]'),
            (["--smc-image", "{misspelt}"], 1, 'keys[0] ("TC0P"): unknown field "byte"'),
            (["--smc-image", "{directory}/missing.json"], 1, "No such file or directory"),
            (["--smc-image", "--socket", long_socket], 2, "option '--smc-image' needs a value"),
            (["--socket", "--smc-demo"], 2, "option '--socket' needs a value"),
        ]
        self.check_rows(SERVICE, rows)

    def test_vrlsensors(self):
        nowhere = ["-f", "prometheus", "--socket", os.path.join(self.directory, "none.sock")]
        rows = [
            (nowhere + ["--output", "{fifo}"], 1, "it is a FIFO, not a regular file"),
            (nowhere + ["--output", "{directory}"], 1, "it is a directory, not a regular file"),
            (["--watch=99999999999999999999"], 2, "--watch needs a number of seconds from 0.1 to 86400"),
            (["--watch=0.0000001"], 2, "from 0.1 to 86400, not '0.0000001'"),
            (["--output", "--json"], 2, "option '--output' needs a value"),
        ]
        if os.geteuid() == 0:
            rows.append((nowhere + ["--output", "{null}"], 1, "it is a character device, not a regular file"))
        self.check_rows(CLIENT, rows)

    def test_vrlupdatenotifier(self):
        rows = [
            (["--interval=0.000001"], 2, "--interval needs a number of seconds from 1 to 2592000"),
            (["--interval=99999999999999999999"], 2, "from 1 to 2592000, not '99999999999999999999'"),
            (["--interval", "--check-now"], 2, "option '--interval' needs a value"),
            (["--notify"], 2, "--notify goes only with --check-now"),
        ]
        self.check_rows(NOTIFIER, rows)


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

    def test_sighup_stops_the_service_as_sigterm_does(self):
        service = Service(self.directory, "--smc-demo")
        self.assertTrue(os.path.exists(service.socket))
        service.process.send_signal(signal.SIGHUP)
        self.assertEqual(service.process.wait(timeout=10), 0)
        self.assertFalse(os.path.exists(service.socket))

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
