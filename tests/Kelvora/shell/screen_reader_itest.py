#!/usr/bin/python3
"""A screen reader's use of Tizara, end to end: `kelvora` started as a user starts it, on a
private X server and session bus with the accessibility bus that Orca talks to, its pop-over's
"Grabar clase" button found over AT-SPI by role and name and pressed through its "Press"
action, which starts a recording; "Detener grabación" then stops it the same way.

Usage: screen_reader_itest.py KELVORA
"""

import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PATIENCE = 120  # seconds; a sanitized build starts slowly on a busy machine


def eventually(condition, what):
    deadline = time.monotonic() + PATIENCE
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError(f"gave up waiting for {what}")


def start_x_server(children):
    """A private Xvfb on a display number it picks itself, reported once it listens, so that
    parallel tests never race for one. It never resets: a connection made while it resets after
    its last client left would be refused."""
    read_end, write_end = os.pipe()
    children.append(subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset",
                                      "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                     pass_fds=(write_end,), stderr=subprocess.DEVNULL))
    os.close(write_end)
    with os.fdopen(read_end) as reported:
        number = reported.readline().strip()
    if not number:
        raise AssertionError("Xvfb did not report a display")
    return f":{number}"


def meeting_states(meetings):
    states = []
    for record in meetings.glob("*/meeting.json"):
        try:
            states.append(json.loads(record.read_text())["state"])
        except (ValueError, KeyError):
            pass  # caught between writes
    return states


def find_button(pyatspi, name):
    """The first push button of the desktop's applications with this accessible name."""
    def walk(node, depth=0):
        if node is None or depth > 40:
            return None
        try:
            if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name == name:
                return node
            for index in range(node.childCount):
                found = walk(node.getChildAtIndex(index), depth + 1)
                if found:
                    return found
        except Exception:  # an element that went away while being read
            return None
        return None

    return walk(pyatspi.Registry.getDesktop(0))


def press(button):
    actions = button.queryAction()
    names = [actions.getName(index) for index in range(actions.nActions)]
    assert "Press" in names, f"{button.name!r} offers {names}"
    actions.doAction(names.index("Press"))


def main():
    kelvora = sys.argv[1]
    root = pathlib.Path(tempfile.mkdtemp(prefix="kelvora-a11y-"))
    children = []
    try:
        for folder in ("home", "runtime", "config/screen-reader", "data", "cache", "meetings"):
            (root / folder).mkdir(parents=True)
        (root / "runtime").chmod(0o700)
        # Past onboarding, so the pop-over is the first thing shown.
        (root / "config/screen-reader/preferences.json").write_text(
            json.dumps({"v2.consentAcknowledged": True}))
        display = start_x_server(children)
        env = dict(os.environ,
                   HOME=str(root / "home"), XDG_RUNTIME_DIR=str(root / "runtime"),
                   XDG_CONFIG_HOME=str(root / "config"), XDG_DATA_HOME=str(root / "data"),
                   XDG_CACHE_HOME=str(root / "cache"), KELV_MEETINGS_DIR=str(root / "meetings"),
                   KELV_DEFAULTS_SUITE="screen-reader", KELV_FAKE_CAPTURE="1",
                   KELV_MODEL_BASE_URL="http://127.0.0.1:9", DISPLAY=display,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   NO_AT_BRIDGE="0")
        env.pop("WAYLAND_DISPLAY", None)
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], env=env, capture_output=True, text=True,
                             check=True).stdout.split()
        env["DBUS_SESSION_BUS_ADDRESS"], bus_pid = bus[0], int(bus[1])
        children.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher",
                                          "--launch-immediately"], env=env,
                                         stderr=subprocess.DEVNULL))
        log = open(root / "kelvora.log", "w")
        app = subprocess.Popen([kelvora], env=env, stdout=log, stderr=subprocess.STDOUT)
        children.append(app)

        # pyatspi finds the accessibility bus through the session bus it is started on.
        os.environ.update(DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=env["DBUS_SESSION_BUS_ADDRESS"])
        import pyatspi

        record = eventually(lambda: find_button(pyatspi, "Grabar clase"), '"Grabar clase"')
        press(record)
        eventually(lambda: meeting_states(root / "meetings") == ["recording"],
                   "a recording after pressing \"Grabar clase\"")

        stop = eventually(lambda: find_button(pyatspi, "Detener grabación"),
                          '"Detener grabación"')
        press(stop)
        eventually(lambda: meeting_states(root / "meetings") not in ([], ["recording"]),
                   "the recording's end after pressing \"Detener grabación\"")
        assert app.poll() is None, (root / "kelvora.log").read_text()
        print("pressed through AT-SPI: a recording started and stopped")
        return 0
    except AssertionError as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        print((root / "kelvora.log").read_text() if (root / "kelvora.log").exists() else "",
              file=sys.stderr)
        return 1
    finally:
        for child in reversed(children):
            child.send_signal(signal.SIGTERM)
            try:
                child.wait(timeout=30)
            except subprocess.TimeoutExpired:
                child.kill()
        if "bus_pid" in locals():
            os.kill(bus_pid, signal.SIGTERM)
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
