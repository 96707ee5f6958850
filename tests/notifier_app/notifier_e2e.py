#!/usr/bin/python3
"""End-to-end run of the real vrlupdatenotifier inside a copied host bundle.

Run without --inside: re-runs itself under dbus-run-session with a private
session bus (no activatable services, so "no notification service" really
means none). Inside: serves feeds from 127.0.0.1, starts python3-dbusmock's
notification_daemon template where a scenario needs it, and checks what the
notifier logs and which notifications reach the mock.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

import dbus
import dbusmock

FEED_SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "feed_server.py")
NOTIFIER_IN_HOST = "Contents/Library/LoginItems/vrlupdatenotifier.app/Contents/MacOS/vrlupdatenotifier"
LOG_LINE = "Cannot check Vorrel Plugins Manager updates status"
INTERVAL = "1"  # ticks every second; the first check comes on the second tick

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


class FeedServer:
    """The shared feed server's scripted feed: the n-th request answers
    script[n] (a version, or an HTTP status), the last one over and over."""

    def __init__(self, script):
        self.process = subprocess.Popen([sys.executable, FEED_SERVER], stdout=subprocess.PIPE, text=True)
        self.port = int(self.process.stdout.readline())
        answers = ",".join("status%d" % a if isinstance(a, int) else a for a in script)
        self.ident = "e2e%d" % id(self)
        self.path = "/script/%s/%s" % (self.ident, answers)

    @property
    def url(self):
        return "http://127.0.0.1:%d%s/app cast.xml" % (self.port, self.path)

    @property
    def request_times(self):
        with urllib.request.urlopen("http://127.0.0.1:%d/requests/%s" % (self.port, self.ident), timeout=5) as r:
            return json.load(r)

    def stop(self):
        self.process.kill()
        self.process.wait()


def write_info(path, entries):
    body = "".join("<key>%s</key><string>%s</string>" % kv for kv in entries.items())
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>%s</dict></plist>\n' % body)


class Notifier:
    """The real binary in a private copy of the host bundle."""

    def __init__(self, host_bundle, workdir, info, env=None):
        host = os.path.join(workdir, "Example Plugins Manager.app")
        shutil.copytree(host_bundle, host)
        write_info(os.path.join(host, "Contents", "Info.plist"), info)
        binary = os.path.join(host, NOTIFIER_IN_HOST)
        self.stderr_path = os.path.join(workdir, "stderr.txt")
        self.stderr = open(self.stderr_path, "w")
        full_env = dict(os.environ, LANG="C.UTF-8", LC_ALL="", LC_MESSAGES="")
        full_env.update(env or {})
        self.process = subprocess.Popen([binary, "--interval", INTERVAL], stderr=self.stderr, env=full_env)

    def log_lines(self):
        """The lines the system logs at its fixed points; causes are debug lines."""
        return [line for line in self.all_lines() if not line.startswith("debug: ")]

    def debug_lines(self):
        return [line for line in self.all_lines() if line.startswith("debug: ")]

    def all_lines(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = self.process.wait()
        self.stderr.close()
        return status


class MockNotifications:
    def __init__(self):
        self.process, self.obj = dbusmock.DBusTestCase.spawn_server_template(
            "notification_daemon", {}, stdout=subprocess.DEVNULL)
        self.mock = dbus.Interface(self.obj, dbusmock.MOCK_IFACE)

    def notify_calls(self):
        return [(float(t), [a for a in args]) for t, name, args in self.mock.GetCalls() if name == "Notify"]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def wait_until(predicate, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def notifications_per_check(mock, feed, checks, timeout):
    """How many notifications each of the first checks produced. The count is
    read half a tick after each feed request: a check ends within
    milliseconds of its request, and the next one is a whole tick later."""
    counts_after = [0]
    deadline = time.time() + timeout
    while len(counts_after) <= checks and time.time() < deadline:
        if len(feed.request_times) >= len(counts_after):
            wake = feed.request_times[len(counts_after) - 1] + float(INTERVAL) / 2
            time.sleep(max(0.0, wake - time.time()))
            counts_after.append(len(mock.notify_calls()))
        time.sleep(0.02)
    return [b - a for a, b in zip(counts_after, counts_after[1:])]


def scenario_versions(host_bundle, mock):
    # The check after the 404 (the seventh) shows the cycle runs again.
    script = ["135", "135", "135", "140", "135", 404, "135"]
    feed = FeedServer(script)
    with tempfile.TemporaryDirectory() as workdir:
        notifier = Notifier(host_bundle, workdir, {"SUFeedURL": feed.url, "CFBundleVersion": "130"})
        counts = notifications_per_check(mock, feed, len(script), 20)
        status = notifier.stop()
        feed.stop()
        check(counts == [0, 1, 0, 1, 0, 0, 0], "notifications per check 135,135,135,140,135,404,135: %s" % counts)
        calls = mock.notify_calls()
        if calls:
            args = calls[0][1]
            check(str(args[0]) == "vrlupdatenotifier" and int(args[1]) == 0 and str(args[2]) == "software-update-available",
                  "app name, replaces id and icon")
            check(str(args[3]) == "Vorrel Plugins Manager" and str(args[4]) == "A new version is available",
                  "summary and body")
            check(len(args[5]) == 2 and str(args[5][0]) == "default", "one default action")
            check(str(args[6].get("sound-name", "")) == "message-new-instant", "sound hint")
            check(str(args[6].get("desktop-entry", "")) == "vrlupdatenotifier", "desktop-entry hint")
            check(int(args[7]) == -1, "server's default expiry")
        check(notifier.log_lines() == [LOG_LINE], "the 404 alone is logged: %s" % notifier.log_lines())
        check(any("HTTP status 404" in line for line in notifier.debug_lines()),
              "the 404's status is a debug cause: %s" % notifier.debug_lines())
        check(status == 0, "SIGTERM ends the notifier with status 0 (got %s)" % status)


def scenario_no_feed_address(host_bundle, mock):
    before = len(mock.notify_calls())
    with tempfile.TemporaryDirectory() as workdir:
        notifier = Notifier(host_bundle, workdir, {"CFBundleVersion": "130"})
        logged = wait_until(lambda: len(notifier.log_lines()) >= 3, 10)
        status = notifier.stop()
        lines = notifier.log_lines()
        check(logged and set(lines) == {LOG_LINE}, "without SUFeedURL every check logs and nothing else: %s" % lines)
        check(any('"SUFeedURL"' in line for line in notifier.debug_lines()),
              "the missing SUFeedURL is a debug cause: %s" % notifier.debug_lines())
        check(len(mock.notify_calls()) == before, "without SUFeedURL nothing is announced")
        check(status == 0, "exit status 0")


def scenario_unreachable_feed(host_bundle, mock):
    closed = FeedServer(["135"])
    url = closed.url
    closed.stop()  # nothing listens on that port any more
    before = len(mock.notify_calls())
    with tempfile.TemporaryDirectory() as workdir:
        notifier = Notifier(host_bundle, workdir, {"SUFeedURL": url, "CFBundleVersion": "130"})
        logged = wait_until(lambda: len(notifier.log_lines()) >= 2, 10)
        notifier.stop()
        lines = notifier.log_lines()
        check(logged and set(lines) == {LOG_LINE}, "an unreachable feed logs at every check: %s" % lines)
        check(len(mock.notify_calls()) == before, "an unreachable feed announces nothing")


def scenario_no_notification_service(host_bundle):
    feed = FeedServer(["135"])
    with tempfile.TemporaryDirectory() as workdir:
        notifier = Notifier(host_bundle, workdir, {"SUFeedURL": feed.url, "CFBundleVersion": "130"},
                            env={"LANG": "de_DE.UTF-8"})
        wait_until(lambda: len(feed.request_times) >= 3, 10)
        time.sleep(0.5)
        notifier.stop()
        feed.stop()
        lines = notifier.log_lines()
        check(lines == ["Vorrel Plugins Manager: Eine neue Version ist verfügbar"],
              "without a notification service the German text is logged once: %s" % lines)


def check_arguments(host_bundle):
    binary = os.path.join(host_bundle, NOTIFIER_IN_HOST)

    def run(*args):
        return subprocess.run([binary, *args], capture_output=True, text=True, timeout=10)

    shown = run("--help")
    check(shown.returncode == 0 and "--interval=SECONDS" in shown.stdout, "--help shows the usage")
    check(run("--version").returncode == 0, "--version")
    for bad in (["--interval"], ["--interval", "0"], ["--interval", "-3"], ["--interval", "1x"],
                ["--interval", "nan"], ["--bogus"]):
        result = run(*bad)
        check(result.returncode == 2 and "vrlupdatenotifier:" in result.stderr, "rejects %s with status 2" % bad)


def inside(host_bundle):
    check_arguments(host_bundle)
    mock = MockNotifications()
    try:
        scenario_versions(host_bundle, mock)
        scenario_no_feed_address(host_bundle, mock)
        scenario_unreachable_feed(host_bundle, mock)
    finally:
        mock.stop()
    scenario_no_notification_service(host_bundle)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("host_bundle")
    parser.add_argument("--inside", action="store_true")
    args = parser.parse_args()
    if args.inside:
        return inside(args.host_bundle)
    with tempfile.NamedTemporaryFile("w", suffix=".conf") as config:
        config.write(BUS_CONFIG)
        config.flush()
        return subprocess.call(["dbus-run-session", "--config-file=" + config.name, "--",
                                sys.executable, os.path.abspath(__file__), "--inside", args.host_bundle])


if __name__ == "__main__":
    sys.exit(main())
