#!/usr/bin/python3
"""The Prometheus export with the real programs of Debian's packages: the
service on a simulated SMC, `vrlsensors --format=prometheus --watch` writing
into a textfile directory, node_exporter (textfile collector only) scraped by
Prometheus, and the readings asked back through Prometheus' HTTP API. Then the
service stops, and the series saying whether it answered must drop to 0
within one export period. Run as root, the exporter runs as the packaged unit
runs it: the prometheus user without capabilities.

usage: prometheus_export.py VRLSENSORD VRLSENSORS IMAGE [TEST-CLASS]
Exit 77 (skipped) where prometheus-node-exporter or prometheus is missing.
"""
import json
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

from harness import Processes, Service, free_port, measurements, require_programs, wait_until

SENSORD, CLIENT, IMAGE = sys.argv[1:4]
EXPORT_PERIOD = 2.0
SCRAPE_INTERVAL = 0.5
# What may come on top of one export period and two scrapes on a shared machine.
SCHEDULING_SLACK = 1.5


def prometheus_config(target):
    return ("global:\n"
            f"  scrape_interval: {int(SCRAPE_INTERVAL * 1000)}ms\n"
            f"  scrape_timeout: {int(SCRAPE_INTERVAL * 1000)}ms\n"
            "scrape_configs:\n"
            "  - job_name: node\n"
            "    static_configs:\n"
            f"      - targets: ['{target}']\n")


class Fixture(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="vrl-prometheus-")
        self.processes = Processes()
        self.addCleanup(shutil.rmtree, self.directory, True)
        self.addCleanup(self.processes.stop_all)
        self.image = os.path.join(self.directory, "image.json")
        shutil.copy(IMAGE, self.image)
        self.service = Service(self.processes, SENSORD, CLIENT, self.image, self.directory)

    def path(self, name):
        return os.path.join(self.directory, name)

    def log(self, name):
        handle = open(self.path(name + ".log"), "w")
        self.addCleanup(handle.close)
        return handle

    def fail_key_after_discovery(self, key):
        """The key becomes unreadable after discovery: the service's polling
        then gives its "could not be read" value."""
        with open(self.image) as f:
            image = json.load(f)
        for entry in image["keys"]:
            if entry["key"] == key:
                entry["fail"] = "read"
        with open(self.image, "w") as f:
            json.dump(image, f)
        wait_until(lambda: (self.service.model_data() or {}).get(key, {}).get("value") == -1, 20,
                   f"{key} to read -1")


class Exposition(Fixture):
    def test_promtool_accepts_the_export_answered_or_not(self):
        self.fail_key_after_discovery("TC1C")
        answered = subprocess.run([CLIENT, "--format=prometheus", "--socket", self.service.socket],
                                  capture_output=True, text=True, timeout=20)
        self.assertEqual(answered.returncode, 0, answered.stderr)
        self.service.stop()
        unanswered = subprocess.run([CLIENT, "--format=prometheus", "--socket", self.service.socket],
                                    capture_output=True, text=True, timeout=20)
        self.assertEqual(unanswered.returncode, 1)
        self.assertIn("vorrel_sensor_service_up 0\n", unanswered.stdout)
        for document in (answered.stdout, unanswered.stdout):
            check = subprocess.run(["promtool", "check", "metrics"], input=document, capture_output=True,
                                   text=True, timeout=30)
            self.assertEqual((check.returncode, check.stdout + check.stderr), (0, ""), document)
        # The title with quotes, a backslash, a line feed and NUL padding,
        # escaped as the format wants; the non-measurements are not there.
        self.assertIn('vorrel_fan_speed_rpm{key="F0Ac",title="Main \\"Exhaust\\" \\\\ Fan\\nLower"} 2000\n',
                      answered.stdout)
        # A fan standing still is a reading of 0, an alert's business.
        self.assertIn('vorrel_fan_speed_rpm{key="F1Ac",title="Right Side"} 0\n', answered.stdout)
        self.assertIn('vorrel_sensors{type="fan"} 2\n', answered.stdout)
        self.assertRegex(answered.stdout, r'\nvorrel_machine_info\{model="[^"\n]*"\} 1\n')
        for absent in ('key="TC1C"', 'key="TB0P"', 'key="TB1P"', 'vorrel_fan_max_speed_rpm{key="F1Ac"'):
            self.assertNotIn(absent, answered.stdout)


