"""What the integration tests share: the service on a simulated SMC, the
programs of the Debian packages we feed, free ports, waiting with a bound."""
import json
import os
import shutil
import socket
import subprocess
import sys
import time

SKIPPED = 77


def require_programs(programs):
    """Skips the whole test (exit 77) where a Debian package is missing."""
    for program, package in programs:
        if shutil.which(program) is None:
            print(f"skipped: {program} is missing: install the Debian package {package} "
                  "(bash scripts/install-deps does)")
            sys.exit(SKIPPED)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError(f"timed out after {timeout} s waiting for {what}")


class Processes:
    """Every process a test starts, ended by its id when the test ends."""

    def __init__(self):
        self.running = []

    def start(self, command, log):
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT)
        self.running.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def stop_all(self):
        for process in reversed(self.running):
            self.stop(process)


class Service:
    """vrlsensord on an SMC image, with its socket in `directory`."""

    def __init__(self, processes, sensord, client, image, directory):
        self.processes, self.client = processes, client
        self.socket = os.path.join(directory, "vrlsensord.sock")
        with open(os.path.join(directory, "vrlsensord.log"), "w") as log:
            self.process = processes.start([sensord, "--smc-image", image, "--socket", self.socket], log)
        wait_until(lambda: self.model_data(), 20, "the service's first reply")

    def model_data(self):
        """The model data as the service sent it, or None."""
        run = subprocess.run([self.client, "--json", "--socket", self.socket], capture_output=True, text=True,
                             timeout=20)
        return json.loads(run.stdout) if run.returncode == 0 else None

    def stop(self):
        self.processes.stop(self.process)


def measurements(model_data):
    """What an export must show, by the rules a dashboard wants: no -1 or
    -127 and below for temperatures, no negative fan speed (a stopped fan's 0
    rpm is one), no unread limits; titles
    without the SMC's NUL padding. {(family, key, title): value}"""
    expected = {}
    for key, entry in model_data.items():
        title, value = entry["title"].replace("\0", ""), entry["value"]
        if entry["type"] == "temperature" and value != -1 and value > -127:
            expected[("vorrel_temperature_celsius", key, title)] = value
        if entry["type"] == "fans":
            if value >= 0:
                expected[("vorrel_fan_speed_rpm", key, title)] = value
            if entry["minvalue"] >= 0:
                expected[("vorrel_fan_min_speed_rpm", key, title)] = entry["minvalue"]
            if entry["maxvalue"] > 0:
                expected[("vorrel_fan_max_speed_rpm", key, title)] = entry["maxvalue"]
    return expected
