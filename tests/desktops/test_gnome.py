"""The saver and tivaro-idle under a headless gnome-shell (gnome_run.sh: two monitors, the
second at scale 2), which has no layer-shell. Pictures of each monitor come from the shell's
screen casts where PipeWire runs in its session (gnome_cast.py), and the pointer is placed on
them; else they are cut out of the shell's Screenshot, and the pointer moves by steps.
The saver: each monitor covered by a fountain of its own, the top bar hidden (fullscreen
windows); the pointer hidden over it; a key or a click ends it with 0, motion does not.
tivaro-idle: it takes idle from Mutter's idle monitor; with no input the saver comes, a key
ends it, it comes back; an inhibition over D-Bus, or gnome-session's, keeps it away until
released; the shell's screen shield going active ends it; a saver due while the activities
overview is open closes the overview first and shows full screen; GNOME's own idle delay,
when shorter than the wait, brings the saver before it and is said, also after an inhibition.
Last, gnome-shell killed under a saver: one line and a non-zero status."""
import os
import signal
import subprocess
import time

from gnome_harness import (CLIENT, KEY_A, KEY_SHIFT, MONITORS, Client, Eyes, centred, fountains,
                           gdbus, overview_active, shell_property, shield, whitish)
from idle_harness import BUS_PEER, Idle, Peer, ended, held_off, key_ends_saver
from sway_harness import (check, finish, start, stderr_of, stop, terminate, wait_exit,  # noqa
                          wait_for)

SAVER = os.environ.get("TIVARO_GNOME_PART") != "idle"  # the saver's own checks too
QUIET = 5  # seconds without a saver that show it is held off (more than twice the wait)
SOURCE = "GNOME's idle monitor"


def key_ends(idle, what):
    """Checks that a key ends tivaro-idle's saver; where it does not, the saver is ended by
    hand (the key still counted as input), so that the checks after it still mean something."""
    saver = idle.savers()
    ok = key_ends_saver(idle, client.key)
    check(ok, what)
    if not ok:
        for pid in saver:
            os.kill(pid, signal.SIGTERM)
        idle.wait_no_saver()


def all_fountains(what):
    """Checks the pictures for a fountain centred on each monitor but the UNPLACED ones; not
    where only the rest is asked for (TIVARO_GNOME_PART=idle)."""
    if not SAVER:
        return
    found = fountains(eyes, placed=[n for n in MONITORS if n not in UNPLACED])
    check(len(found) == len(MONITORS) and all(f[0] for n, f in found.items() if n not in UNPLACED),
          f"{what}: a fountain on each monitor (centre, corner): "
          f"{ {n: f[1] for n, f in found.items()} }")
    check(len(found) == len(MONITORS) and
          all(centred(f[2]) for n, f in found.items() if n not in UNPLACED),
          f"{what}: each centred on its monitor: { {n: f[2] for n, f in found.items()} }")


# Without framebuffer scaling (the layout in device pixels, gnome-shell 48's default), the
# shell configures a fullscreen window on the monitor at scale 2 at that monitor's device
# size while asking it for scale 2, and then shows it at twice the monitor's size there, at a
# place that changes from run to run for the same requests, now and then wholly off the
# monitor; a fullscreen GTK 4 window comes out the same (its middle at the monitor's
# bottom-right corner). The pictures of that monitor are then not checked, and that is said.
state = gdbus("-d", "org.gnome.Mutter.DisplayConfig", "-o", "/org/gnome/Mutter/DisplayConfig",
              "-m", "org.gnome.Mutter.DisplayConfig.GetCurrentState")[1]
UNPLACED = {"Meta-1"} if "'layout-mode': <uint32 2>" in state else set()
if UNPLACED and SAVER:
    print("note: the shell lays out monitors in device pixels: on Meta-1, at scale 2, it shows "
          "any fullscreen window at twice the monitor's size, somewhere, so the pictures of "
          "Meta-1 are not checked", flush=True)


client = Client()
check(client.ready, "the remote-desktop session and the screenshot name are ours")
# The seat gains a pointer and a keyboard with the session's first events of each; a client
# that binds the seat before them gets neither (a real seat has them all along).
client.key(KEY_SHIFT)
client.motion(1, 1)


closed_for = [0]


def desktop_shown():
    """The first motion above, next to the top-left corner, can open the overview (the shell's
    hot corner), and a request to leave it that comes while it is still opening is lost: asked
    until it has stayed closed for a second."""
    if overview_active():
        shell_property("OverviewActive", "<false>")
        closed_for[0] = 0
    else:
        closed_for[0] += 1
    return closed_for[0] >= 3


check(wait_for(desktop_shown, 10, step=0.5), "the shell shows the desktop, not the overview")
eyes = Eyes(client, cast=SAVER)  # desktop.gnome.idle: the Screenshot, as before
print("pictures: " + ("the shell's screen casts of each monitor" if eyes.cast else
                      f"cut out of the shell's Screenshot ({eyes.why_not})"), flush=True)