class EndToEnd(Fixture):
    def query(self, port, expression):
        url = f"http://127.0.0.1:{port}/api/v1/query?" + urllib.parse.urlencode({"query": expression})
        with urllib.request.urlopen(url, timeout=5) as reply:
            body = json.load(reply)
        self.assertEqual(body["status"], "success")
        return {tuple(sorted(r["metric"].items())): float(r["value"][1]) for r in body["data"]["result"]}

    def exporter(self, textfiles, state):
        """The export as the packaged unit runs it, where this test may: as
        the prometheus user without capabilities, into its own state
        directory, linked from a root-owned textfile directory as the unit's
        ExecStartPre links it, beside another collector's root-owned file."""
        command = [CLIENT, "--format=prometheus", f"--watch={EXPORT_PERIOD}",
                   "--output", os.path.join(state, "vorrel.prom"), "--socket", self.service.socket]
        os.mkdir(textfiles)
        with open(os.path.join(textfiles, "other.prom"), "w") as f:
            f.write("other_collector_up 1\n")
        os.symlink(os.path.join(state, "vorrel.prom"), os.path.join(textfiles, "vorrel.prom"))
        if os.geteuid() != 0:
            os.mkdir(state)
            return command
        os.chmod(self.directory, 0o755)
        subprocess.run(["install", "-d", "-o", "prometheus", "-g", "prometheus", "-m", "0755", state], check=True)
        return ["setpriv", "--reuid=prometheus", "--regid=prometheus", "--clear-groups", "--inh-caps=-all",
                "--bounding-set=-all", "--no-new-privs", *command]

    def start_pipeline(self):
        textfiles, state = self.path("textfile"), self.path("state")
        self.processes.start(self.exporter(textfiles, state), self.log("vrlsensors"))
        wait_until(lambda: os.path.exists(os.path.join(textfiles, "vorrel.prom")), 20, "the first export")
        node_port, prometheus_port = free_port(), free_port()
        self.processes.start(["prometheus-node-exporter", "--collector.disable-defaults", "--collector.textfile",
                              f"--collector.textfile.directory={textfiles}",
                              f"--web.listen-address=127.0.0.1:{node_port}"], self.log("node_exporter"))
        with open(self.path("prometheus.yml"), "w") as f:
            f.write(prometheus_config(f"127.0.0.1:{node_port}"))
        self.processes.start(["prometheus", f"--config.file={self.path('prometheus.yml')}",
                              f"--storage.tsdb.path={self.path('data')}",
                              f"--web.listen-address=127.0.0.1:{prometheus_port}"], self.log("prometheus"))
        return textfiles, state, prometheus_port

    def test_readings_reach_prometheus_and_a_stopped_service_is_an_alert(self):
        self.fail_key_after_discovery("TC1C")
        model_data = self.service.model_data()
        expected = measurements(model_data)
        textfiles, state, port = self.start_pipeline()
        families = sorted({family for family, _, _ in expected})
        selector = "{__name__=~\"" + "|".join(families) + "\"}"

        def exported():
            try:
                found = self.query(port, selector)
            except OSError:
                return None
            return found if len(found) == len(expected) else None

        found = wait_until(exported, 60, "Prometheus to hold every reading")
        by_reading = {(dict(labels)["__name__"], dict(labels)["key"], dict(labels)["title"]): value
                      for labels, value in found.items()}
        self.assertEqual(by_reading, expected)
        # Every titled temperature and fan of the image that is a measurement
        # (F1Ac stands still: its speed of 0 and its minimum).
        self.assertEqual({key for _, key, _ in expected}, {"F0Ac", "F1Ac", "TA0P", "TC0P", "TG0D", "TPCD"})
        self.assertEqual(list(self.query(port, "node_textfile_scrape_error").values()), [0.0])
        self.assertEqual(list(self.query(port, "vorrel_sensor_service_up").values()), [1.0])

        self.service.stop()
        stopped = time.monotonic()
        wait_until(lambda: list(self.query(port, "vorrel_sensor_service_up").values()) == [0.0], 30,
                   "vorrel_sensor_service_up to drop to 0")
        took = time.monotonic() - stopped
        print(f"vorrel_sensor_service_up was 0 in Prometheus {took:.2f} s after the service stopped "
              f"(export period {EXPORT_PERIOD} s, scrape interval {SCRAPE_INTERVAL} s)")
        self.assertLessEqual(took, EXPORT_PERIOD + 2 * SCRAPE_INTERVAL + SCHEDULING_SLACK)
        # Replaced by rename: no temporary file is ever left beside the export,
        # and the other collector's file is as it was.
        self.assertEqual(sorted(os.listdir(textfiles)), ["other.prom", "vorrel.prom"])
        self.assertEqual(os.listdir(state), ["vorrel.prom"])
        with open(os.path.join(textfiles, "other.prom")) as f:
            self.assertEqual(f.read(), "other_collector_up 1\n")
        written = os.stat(os.path.join(textfiles, "vorrel.prom"))
        self.assertEqual(written.st_mode & 0o777, 0o644)
        if os.geteuid() == 0:
            self.assertEqual(pwd.getpwuid(written.st_uid).pw_name, "prometheus")


if __name__ == "__main__":
    require_programs([("prometheus-node-exporter", "prometheus-node-exporter"), ("prometheus", "prometheus"),
                      ("promtool", "prometheus")])
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
