"""The saver and tivaro-idle under KDE's KWin (5.27 or 6.3), headless (one KWin for both): two
outputs of 1024x768 logical pixels at scale 1.5.

A. The saver: an overlay layer surface per output at the fractional scale, drawn at device
   pixels, with a fountain on each; pointer motion does not end it and the pointer is hidden
   over it; a key ends it with 0, and so does a click.
B. tivaro-idle takes idle from ext-idle-notify-v1: with no input the saver comes, a key ends
   it, idle again it comes back, also after a saver slow to end; an idle inhibitor on a
   window (taken while the session is active, or while the saver runs), and an inhibition
   over D-Bus (org.freedesktop.ScreenSaver, which bare KWin leaves to tivaro-idle), keep it
   away while held and one comes after; logind's Lock for the session (from a stand-in on a
   private system bus) ends it and none comes until Unlock.
Last, KWin killed ends a running saver with one line on stderr and a non-zero status.

The fountain is seen twice: in the frames the saver shares with KWin (its wl_shm buffers, read
through /proc), and in KWin's own pictures of each output (ScreenShot2). KWin takes pictures
only where it composites with OpenGL; KWin 6 does so only on a DRM device, and where there is
none it composites with QPainter and offers no ScreenShot2: the checks of its pictures cannot
hold then, and the test says so and why."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

from kwin_session import Input, KWin, grab, grab_fountain  # sets sys.path for the rest
from kwin_buffers import fountain_frames  # noqa: E402
from idle_harness import BUS_PEER, PLAIN_VIEW, Idle, Peer, ended, key_ends_saver  # noqa: E402
from sway_harness import (bright_centroid, centred, check, finish, shows_fountain,  # noqa: E402
                          start, stderr_of, stop, wait_exit, wait_for)

KWIN_LOGIND = os.environ.get("TIVARO_KWIN_LOGIND", "kwin_logind")
DEVICE = (1536, 1152)  # 1024x768 at 1.5
QUIET = 5  # seconds without a saver that show it is held off (more than twice the wait)
tmp = os.environ.get("TIVARO_TEST_TMP")  # pictures are kept only where this names a folder


def keep(name):
    return os.path.join(tmp, name) if tmp else None


program = shutil.which("kwin_wayland")
if program is None:
    print("kwin_wayland is not installed (Debian: kwin-wayland): skipped")
    sys.exit(77)
kwin = KWin(program)
os.environ.update(kwin.client_env())  # the saver, tivaro-idle and our clients reach it
os.environ.pop("DISPLAY", None)
if not kwin.wait_up():
    print(f"KWin did not come up; its log ends:\n{kwin.log_tail()}")
    sys.exit(1)
version, compositing = kwin.support("KWin version"), kwin.support("Compositing Type")
print(f"KWin {version}, compositing with {compositing} (its support information, through busctl)")
pictures = compositing == "OpenGL" and kwin.pictures()
if compositing == "OpenGL":
    check(pictures, "KWin composites with OpenGL and takes pictures (org.kde.KWin.ScreenShot2)")
else:
    names = [n for n in kwin.bus_names() if n.startswith("org.kde.KWin")]
    fallback = [line.strip() for line in kwin.log_tail(200).splitlines()
                if "compositor not supported" in line]
    devices = os.listdir("/dev/dri") if os.path.isdir("/dev/dri") else "no /dev/dri"
    print(f"cannot hold here: the checks of KWin's pictures. KWin {version} composites with "
          f"{compositing}, not OpenGL: its virtual outputs use OpenGL only on a DRM device "
          f"(here: {devices}; KWin logs {fallback}), and its screenshot effect, the owner of "
          f"org.kde.KWin.ScreenShot2, runs only with OpenGL (busctl lists {names} on its "
          f"bus). The fountain is seen in the frames the saver hands KWin alone.")
bus_env = {k: kwin.env[k] for k in ("DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS")}
logind = Peer(KWIN_LOGIND)  # before tivaro-idle, which asks it for its session at start
check(logind.first == "owned", f"our logind owns org.freedesktop.login1: {logind.first}")
pointer = Input(os.environ)
check(pointer.ready, "our fake-input client is ready")


def pointer_pixels(picture, at, size=48):
    """Pixels brighter than 60 in the box of `size` logical pixels below and right of the
    logical point `at` (where the pointer's arrow would be drawn)."""
    x0, y0 = (int(v * 1.5) for v in at)
    count = 0
    for y in range(max(y0 - 4, 0), min(y0 + int(size * 1.5), picture.height)):
        for x in range(max(x0 - 4, 0), min(x0 + int(size * 1.5), picture.width)):
            count += max(picture.rows[y][x]) > 60
    return count


def covering(pid):
    """Whether both outputs show a fountain: in KWin's pictures where it takes them, else in
    the frames the saver `pid` hands it."""
    if pictures:
        return all((p := grab(o)) and shows_fountain(p)[0] for o in kwin.outputs)
    return fountain_frames(pid, DEVICE, len(kwin.outputs))[0]


def cannot_hold(what):
    print(f"cannot hold here (no pictures from KWin {version}, see above): {what}")


# --- A. The saver ---
# KWin draws the pointer into a picture when asked: over the bare (black) desktop it is there.
CORNER = (24, 24)  # a dark corner of Virtual-0 under any fountain
check(pointer.send(f"move {CORNER[0]} {CORNER[1]}"), "the pointer moves to a corner")
if pictures:
    bare = grab("Virtual-0", cursor=True)
    check(bare and pointer_pixels(bare, CORNER) > 40,
          f"over the desktop, a picture with the pointer shows it: "
          f"{bare and pointer_pixels(bare, CORNER)} bright pixels")
else:
    cannot_hold("over the desktop, a picture with the pointer shows it")

# The saver, with the protocol traffic logged, to see what KWin told it and what it made.
traffic = tempfile.NamedTemporaryFile(prefix="tivaro-kwin-wayland.", suffix=".log")
saver = subprocess.Popen([os.environ.get("TIVARO_BIN", "tivaro"), "/s"],
                         env=dict(os.environ, WAYLAND_DEBUG="1"), stdout=subprocess.DEVNULL,
                         stderr=traffic)


def traffic_log():
    with open(traffic.name, encoding="utf-8", errors="replace") as f:
        return f.read()


check(wait_for(lambda: covering(saver.pid), 20), "/s covers both outputs with a fountain")
log = traffic_log()
# (libwayland 1.23 writes an object as interface#id in the trace, older ones interface@id.)
layers = re.findall(r'-> zwlr_layer_shell_v1[@#]\d+\.get_layer_surface\(.*, (\d+), "tivaro"\)',
                    log)
check(layers == ["3", "3"], f"an overlay layer surface per output: layers {layers}")
check(log.count("set_anchor(15)") >= 2 and log.count("set_exclusive_zone(-1)") >= 2,
      "anchored to every edge, over any panel")
check("preferred_scale(180)" in log, "KWin asks for scale 1.5 (180/120) through "
      "wp_fractional_scale_v1")
buffers = re.findall(r"create_buffer\(new id wl_buffer[@#]\d+, 0, (\d+), (\d+), \d+, (\d+)\)",
                     log)
sizes = {(w, h) for w, h, _ in buffers}
check((str(DEVICE[0]), str(DEVICE[1])) in sizes and "set_destination(1024, 768)" in log,
      f"it draws {DEVICE} device pixels shown at 1024x768: buffers {sorted(sizes)}")
# wl_shm's XRGB8888 (1): eight bits a colour channel; EGL's first configuration on Mesa
# would be XRGB2101010.
formats = {f for w, h, f in buffers if (int(w), int(h)) == DEVICE}
check(formats == {"1"}, f"its frames are opaque 8-bit buffers (wl_shm format 1): {formats}")
frames = None
for _ in range(5):  # the spray now and then leans far to one side
    frames = fountain_frames(saver.pid, DEVICE, len(kwin.outputs))
    if frames[0]:
        break
check(frames[0], f"each of the frames it hands KWin shows a fountain centred in it, one at least "
      f"for each output (fountain, centre of its light): {frames[1]}")
for output in (kwin.outputs if pictures else ()):
    picture = grab_fountain(output, keep(f"kwin-{output}.ppm"))
    check(picture and (picture.width, picture.height) == DEVICE,
          f"{output} is {DEVICE}: {picture and (picture.width, picture.height)}")
    if picture:
        ok, stats = shows_fountain(picture)
        check(ok, f"{output} shows a fountain (centre, corner): {stats}")
        check(centred(bright_centroid(picture)),
              f"{output}: centred on it: {bright_centroid(picture)}")
if not pictures:
    cannot_hold("KWin's picture of each output shows the fountain centred on it")

# Pointer motion over both outputs does not end it, and the pointer is hidden over it.
moved = all(pointer.send(c) for c in ("move 512 384", "move 1500 300", "rel -300 50",
                                      "move 40 40", f"move {CORNER[0]} {CORNER[1]}"))
check(moved and not wait_exit(saver, 1.0), "pointer motion over both outputs does not end it")
# (The fountain's fragments reach the corner now and then: of three pictures, one at least
# is dark there if no pointer is drawn; a pointer would be in all three.)
if pictures:
    hidden = [pointer_pixels(p, CORNER)
              for p in (grab("Virtual-0", cursor=True) for _ in range(3)) if p]
    check(hidden and min(hidden) < 10,
          f"no pointer over the saver: {hidden} bright pixels where it is")
else:
    cannot_hold("KWin's picture with the pointer shows none over the saver")
log = traffic_log()
check(re.search(r"wl_pointer[@#]\d+\.enter\(", log) and
      re.search(r"-> wl_pointer[@#]\d+\.set_cursor\(\d+, nil, 0, 0\)", log),
      "the saver takes the pointer's picture away as it enters")

# A key ends it with 0.
for _ in range(5):
    pointer.key()
    if wait_exit(saver, 2.0):
        break
check(saver.poll() == 0, f"a key ends it with 0: {saver.poll()}")
stop(saver)
traffic.close()

# A click ends it with 0, on either output.
for x, y in ((1500, 300), (300, 300)):
    saver = start("/s")
    check(wait_for(lambda: covering(saver.pid), 20), f"/s starts again (for a click at {x}, {y})")
    pointer.send(f"move {x} {y}")
    pointer.send("click")
    check(wait_exit(saver, 5.0) and saver.returncode == 0,
          f"a click at ({x}, {y}) ends it with 0: {saver.poll()}")
    stop(saver)

# --- B. tivaro-idle ---
idle = Idle("--after", "2", env=bus_env)
check(idle.wait_line("watching idle through ext-idle-notify-v1"),
      f"tivaro-idle takes idle from ext-idle-notify-v1: {idle.stderr()!r}")
first = idle.wait_saver()
check(first and wait_for(lambda: covering(first[0]), 20),
      "with no input the saver comes and covers both outputs")
check(key_ends_saver(idle, pointer.key), "a key ends it")
second = idle.wait_saver()
check(second and second != first, f"idle again, a new saver comes: {first} then {second}")


def saver_running():
    """A saver from tivaro-idle, so that each part starts the same way whatever the last one
    left: if none comes, a key starts the session's idle count afresh."""
    if not idle.wait_saver(5):
        pointer.key()
    return idle.wait_saver()


# A saver slow to end: the session's next idle report comes while it is still on its way
# out (stopped here, as a loaded machine might hold it); once it has gone, one comes again.
saver = saver_running()
if saver and wait_for(lambda: covering(saver[0]), 20):  # it has the keyboard
    os.kill(saver[0], signal.SIGSTOP)
    pointer.key()  # active, then idle again 2 s later, while the saver still runs
    time.sleep(3)
    os.kill(saver[0], signal.SIGCONT)  # it reads the key and ends
    check(wait_for(lambda: ended(saver[0]), 10), "the saver ends once it runs on")
    check(idle.wait_saver(), "idle all along since, a new saver comes after it")


def quiet_with(what):
    check(key_ends_saver(idle, pointer.key), "a key ends the saver")
    time.sleep(QUIET)
    check(not idle.savers(), f"no saver comes while {what} ({QUIET} s, --after 2)")


def type_until(event):
    """Presses a key every half second until `event` is set."""
    while not event.wait(0.5):
        pointer.key()


# A window holding an idle inhibitor, as a video player's: taken while the session is active
# (keys keep it so until the window shows), no saver comes while it is held, one after.
saver_running()
check(key_ends_saver(idle, pointer.key), "a key ends the saver")
shown = threading.Event()
typist = threading.Thread(target=type_until, args=(shown,))
typist.start()
view = Peer(PLAIN_VIEW, "inhibit")
shown.set()
typist.join()
check(view.first == "shown", f"a window with an idle inhibitor shows: {view.first}")
time.sleep(QUIET)
check(not idle.savers(), f"no saver comes while its inhibitor is held ({QUIET} s, --after 2)")
check(view.say("release") == "released", "the window lets its inhibitor go")
check(idle.wait_saver(), "then the saver comes")
view.leave()
# Taken while the saver runs: the key that ends the saver comes while it is held.
saver_running()
view = Peer(PLAIN_VIEW, "inhibit")
quiet_with("a window's inhibitor is held")
check(view.say("release") == "released", "the window lets its inhibitor go")
check(idle.wait_saver(), "then the saver comes, though the key came while it was held")
view.leave()

# An inhibition over D-Bus, on KWin's session bus (bare KWin leaves the name to tivaro-idle).
saver_running()
inhibitor = Peer(BUS_PEER, "inhibit")
check((inhibitor.first or "").startswith("cookie "), f"Inhibit answers a cookie: {inhibitor.first}")
quiet_with("the D-Bus inhibition is held")
check(inhibitor.say("release") == "released", "UnInhibit is answered")
check(idle.wait_saver(), "after UnInhibit the saver comes")
inhibitor.leave()

# logind locks the session: the saver ends, none comes while locked, one after the unlock.
saver = saver_running()
check(logind.say("lock") == "sent", "logind's Lock is sent")
check(saver and idle.wait_no_saver(), "Lock ends the running saver")
pointer.key()
time.sleep(QUIET)
check(not idle.savers(), "no saver comes while the session is locked")
check(logind.say("unlock") == "sent", "Unlock is sent")
check(idle.wait_saver(), "after the unlock the saver comes again")
saver = idle.savers()
code = idle.end()
check(code == 0 and wait_for(lambda: not idle.savers(), 5), f"SIGTERM ends tivaro-idle "
      f"({code}) and its saver {saver}")
logind.leave()

# --- KWin killed under a running saver ---
saver = start("/s")
check(wait_for(lambda: covering(saver.pid), 20), "/s starts once more")
pointer.close()
kwin.kill()
check(wait_exit(saver, 5.0), "KWin killed, the saver ends")
check(saver.returncode not in (0, None), f"with a non-zero status: {saver.returncode}")
err = stderr_of(saver).strip()
check(err.startswith("tivaro: ") and len(err.splitlines()) == 1,
      f"and one line on stderr: {err!r}")
finish()
