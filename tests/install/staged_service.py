#!/usr/bin/python3
"""Installs into a DESTDIR stage, runs the installed service the way its
installed unit says, and asks it for readings through the installed
/usr/bin/vrlsensors as an unprivileged user. Then runs the same unit without
the capabilities it names: the gate must refuse, or the test proves nothing
about them.

The stage lives in a fresh directory of its own under /tmp, which every user
can reach: the build directory may sit where uid 65534 cannot.

usage: staged_service.py CMAKE BUILD-DIR
"""
import glob
import json
import os
import pwd
import grp
import shutil
import subprocess
import sys
import tempfile
import time

CLIENT_UID = 65534
EXIT_REFUSED = 3
# Where the unit's user does not exist on this machine, a uid no one uses
# stands in for it: what matters is that it is neither root nor the client.
STAND_IN_UID = 64999


def unit_settings(path):
    """The [Service] or [Socket] assignments of a unit; a later one wins."""
    settings = {}
    section = None
    with open(path) as unit:
        for raw in unit:
            line = raw.strip()
            if line.startswith("["):
                section = line
            elif section in ("[Service]", "[Socket]") and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                settings[key] = value
    return settings


def capability_names(text):
    return [name.lower().removeprefix("cap_") for name in text.split()]


def account_ids(settings):
    user = settings.get("User", "root")
    if user == "root":
        return 0, 0
    try:
        entry = pwd.getpwnam(user)
        uid, gid = entry.pw_uid, entry.pw_gid
    except KeyError:
        uid = gid = STAND_IN_UID
    if "Group" in settings:
        try:
            gid = grp.getgrnam(settings["Group"]).gr_gid
        except KeyError:
            pass
    return uid, gid


def setpriv_command(settings, uid, gid, capabilities):
    """setpriv options equivalent to the unit's credentials and capabilities."""
    ambient = [c for c in capability_names(settings.get("AmbientCapabilities", "")) if c in capabilities]
    command = ["setpriv"]
    if uid != 0:
        command += [f"--reuid={uid}", f"--regid={gid}", "--clear-groups"]
    command.append("--bounding-set=" + ",".join(["-all"] + ["+" + c for c in capabilities]))
    command.append("--inh-caps=" + ",".join(["-all"] + ["+" + c for c in ambient]))
    if ambient:
        command.append("--ambient-caps=" + ",".join("+" + c for c in ambient))
    if settings.get("NoNewPrivileges") == "yes":
        command.append("--no-new-privs")
    return command


def wait_for_socket(path, service):
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline and service.poll() is None:
        if os.path.exists(path):
            return True
        time.sleep(0.05)
    return False


def run_client(stage, socket):
    client = os.path.join(stage, "usr/bin/vrlsensors")
    assert os.path.islink(client), f"{client} is not the link into the bundle"
    command = ["setpriv", f"--reuid={CLIENT_UID}", f"--regid={CLIENT_UID}", "--clear-groups",
               client, "--socket", socket, "--json"]
    return subprocess.run(command, capture_output=True, text=True, timeout=30)


def serve_and_ask(stage, service_unit, socket_unit, capabilities):
    settings = unit_settings(service_unit)
    uid, gid = account_ids(settings)
    executable = settings["ExecStart"].split()[0]
    run_dir = tempfile.mkdtemp(prefix="run-", dir=os.path.dirname(stage))
    os.chmod(run_dir, 0o755)
    os.chown(run_dir, uid, gid)
    socket = os.path.join(run_dir, "vrlsensord.sock")
    command = setpriv_command(settings, uid, gid, capabilities)
    command += [stage + executable, "--smc-demo", "--socket", socket]
    print("service:", " ".join(command))
    service = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        if not wait_for_socket(socket, service):
            service.kill()
            sys.exit(f"the service did not bind {socket}: {service.communicate()[1]}")
        # As the socket unit leaves it for systemd to hand over.
        os.chmod(socket, int(unit_settings(socket_unit)["SocketMode"], 8))
        return run_client(stage, socket)
    finally:
        service.terminate()
        service.wait(timeout=10)
        shutil.rmtree(run_dir, ignore_errors=True)


def staged_install(cmake, build, top):
    stage = os.path.join(top, "stage")
    subprocess.run([cmake, "--install", build], env=dict(os.environ, DESTDIR=stage),
                   check=True, stdout=subprocess.DEVNULL)
    return stage


SKIPPED = 77


def main():
    if os.geteuid() != 0:
        print("needs root: it runs the service and the client under other users")
        sys.exit(SKIPPED)
    top = tempfile.mkdtemp(prefix="vrl-install-")
    try:
        os.chmod(top, 0o755)
        check_installed_unit(staged_install(sys.argv[1], sys.argv[2], top))
    finally:
        shutil.rmtree(top, ignore_errors=True)


def check_installed_unit(stage):
    unit_dir = glob.glob(os.path.join(stage, "**/systemd/system"), recursive=True)[0]
    service_unit = os.path.join(unit_dir, "vrlsensord.service")
    socket_unit = os.path.join(unit_dir, "vrlsensord.socket")
    named = capability_names(unit_settings(service_unit).get("CapabilityBoundingSet", ""))
    print("unit:", unit_settings(service_unit).get("User", "root"), "with", named or "no capabilities")

    served = serve_and_ask(stage, service_unit, socket_unit, named)
    if served.returncode != 0:
        sys.exit(f"the installed unit's service did not serve uid {CLIENT_UID}: "
                 f"status {served.returncode}: {served.stderr}")
    readings = json.loads(served.stdout)
    if not readings:
        sys.exit("the service answered with no readings")
    print(f"served: {len(readings)} readings")

    refused = serve_and_ask(stage, service_unit, socket_unit, [])
    if refused.returncode != EXIT_REFUSED:
        sys.exit(f"without {named} the client got status {refused.returncode}, not the refusal: "
                 f"{refused.stdout}{refused.stderr}")
    print("without", named, "refused:", refused.stderr.strip())


if __name__ == "__main__":
    main()
