"""tivaro-idle under headless sway, which reports idle through ext-idle-notify-v1 where it
offers that (sway 1.10) and else through KDE's org_kde_kwin_idle (sway 1.7): with no input
the saver (the build's tivaro /s, a child of tivaro-idle) comes and covers the output, a key
ends it, idle again it comes back; an inhibition held over D-Bus keeps it away until released
(UnInhibit, or its caller leaving the bus); GNOME's screen shield going active ends it and
none comes while locked; sway's own inhibitor on a window keeps it away; SIGTERM ends
tivaro-idle and its saver; a second one in the session refuses; without a session bus it still
works and says so; the compositor's death ends it with one line."""
import os
import signal
import time

from idle_harness import (BUS_PEER, NO_BUS, PLAIN_VIEW, Idle, Peer, check,  # noqa: E402
                          comes_and_goes, ended, finish, key_ends_saver, lock_ends_saver,
                          wait_for)
from sway_harness import (hold_keyboard, layer_surfaces, offered_globals, swaymsg,  # noqa: E402
                          wtype)

QUIET = 5  # seconds without a saver that show it is held off (more than twice the wait)


def overlays():
    return sum(1 for s in layer_surfaces("tivaro") if s["layer"] == 3)


seen = 0


def covered():
    """Whether a saver has made an overlay surface since the last call said so."""
    global seen
    if wait_for(lambda: overlays() > seen, 10):
        seen = overlays()
        return True
    return False


def key(idle, what):
    check(key_ends_saver(idle, lambda: wtype("a")), what)


keyboard = hold_keyboard()
# The idle protocol is the standard one where sway offers it, KDE's only where that is all
# there is; every check below holds with either.
offered = offered_globals()
idle_globals = [n for n in ("ext_idle_notifier_v1", "org_kde_kwin_idle") if n in offered]
source = "ext-idle-notify-v1" if "ext_idle_notifier_v1" in offered else "org_kde_kwin_idle"
check(idle_globals, f"sway offers an idle protocol ({idle_globals} of {len(offered)} globals):"
      f" tivaro-idle should take idle from {source}")
# The saver comes, covers the output (an overlay surface more) and goes with a key; idle
# again, it comes back.
bus, idle = comes_and_goes(source, covered, lambda: wtype("a"))

# An inhibition over D-Bus (org.freedesktop.ScreenSaver, served by tivaro-idle here).
inhibitor = Peer(BUS_PEER, "inhibit", env=bus.env())
check((inhibitor.first or "").startswith("cookie "), f"Inhibit answers a cookie: {inhibitor.first}")
key(idle, "a key ends the saver while the inhibition is held")
time.sleep(QUIET)
check(not idle.savers(), f"no saver comes while the inhibition is held ({QUIET} s, --after 2)")
check(inhibitor.say("release") == "released", "UnInhibit is answered")
check(idle.wait_saver(), "after UnInhibit the saver comes")
inhibitor.leave()

# At the other path browsers use; the caller leaving the bus ends its inhibition.
inhibitor = Peer(BUS_PEER, "inhibit", "/ScreenSaver", env=bus.env())
check((inhibitor.first or "").startswith("cookie "), f"Inhibit at /ScreenSaver: {inhibitor.first}")
key(idle, "a key ends the saver")
time.sleep(QUIET)
check(not idle.savers(), "no saver comes while that inhibition is held")
inhibitor.leave()
check(idle.wait_saver(), "once its caller has left the bus, the saver comes")

# The session locks: the saver ends at once, and none comes until the unlock.
lock_ends_saver(idle, bus, lambda: wtype("a"), QUIET)

# sway's own idle inhibitor on a window (inhibit_idle open): the compositor holds the idle
# report back while the window is open. It is set once a key has ended the saver: sway 1.7
# reports no input while it inhibits, so a saver ended then would leave its idle report
# standing, and none would come until the next input.
view = Peer(PLAIN_VIEW)
check(view.first == "shown", f"a plain window shows: {view.first}")
key(idle, "a key ends the saver")
check(swaymsg('[app_id="tivaro-test-view"]', "inhibit_idle", "open").returncode == 0,
      "sway inhibits idle while that window is open")
time.sleep(QUIET)
check(not idle.savers(), "no saver comes while sway's idle inhibitor holds")
view.leave()
check(idle.wait_saver(), "once the window is closed, the saver comes")

# A second tivaro-idle in the session refuses with one line.
other = Idle("--after", "2", env=bus.env())
code = other.proc.wait(timeout=10)
check(code == 1 and "another tivaro-idle runs in this session" in other.stderr(),
      f"a second tivaro-idle exits 1 with one line: {code} {other.stderr()!r}")

# SIGTERM ends tivaro-idle, the saver it runs with it, and its lock file.
saver = idle.savers()
code = idle.end()
check(code == 0 and saver and all(ended(p) for p in saver),
      f"SIGTERM ends tivaro-idle (status {code}) and its saver {saver}")
check(not any(n.startswith("tivaro-idle") for n in os.listdir(os.environ["XDG_RUNTIME_DIR"])),
      "its lock file is gone")
bus.close()

# Without a session bus: it says what goes unwatched and runs the saver all the same.
idle = Idle("--after", "2", env={"DBUS_SESSION_BUS_ADDRESS": NO_BUS,
                                 "DBUS_SYSTEM_BUS_ADDRESS": NO_BUS})
check(idle.wait_line("tivaro-idle: no session bus"), f"no session bus is said: {idle.stderr()!r}")
check(idle.wait_saver(), "without a session bus the saver still comes")

# The compositor dies: one line, status 1, the saver gone.
saver = idle.savers()
os.kill(int(os.environ["TIVARO_SWAY_PID"]), signal.SIGKILL)
try:
    code = idle.proc.wait(timeout=10)
except Exception:
    code = None
check(code == 1 and "tivaro-idle: the Wayland compositor went away\n" in idle.stderr(),
      f"the compositor killed: status 1 and one line: {code} {idle.stderr()!r}")
check(all(ended(p) for p in saver), "and its saver has ended")
idle.end()
keyboard.kill()
finish()
