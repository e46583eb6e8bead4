"""tivaro-idle on X11 (Xvfb, the MIT-SCREEN-SAVER extension): its command line; with no input
the saver (the build's tivaro /s, a child of tivaro-idle) comes and shows its window, a key
ends it, idle again it comes back; a program holding the server's saver off
(XScreenSaverSuspend) keeps it away until it lets go; the session locking ends it and keeps
it away until the unlock; SIGTERM ends tivaro-idle and its saver;
where the X screen-saver daemon runs it refuses; --install and --uninstall against a home of
the test's own, twice each (the second changes nothing), the one --install starts working
without a session bus; the X server's death ends it with one line."""
import os
import signal
import subprocess
import sys
import tempfile
import time

from idle_harness import (HOLD_SUSPEND, IDLE, NO_BUS, Idle, Peer, check, comes_and_goes, ended,
                          finish, key_ends_saver, lock_ends_saver, read_line, savers_of,
                          wait_for)
from harness import find_window, xdotool

QUIET = 5  # seconds without a saver that show it is held off (more than twice the wait)

runtime = tempfile.mkdtemp(prefix="tivaro-idle-runtime.")
os.chmod(runtime, 0o700)
os.environ["XDG_RUNTIME_DIR"] = runtime
os.environ.pop("WAYLAND_DISPLAY", None)
os.environ.pop("XDG_CONFIG_HOME", None)


def idle_run(*args, env=None):
    proc = subprocess.run([IDLE, *args], capture_output=True, text=True, timeout=30,
                          env=dict(os.environ, **(env or {})))
    return proc.returncode, proc.stdout, proc.stderr


def press():
    xdotool("key", "a")  # through XTEST: input the server counts


def saver_window():
    """Whether the saver's window shows (it takes keys once it does)."""
    return find_window("Tivaro_Main", timeout=10) is not None


def one_line(text):
    return text.startswith("tivaro-idle: ") and text.count("\n") == 1 and text.endswith("\n")


# The command line.
for args in (["--after", "0"], ["--after", "86401"], ["--after", "2x"], ["--after"],
             ["--frobnicate"], ["--install", "--uninstall"]):
    code, out, err = idle_run(*args)
    check(code == 2 and one_line(err) and not out, f"{args}: status 2 and one line: {code} {err!r}")
code, out, err = idle_run("--help")
saver = os.path.join(os.path.dirname(os.path.realpath(IDLE)), "tivaro")
check(code == 0 and out.startswith("Usage: tivaro-idle") and f"{saver} /s" in out,
      f"--help gives the usage and names the saver beside it ({saver}): {out!r}")
code, out, err = idle_run(env={"DISPLAY": ""})
check(code == 1 and one_line(err) and "no display" in err, f"no display: status 1: {err!r}")

# The saver comes, shows its window and goes with a key; idle again, it comes back.
bus, idle = comes_and_goes("the X server's MIT-SCREEN-SAVER extension", saver_window, press)

# XScreenSaverSuspend held by another client.
hold = Peer(HOLD_SUSPEND)
check(hold.first == "held", f"the test holds the server's saver off: {hold.first}")
check(key_ends_saver(idle, press),
      "a key ends the saver while the server's saver is held off")
time.sleep(QUIET)
check(not idle.savers(), f"no saver comes while XScreenSaverSuspend holds ({QUIET} s, --after 2)")
hold.leave()
check(idle.wait_saver() and saver_window(), "once the holder lets go, the saver comes")

# The session locks (GNOME's screen shield, on X11 as on Wayland): the saver ends at once,
# and none comes until the unlock.
lock_ends_saver(idle, bus, press, QUIET)

# SIGTERM ends tivaro-idle and the saver it runs.
saver_pids = idle.savers()
code = idle.end()
check(code == 0 and saver_pids and all(ended(p) for p in saver_pids),
      f"SIGTERM ends tivaro-idle (status {code}) and its saver {saver_pids}")
bus.close()

# Where the X screen-saver daemon runs (its mark on the root window), tivaro-idle refuses.
subprocess.run(["xprop", "-root", "-f", "_SCREENSAVER_VERSION", "8s", "-set",
                "_SCREENSAVER_VERSION", "6.06"], check=True)