# A. The saver. The pointer and the top bar's text show in a picture of the desktop first.
POINTER = (60, 700)  # in Meta-0's bottom-left corner, where the fountain stays dark
AROUND = (POINTER[0] - 2, POINTER[1] - 2, POINTER[0] + 24, POINTER[1] + 30)
TOP_BAR = (8, 4, 110, 24)  # "Activities", white on black, unless a fullscreen window hides it
check(eyes.pointer_to(*POINTER), "the pointer moves")


def desktop_with_pointer():
    picture = eyes.picture("Meta-0", cursor=True)
    return picture if whitish(picture, AROUND) > 10 else None


desktop = wait_for(desktop_with_pointer, 10, step=0.5)
check(desktop, "the pointer shows in a picture of the desktop")
check(whitish(desktop, TOP_BAR) > 10, f"so does the top bar: {whitish(desktop, TOP_BAR)}")


def covered():
    """Whether a picture shows a fountain on each monitor, and no top bar (fullscreen)."""
    found = fountains(eyes, tries=1, placed=[])
    return len(found) == len(MONITORS) and \
        all(f[0] for n, f in found.items() if n not in UNPLACED) and \
        whitish(eyes.picture("Meta-0", cursor=False), TOP_BAR) == 0


# desktop.gnome.idle (TIVARO_GNOME_PART=idle) runs without these, where the shell's pictures
# and pointer are not to be trusted (see gnome.cmake).
if SAVER:
    saver = start("/s")
    check(wait_for(covered, 30, step=0.5), "/s covers each monitor with a fountain, fullscreen")
    check(saver.poll() is None, "the saver runs")
    all_fountains("/s")

    hidden = []
    for _ in range(3):
        hidden.append(whitish(eyes.picture("Meta-0", cursor=True), AROUND))
        if hidden[-1] == 0:
            break
    check(hidden[-1] == 0, f"over the saver the pointer is hidden: white pixels {hidden}")

    check(eyes.pointer_to(POINTER[0] + 3, POINTER[1] - 2) and
          eyes.pointer_to(POINTER[0] + 200, POINTER[1] - 150), "the pointer moves over the saver")
    check(not wait_exit(saver, 1.5), "motion does not end the saver")
    check(client.key(KEY_A) and wait_exit(saver, 3.0), "a key ends the saver")
    check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
    stop(saver)

    saver = start("/s")
    check(wait_for(covered, 30, step=0.5), "/s comes again")
    check(eyes.click() and wait_exit(saver, 3.0), "a click ends the saver")
    check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
    stop(saver)

# B. tivaro-idle.
idle = Idle("--after", "2")
check(idle.wait_line(f"watching idle through {SOURCE}"),
      f"tivaro-idle takes idle from {SOURCE}: {idle.stderr()!r}")
check("idle delay" not in idle.stderr(),
      f"GNOME's idle delay (300 s) is longer than the wait: nothing said: {idle.stderr()!r}")
first = idle.wait_saver()
check(first, "with no input the saver (tivaro /s) starts, a child of tivaro-idle")
time.sleep(1.0)
all_fountains("tivaro-idle's saver")
key_ends(idle, "a key ends it")
second = idle.wait_saver()
check(second and second != first, f"idle again, a new saver comes: {first} then {second}")

# An inhibition over org.freedesktop.ScreenSaver (tivaro-idle serves it: the bare shell
# does not) keeps it away while held.
inhibitor = Peer(BUS_PEER, "inhibit")
check((inhibitor.first or "").startswith("cookie "), f"Inhibit answers a cookie: {inhibitor.first}")
held_off(idle, key_ends, "the D-Bus inhibition is held",
         lambda: inhibitor.say("release") == "released", QUIET)
inhibitor.leave()

# gnome-session's inhibitions (a video player's org.gnome.SessionManager.Inhibit): mutter's idle
# monitor follows the session manager's InhibitedActions and holds its idle reports while
# they inhibit idle (8). Here a stand-in for gnome-session serves that property.
session = Peer(CLIENT, "session")
check(session.first == "ok", f"a stand-in for gnome-session is on the bus: {session.first}")
check(session.say("inhibit 8") == "ok", "the session inhibits idle")
held_off(idle, key_ends, "the session inhibits idle", lambda: session.say("inhibit 0") == "ok",
         QUIET)
session.leave()

# The shell's screen shield going active (the lock) ends the saver; none comes while it
# stays active, and one comes after it is gone.
saver = idle.savers()
code, out = shield("SetActive", "true")
check(code == 0, f"the shell's screen shield answers SetActive(true): {out}")
check(wait_for(lambda: shield("GetActive")[1] == "(true,)", 10), "the shield is active")
check(saver and wait_for(lambda: all(ended(p) for p in saver), 10) and idle.wait_no_saver(),
      f"the shield going active ends the running saver: {idle.stderr()!r}")
time.sleep(QUIET)
check(not idle.savers(), "no saver comes while the shield is active")
shield("SetActive", "false")
check(wait_for(lambda: shield("GetActive")[1] == "(false,)", 10), "the shield is gone")
client.key(KEY_SHIFT)  # the user, back at the desktop, then idle again
check(idle.wait_saver(), "after the shield is gone the saver comes again")

