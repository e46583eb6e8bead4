"""Helpers for tivaro-idle's tests: a private session bus, tivaro-idle itself, the savers it
runs (its children running `tivaro /s`) and the test's own programs on the bus and on X.
check() and finish() are the integration tests' (tests/integration/harness.py)."""
import atexit
import fcntl
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wayland"))
from harness import check, finish  # noqa: E402,F401
from sway_harness import wait_for  # noqa: E402,F401

IDLE = os.environ.get("TIVARO_IDLE_BIN", "tivaro-idle")
BUS_PEER = os.environ.get("TIVARO_BUS_PEER", "bus_peer")
HOLD_SUSPEND = os.environ.get("TIVARO_HOLD_SUSPEND", "hold_saver_suspend")
PLAIN_VIEW = os.environ.get("TIVARO_PLAIN_VIEW", "plain_view")
NO_BUS = "unix:path=/nonexistent/bus"

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path={path}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def read_line(stream, timeout):
    ready, _, _ = select.select([stream], [], [], timeout)
    return stream.readline().strip() if ready else None


class PrivateBus:
    """A session bus of the test's own (dbus-daemon with our configuration)."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tivaro-idle-bus.")
        config = os.path.join(self.folder, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(path=os.path.join(self.folder, "socket")))
        self.proc = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork",
                                      "--print-address=1"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.address = read_line(self.proc.stdout, 10)
        atexit.register(self.close)  # also when a test breaks off

    def env(self):
        """Where tivaro-idle finds this bus, and no system bus (the tests have no logind)."""
        return {"DBUS_SESSION_BUS_ADDRESS": self.address, "DBUS_SYSTEM_BUS_ADDRESS": NO_BUS}

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait()


class Peer:
    """bus_peer, hold_saver_suspend or plain_view: a program of the tests' own that holds
    something until its input ends; `first` is the first line it printed."""

    def __init__(self, program, *args, env=None):
        self.proc = subprocess.Popen([program, *args], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1,
                                     env=dict(os.environ, **(env or {})))
        self.first = read_line(self.proc.stdout, 10)

    def say(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        return read_line(self.proc.stdout, 10)

    def leave(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=10)


def savers_of(parent):
    """The pids of the children of `parent` that run `tivaro /s`."""
    found = []
    try:
        with open(f"/proc/{parent}/task/{parent}/children") as f:
            children = f.read().split()
    except OSError:
        return found
    for pid in children:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if os.path.basename(args[0]) == b"tivaro" and args[1:2] == [b"/s"] and not ended(pid):
            found.append(int(pid))
    return found


class Idle:
    """tivaro-idle, with its stderr collected."""

    def __init__(self, *args, env=None):
        self.errors = tempfile.TemporaryFile()
        # The file's offset is shared with tivaro-idle, and the test moves it as it reads:
        # each of the program's lines must land at the end whatever the offset.
        fd = self.errors.fileno()
        fcntl.fcntl(fd, fcntl.F_SETFL, fcntl.fcntl(fd, fcntl.F_GETFL) | os.O_APPEND)
        self.proc = subprocess.Popen([IDLE, *args], env=dict(os.environ, **(env or {})),
                                     stdout=subprocess.DEVNULL, stderr=self.errors)

    def savers(self):
        return savers_of(self.proc.pid)

    def wait_saver(self, timeout=15):
        return wait_for(self.savers, timeout)

    def wait_no_saver(self, timeout=10):
        return wait_for(lambda: not self.savers(), timeout)

    def stderr(self):
        self.errors.seek(0)
        return self.errors.read().decode("utf-8", "replace")

    def wait_line(self, text, timeout=10):
        return wait_for(lambda: text in self.stderr(), timeout)

    def end(self, timeout=10):
        """SIGTERM; its exit code, or None when it did not end."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None


def key_ends_saver(idle, press, tries=5):
    """Whether a key (press()) ends the saver that runs. A saver just started takes the
    keyboard a moment after its process appears; a key before that ends nothing, so the key
    is pressed again, up to `tries` times, until the saver has ended."""
    saver = idle.savers()
    for _ in range(tries):
        press()
        if wait_for(lambda: all(ended(p) for p in saver), 1.5):
            break
    return bool(saver) and all(ended(p) for p in saver) and idle.wait_no_saver()


def held_off(idle, end_saver, what, release, quiet=5):
    """While `what` holds idle off: the saver that runs is ended (end_saver(idle, check text)),
    none comes for `quiet` seconds (more than twice the wait of 2 s), and one comes once
    release() (true when it was answered) lets go."""
    end_saver(idle, f"a key ends the saver while {what}")
    time.sleep(quiet)
    check(not idle.savers(), f"no saver comes while {what} ({quiet} s, --after 2)")
    check(release(), f"the release is answered ({what})")
    check(idle.wait_saver(), f"once released, the saver comes ({what})")


def lock_ends_saver(idle, bus, press, quiet=5):
    """GNOME's screen shield going active (the session locks; a stand-in owns
    org.gnome.ScreenSaver on `bus`) ends the running saver at once; none comes while it stays
    locked, though a key (press()) was typed at the lock and the session went idle again; one
    comes after the unlock."""
    shield = Peer(BUS_PEER, "shield", env=bus.env())
    check(shield.first == "owned", f"the test owns org.gnome.ScreenSaver: {shield.first}")
    saver = idle.savers()
    check(shield.say("lock") == "sent", "ActiveChanged(true) is sent")
    check(saver and wait_for(lambda: all(ended(p) for p in saver), 10) and idle.wait_no_saver(),
          "ActiveChanged(true) ends the running saver")
    press()
    time.sleep(quiet)
    check(not idle.savers(), "no saver comes while the session is locked")
    check(shield.say("unlock") == "sent", "ActiveChanged(false) is sent")
    check(idle.wait_saver(), "after the unlock the saver comes again")
    shield.leave()


def comes_and_goes(source, shows, press):
    """The first round on any display: tivaro-idle (--after 2, on a private session bus) says
    it takes idle from `source`; with no input the saver comes and shows (shows()); a key
    (press()) ends it; idle again, a new one comes and shows. Returns (bus, tivaro-idle)."""
    bus = PrivateBus()
    idle = Idle("--after", "2", env=bus.env())
    check(idle.wait_line(f"watching idle through {source}"),
          f"tivaro-idle takes idle from {source}: {idle.stderr()!r}")
    first = idle.wait_saver()
    check(first, "with no input the saver (tivaro /s) starts, a child of tivaro-idle")
    check(first and shows(), "it shows")
    check(key_ends_saver(idle, press), "a key ends it")
    second = idle.wait_saver()
    check(second and second != first and shows(),
          f"idle again, a new saver comes and shows: {first} then {second}")
    return bus, idle


def ended(pid):
    """Whether a process is gone (or a zombie nobody reaped yet)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(")")[-1].split()[0] == "Z"
    except OSError:
        return True