code, _, err = idle_run(env={"DBUS_SESSION_BUS_ADDRESS": NO_BUS})
check(code == 1 and "the X screen-saver daemon runs in this session" in err and
      one_line(err), f"the daemon's mark: status 1 and one line: {code} {err!r}")
subprocess.run(["xprop", "-root", "-remove", "_SCREENSAVER_VERSION"], check=True)

# --install and --uninstall, twice each, in a home of the test's own; no session bus.
home = tempfile.mkdtemp(prefix="tivaro-idle-home.")
env = {"HOME": home, "DBUS_SESSION_BUS_ADDRESS": NO_BUS, "DBUS_SYSTEM_BUS_ADDRESS": NO_BUS}
entry = os.path.join(home, ".config", "autostart", "tivaro-idle.desktop")
code, out, err = idle_run("--install", "--after", "2", env=env)
check(code == 0 and one_line(out) and f"wrote {entry}; started tivaro-idle (pid" in out,
      f"--install writes the entry and starts tivaro-idle: {out!r} {err!r}")
text = open(entry).read() if os.path.exists(entry) else ""
lines = text.splitlines()
check(lines[:1] == ["[Desktop Entry]"] and "Type=Application" in lines and
      f"Exec={os.path.realpath(IDLE)} --after 2" in lines and "X-GNOME-Autostart-enabled=true" in lines and
      "NoDisplay=true" in lines and any(line.startswith("Name=") for line in lines),
      f"the entry starts this tivaro-idle by its absolute path: {text!r}")
pid = int(out.split("(pid ")[1].split(")")[0]) if "(pid " in out else 0
check(pid and os.path.realpath(f"/proc/{pid}/exe") == os.path.realpath(IDLE),
      "the pid it names is a tivaro-idle")
check(wait_for(lambda: savers_of(pid), 15),
      "that tivaro-idle, without a session bus, runs the saver all the same")
before = os.stat(entry).st_mtime_ns
code, out, err = idle_run("--install", "--after", "2", env=env)
check(code == 0 and one_line(out) and out.startswith("tivaro-idle: already installed") and
      f"(pid {pid})" in out and os.stat(entry).st_mtime_ns == before,
      f"--install again changes nothing: {out!r}")
code, out, err = idle_run("--uninstall", env=env)
check(code == 0 and one_line(out) and f"removed {entry}; stopped tivaro-idle (pid {pid})" in out,
      f"--uninstall removes the entry and stops it: {out!r} {err!r}")
check(not os.path.exists(entry) and wait_for(lambda: ended(pid), 10),
      "the entry is gone and so is that tivaro-idle")
code, out, err = idle_run("--uninstall", env=env)
check(code == 0 and one_line(out) and out.startswith("tivaro-idle: already uninstalled"),
      f"--uninstall again changes nothing: {out!r}")
config = os.path.join(home, "elsewhere")
code, out, _ = idle_run("--install", env=dict(env, XDG_CONFIG_HOME=config))
check(code == 0 and os.path.exists(os.path.join(config, "autostart", "tivaro-idle.desktop")) and
      not os.path.exists(entry), f"XDG_CONFIG_HOME is honoured: {out!r}")
idle_run("--uninstall", env=dict(env, XDG_CONFIG_HOME=config))

# The X server dies under it: one line, status 1, the saver gone.
read_end, write_end = os.pipe()
server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen",
                           "0", "640x480x24"], pass_fds=(write_end,),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(write_end)
number = read_line(os.fdopen(read_end), 20)
idle = Idle("--after", "2", env={"DISPLAY": f":{number}", "DBUS_SESSION_BUS_ADDRESS": NO_BUS,
                                 "DBUS_SYSTEM_BUS_ADDRESS": NO_BUS})
check(idle.wait_saver(), f"on a second server (:{number}) the saver comes too")
saver_pids = idle.savers()
server.send_signal(signal.SIGKILL)
server.wait()
try:
    code = idle.proc.wait(timeout=10)
except subprocess.TimeoutExpired:
    code = None
check(code == 1 and "tivaro-idle: the X server went away\n" in idle.stderr(),
      f"the X server killed: status 1 and one line: {code} {idle.stderr()!r}")
check(wait_for(lambda: all(ended(p) for p in saver_pids), 10), "and its saver has ended")
idle.end()
finish()