# The displays turned off (Mutter's PowerSaveMode): nothing should draw into dark screens, so
# the running saver ends and none comes while they stay off; one comes once they are on.
saver = idle.savers()
power = ["-d", "org.gnome.Mutter.DisplayConfig", "-o", "/org/gnome/Mutter/DisplayConfig", "-m",
         "org.freedesktop.DBus.Properties.Set", "org.gnome.Mutter.DisplayConfig", "PowerSaveMode"]
code, out = gdbus(*power, "<3>")
check(code == 0, f"the displays go off: {out}")
check(saver and wait_for(lambda: all(ended(p) for p in saver), 10) and idle.wait_no_saver(),
      "the displays going off end the running saver")
time.sleep(QUIET)
check(not idle.savers(), "no saver comes while the displays are off")
gdbus(*power, "<0>")
client.key(KEY_SHIFT)  # as the user who woke them, then idle again
check(idle.wait_saver(), "once the displays are on again the saver comes")

# "On resume, display logon screen", set while tivaro-idle runs. With no logind session here,
# the shell's own lock is asked for, and the saver goes once the shield is active.
conf = os.path.join(os.environ["XDG_CONFIG_HOME"], "tivaro", "idle.conf")
os.makedirs(os.path.dirname(conf), exist_ok=True)
with open(conf, "w") as f:
    f.write("[Saver]\nLockOnResume=true\nLockGraceSeconds=0\n")
check(idle.wait_line("idle.conf changed"), "tivaro-idle follows the settings file")
key_ends(idle, "a key ends the saver that came before the change, with no lock")
check(shield("GetActive")[1] == "(false,)", "and the shield stays down")
saver = idle.wait_saver()
check(saver, "the next saver comes")
for _ in range(5):
    client.key(KEY_A)
    if wait_for(lambda: shield("GetActive")[1] == "(true,)", 2):
        break
check(shield("GetActive")[1] == "(true,)", "a key past the grace period locks the session")
check(saver and wait_for(lambda: all(ended(p) for p in saver), 10) and idle.wait_no_saver(),
      f"and the saver goes under the shield: {idle.stderr()[-300:]!r}")
os.remove(conf)
check(wait_for(lambda: idle.stderr().count("idle.conf changed") == 2, 10),
      "without the file, the defaults again")
shield("SetActive", "false")
check(wait_for(lambda: shield("GetActive")[1] == "(false,)", 10), "the shield is gone")
client.key(KEY_SHIFT)
check(idle.wait_saver(), "after the unlock the saver comes again")

# The activities overview open when the saver is due: the overview is closed first and the
# saver shows full screen, not as a thumbnail inside the overview.
key_ends(idle, "a key ends the saver")
shell_property("OverviewActive", "<true>")
check(wait_for(overview_active, 5), "the activities overview is open")
check(idle.wait_saver(), "the saver comes while the overview was open")
check(wait_for(lambda: not overview_active(), 5), "the overview is closed")
time.sleep(1.0)
all_fountains("the saver that came over the overview")

code = idle.end()
check(code == 0, f"SIGTERM ends tivaro-idle: {code}")

# GNOME's own idle delay (org.gnome.desktop.session idle-delay) shorter than the wait: the
# saver comes a little before it, and tivaro-idle says so.
subprocess.run(["gsettings", "set", "org.gnome.desktop.session", "idle-delay", "4"], check=True)
idle = Idle("--after", "60")
check(idle.wait_line("idle delay"), f"GNOME's idle delay of 4 s is said: {idle.stderr()!r}")
check(idle.wait_saver(10), f"the saver comes before GNOME's delay, not after 60 s: "
      f"{idle.stderr()!r}")
# After an inhibition the wait counts afresh, and again it is the one before GNOME's delay.
inhibitor = Peer(BUS_PEER, "inhibit")
key_ends(idle, "a key ends it while an inhibition is held")
time.sleep(QUIET)
check(inhibitor.say("release") == "released", "UnInhibit is answered")
check(idle.wait_saver(10), "after UnInhibit the saver comes before GNOME's delay, not after 60 s")
inhibitor.leave()
idle.end()
subprocess.run(["gsettings", "reset", "org.gnome.desktop.session", "idle-delay"], check=True)

# gnome-shell dies under the saver: one line, and a non-zero status.
saver = start("/s")
if SAVER:
    check(wait_for(covered, 30, step=0.5), "/s starts once more")
else:
    check(not wait_exit(saver, 2.0), "/s starts once more")
eyes.close()
client.close()
os.kill(int(os.environ["TIVARO_GNOME_PID"]), signal.SIGKILL)
check(wait_exit(saver, 3.0), "when gnome-shell is killed, the saver ends within 3 s")
check(saver.returncode not in (0, None), f"with a non-zero status: {saver.returncode}")
err = stderr_of(saver).strip()
check(err.startswith("tivaro: ") and len(err.splitlines()) == 1,
      f"and one line on stderr: {err!r}")
finish()
