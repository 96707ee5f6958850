#!/usr/bin/python3
"""vrlupdatenotifier --check-now against the one local feed server: for each
way a check can end, the exit status and the reason on standard error, and
nothing written to standard output or announced.

usage: check_now.py HOST_BUNDLE FEED_SERVER
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

HOST_BUNDLE, FEED_SERVER = sys.argv[1:3]
NOTIFIER_IN_HOST = "Contents/Library/LoginItems/vrlupdatenotifier.app/Contents/MacOS/vrlupdatenotifier"
UP_TO_DATE, COULD_NOT_CHECK, NEWER = 0, 1, 3


def closed_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class CheckNow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = subprocess.Popen([sys.executable, FEED_SERVER], stdout=subprocess.PIPE, text=True)
        cls.base = "http://127.0.0.1:%s" % cls.server.stdout.readline().strip()
        cls.workdir = tempfile.mkdtemp(prefix="vrl-check-now-")
        cls.host = os.path.join(cls.workdir, "Example Plugins Manager.app")
        shutil.copytree(HOST_BUNDLE, cls.host)
        cls.info = os.path.join(cls.host, "Contents", "Info.plist")

    @classmethod
    def tearDownClass(cls):
        cls.server.kill()
        cls.server.wait()
        shutil.rmtree(cls.workdir)

    def write_info(self, text):
        if os.path.isdir(self.info):
            os.rmdir(self.info)
        elif os.path.exists(self.info):
            os.remove(self.info)
        if text is None:
            return
        if text == "directory":
            os.mkdir(self.info)
            return
        with open(self.info, "w", encoding="utf-8") as f:
            f.write(text)

    @staticmethod
    def plist(feed, version="130"):
        entries = "<key>CFBundleVersion</key><string>%s</string>" % version
        if feed is not None:
            entries += "<key>SUFeedURL</key><string>%s</string>" % feed
        return '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>%s</dict></plist>\n' % entries

    def check_now(self, *options):
        binary = os.path.join(self.host, NOTIFIER_IN_HOST)
        return subprocess.run([binary, "--check-now", *options], capture_output=True, text=True, timeout=60,
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))

    def test_each_outcome_has_its_status_and_reason(self):
        cases = [
            (self.plist(self.base + "/good", "200"), UP_TO_DATE, "up to date: installed version 200, newest published 200"),
            (self.plist(self.base + "/good"), NEWER, "newer version 200 published, installed version 130"),
            (self.plist("http://feed.invalid/appcast.xml"), COULD_NOT_CHECK, "host feed.invalid is unreachable"),
            (self.plist("http://127.0.0.1:%d/feed" % closed_port()), COULD_NOT_CHECK, "feed download failed: "),
            (self.plist(self.base + "/404"), COULD_NOT_CHECK, "feed download failed: HTTP status 404"),
            (self.plist(self.base + "/loop"), COULD_NOT_CHECK, "feed download failed: Maximum (5) redirects"),
            (self.plist(self.base + "/badutf8"), COULD_NOT_CHECK, "not valid UTF-8"),
            (self.plist(self.base + "/html"), COULD_NOT_CHECK, "root element is <html>, not <rss>"),
            (self.plist(self.base + "/text"), COULD_NOT_CHECK, "the feed is no appcast: it is not XML"),
            (None, COULD_NOT_CHECK, "no Info.plist at " + self.info),
            ("directory", COULD_NOT_CHECK, "cannot read the host's Info.plist: %s is a directory" % self.info),
            ("<?xml version=\"1.0\"?><plist><dict><key>SUF", COULD_NOT_CHECK, "is not a property list"),
            (self.plist(None), COULD_NOT_CHECK, 'no "SUFeedURL" in ' + self.info),
        ]
        for info, status, phrase in cases:
            with self.subTest(phrase):
                self.write_info(info)
                result = self.check_now()
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(phrase, result.stderr)
                self.assertTrue(result.stderr.startswith("vrlupdatenotifier: "), result.stderr)
                self.assertEqual(result.stdout, "")

    def test_notify_goes_only_with_check_now_and_interval_not(self):
        for args, phrase in ((["--notify"], "--notify goes only with --check-now"),
                             (["--check-now", "--interval=60"], "--interval does not go with --check-now"),
                             (["--interval=0.5"], "--interval needs a number of seconds from 1 to 2592000")):
            binary = os.path.join(self.host, NOTIFIER_IN_HOST)
            result = subprocess.run([binary, *args], capture_output=True, text=True, timeout=10)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(phrase, result.stderr)

    def test_notify_without_a_notification_service_logs_the_announcement(self):
        self.write_info(self.plist(self.base + "/good"))
        result = self.check_now("--notify")
        self.assertEqual(result.returncode, NEWER, result.stderr)
        self.assertIn("Vorrel Plugins Manager: A new version is available", result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
