""""On resume, display logon screen" under headless sway: within the grace period a key ends
the saver and nothing locks; past it, a lock that never comes keeps the saver up with one line;
with no lock command, logind's Lock is asked for (a stand-in on a private system bus) and the
saver stays through its Lock signal until LockedHint says the lock is there; with swaylock as
the lock command, the lock comes first and only then do the saver's surfaces go, as the two
programs' own protocol traces show."""
import os
import re
import signal
import subprocess
import tempfile
import time

from idle_harness import (Idle, Peer, PrivateBus, check, ended, finish, read_line,  # noqa: E402
                          wait_for)
from sway_harness import OBJ, hold_keyboard, layer_surfaces, wtype  # noqa: E402

home = tempfile.mkdtemp(prefix="tivaro-lock.")
conf = os.path.join(home, "tivaro", "idle.conf")
ran = os.path.join(home, "lock-command-ran")
lock_trace = os.path.join(home, "swaylock.trace")


def settings(grace, command):
    os.makedirs(os.path.dirname(conf), exist_ok=True)
    with open(conf + ".new", "w") as f:
        f.write(f"[Saver]\nLockOnResume=true\nLockGraceSeconds={grace}\n"
                f"LockCommand={command.replace(' ', chr(92) + 's')}\n")
    os.rename(conf + ".new", conf)


def covering(idle):
    """The running saver, once it has its overlay on the output."""
    saver = idle.wait_saver()
    shown = saver and wait_for(lambda: any(s["layer"] == 3 for s in layer_surfaces("tivaro")), 10)
    return saver[0] if shown else None


def press_until(done, tries=5):
    """A key, again until done(): a saver just started takes the keyboard a moment later."""
    for _ in range(tries):
        wtype("a")
        if wait_for(done, 1.5):
            return True
    return False


def times(trace, pattern):
    """The trace's times (microseconds, as libwayland prints them) of the lines matching."""
    found = []
    for line in open(trace, errors="replace"):
        m = re.search(r"\[\s*(\d+)\.(\d{3})\]", line)
        if m and re.search(pattern, line):
            found.append(int(m.group(1)) * 1000 + int(m.group(2)))
    return found


def before(a, b):
    """Whether a comes before b on libwayland's clock, which wraps at 2^32 microseconds."""
    return 0 < (b - a) % 2**32 < 2**31


def next_saver(saver):
    """Ends `saver` as tivaro-idle would (SIGTERM); the next one, once it covers the output."""
    os.kill(saver, signal.SIGTERM)
    check(wait_for(lambda: ended(saver), 5) and idle.wait_no_saver(), "SIGTERM ends that saver")
    return covering(idle)


keyboard = hold_keyboard()
bus = PrivateBus()
system = PrivateBus()
logind = Peer(os.environ["TIVARO_STAND_IN_LOGIND"],
              env={"DBUS_SYSTEM_BUS_ADDRESS": system.address})
check(logind.first == "owned", f"the stand-in logind owns its name: {logind.first}")
settings(3600, f"touch {ran}")
idle = Idle("--after", "2", env=dict(bus.env(), DBUS_SYSTEM_BUS_ADDRESS=system.address,
                                     XDG_CONFIG_HOME=home, WAYLAND_DEBUG="client"))

# Within the grace period: the key ends the saver, and no lock is asked for.
saver = covering(idle)
check(saver, "the saver comes and covers the output")
check(press_until(lambda: ended(saver)), "within the grace period a key ends the saver")
check(not os.path.exists(ran), "and the lock command did not run")

# Past it, with a lock that never comes: the saver stays up and says why.
settings(0, f"touch {ran}; sleep 30")
check(wait_for(lambda: ended(saver), 5) and idle.wait_no_saver(), "(that saver is gone)")
saver = covering(idle)
check(saver, "idle again, the saver comes")
check(press_until(lambda: os.path.exists(ran)), "past the grace period a key runs the lock command")
check(idle.wait_line("the session did not lock within 5 s; the saver stays up", 15),
      "no lock within 5 s is said in one line: " + " | ".join(
          l for l in idle.stderr().splitlines() if l.startswith("tivaro")))
check(not ended(saver) and any(s["layer"] == 3 for s in layer_surfaces("tivaro")),
      "and the saver is still up, covering the output")

# No lock command: logind's Lock for the session. Its Lock signal only asks the locker; the
# saver goes once the locker's LockedHint says the lock is there.
settings(0, "")
saver = next_saver(saver)
check(saver, "the saver comes again")
said = []


def logind_said():
    said.append(read_line(logind.proc.stdout, 0.1))
    return said[-1]


check(press_until(logind_said) and said[-1] == "lock asked",
      f"a key asks logind to lock the session: {said[-1]}")
check(not wait_for(lambda: ended(saver), 1), "the saver stays through logind's Lock signal")
check(logind.say("locked") == "sent" and wait_for(lambda: ended(saver), 5),
      "and goes once LockedHint is true")
check(logind.say("unlocked") == "sent", "the session is unlocked")

# A real lock: swaylock -f returns once the session is locked. It starts a second late, as on
# a busy machine, so that a saver that went before the lock was there could not hide it.
settings(0, f"sleep 1; swaylock -f -c 000000 2>{lock_trace}")
saver = covering(idle)
check(saver, "after the unlock, the saver comes again")
mark = len(idle.stderr())
check(press_until(lambda: ended(saver), tries=3), "past the grace period a key leads to its end")
check(subprocess.run(["pgrep", "-x", "swaylock"], capture_output=True).returncode == 0,
      "swaylock holds the session: " + " | ".join(
          l for l in idle.stderr().splitlines() if l.startswith("tivaro")))
saver_trace = os.path.join(home, "saver.trace")
with open(saver_trace, "w") as f:
    f.write(idle.stderr()[mark:])
# The lock is there from sway's `locked` (ext-session-lock-v1), or where sway offers only the
# input inhibitor, from swaylock's inhibitor; the saver's surfaces go after it.
locked = times(lock_trace, rf"ext_session_lock_v1{OBJ}\d+\.locked\(")
if not locked:
    print("note: sway offers no ext-session-lock-v1 here; the lock counts from swaylock's "
          "input inhibitor")
    locked = times(lock_trace, rf"zwlr_input_inhibit_manager_v1{OBJ}\d+\.get_inhibitor\(")
gone = times(saver_trace, rf"zwlr_layer_surface_v1{OBJ}\d+\.destroy\(")
check(locked and gone and before(locked[0], gone[0]),
      f"the saver's surfaces go after the lock is there: locked {locked[:1]}, gone {gone[:1]}")

# The locker left running holds the session locked: no saver comes under it until it ends.
time.sleep(5)
check(not idle.savers(), "no saver comes while swaylock holds the session (5 s, --after 2)")
subprocess.run(["pkill", "-x", "swaylock"])
check(idle.wait_saver(), "once swaylock has ended, the saver comes again")
idle.end()
logind.leave()
keyboard.kill()
finish()
