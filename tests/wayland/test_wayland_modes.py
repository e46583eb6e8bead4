"""The other ways the program meets a Wayland session (headless sway, two outputs): the
xdg-shell fallback, --background under a locker, started by swayidle, which backend a start
chooses, and bad input."""
import os
import re
import signal
import subprocess
import tempfile
import time

from sway_harness import (OBJ, Pointer, TIVARO, bright_centroid, centred, check, finish,
                          grab_fountain, hold_keyboard, layer_surfaces, run, shows_fountain,
                          start, stderr_of, stop, swaymsg, terminate, views, wait_exit, wait_for,
                          wtype)

# Pictures are kept only where TIVARO_TEST_TMP names a folder for them.
tmp = os.environ.get("TIVARO_TEST_TMP")


def keep(name):
    return os.path.join(tmp, name) if tmp else None
OUTPUTS = {"HEADLESS-1": (1024, 768), "HEADLESS-2": (1600, 1200)}
BACKGROUND, OVERLAY = 0, 3


def surfaces(layer):
    return [s for s in layer_surfaces("tivaro") if s["layer"] == layer]


def fountains_on_both(what):
    for name, size in OUTPUTS.items():
        pic = grab_fountain(name, keep(f"{what.split()[0].lstrip('-')}-{name}.ppm"))
        check((pic.width, pic.height) == size, f"{what}: {name} is {size}: "
              f"{pic.width}x{pic.height}")
        ok, stats = shows_fountain(pic)
        centroid = bright_centroid(pic)
        check(ok and centred(centroid),
              f"{what}: {name} shows a fountain centred on it: {stats}, centre {centroid}")


def one_line_error(code, err, what):
    lines = err.strip().splitlines()
    check(code == 1 and len(lines) == 1 and lines[0].startswith("tivaro: "),
          f"{what}: one line and exit 1: {code} {err.strip()!r}")


def fullscreen_outputs(proc):
    """The outputs on which proc has a fullscreen window."""
    return sorted(v["output"] for v in views()
                  if v.get("fullscreen_mode") == 1 and v.get("pid") == proc.pid)


def children_of(parent):
    try:
        with open(f"/proc/{parent}/task/{parent}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def savers_below(parent):
    """The pids of the saver processes that parent started (directly or through a shell)."""
    found = []
    for pid in [*children_of(parent), *(g for c in children_of(parent) for g in children_of(c))]:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if os.path.basename(f.read().split(b"\0")[0]) == b"tivaro":
                    found.append(pid)
        except OSError:
            pass
    return found


def ended(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


keyboard = hold_keyboard()
pointer = Pointer()
check(pointer.ready, f"the virtual pointer is ready: {pointer.errors()!r}")

# TIVARO_WAYLAND_SHELL=xdg: a fullscreen xdg toplevel on each output, no layer surface.
overlays = len(surfaces(OVERLAY))
saver = start("/s", env={"TIVARO_WAYLAND_SHELL": "xdg"})
wait_for(lambda: len(fullscreen_outputs(saver)) >= 2, 5)
shown = fullscreen_outputs(saver)
check(shown == ["HEADLESS-1", "HEADLESS-2"],
      f"the xdg fallback puts a fullscreen window on each output: {shown}")
check(len(surfaces(OVERLAY)) == overlays, "and no layer surface")
time.sleep(1.0)
fountains_on_both("xdg fallback")
wtype("a")
check(wait_exit(saver, 2.0), "a key ends the xdg fallback")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
stop(saver)

# The keyboard taken from its windows (here by the compositor's own binding: another
# workspace) ends it, as another program taking the keyboard does.
saver = start("/s", env={"TIVARO_WAYLAND_SHELL": "xdg"})
wait_for(lambda: len(fullscreen_outputs(saver)) >= 2, 5)
time.sleep(0.5)
swaymsg("workspace", "9")
check(wait_exit(saver, 2.0), "the keyboard going to another workspace ends the xdg fallback")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
stop(saver)
swaymsg("workspace", "back_and_forth")

# --background: a background-layer surface per output, deaf to input, ended by SIGTERM.
saver = start("--background")
check(wait_for(lambda: len(surfaces(BACKGROUND)) >= 2, 5),
      f"--background makes a background surface per output: {layer_surfaces('tivaro')}")
time.sleep(1.0)
fountains_on_both("--background")
wtype("a")
if pointer.ready:
    pointer.move(512, 384)
    pointer.click()
    pointer.move(1424, 300)
    pointer.click()
check(not wait_exit(saver, 1.0), "keys and clicks do not end --background")
check(terminate(saver, 3.0), "SIGTERM ends it")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
stop(saver)

# swayidle starts it after the idle timeout; a key ends it. (Its process is watched: sway 1.10
# no longer logs a layer surface's end, as sway 1.7 did, and a client's surfaces end with it.)
overlays = len(surfaces(OVERLAY))
idle = subprocess.Popen(["swayidle", "-w", "timeout", "1", f"{TIVARO} /s"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
check(wait_for(lambda: len(surfaces(OVERLAY)) >= overlays + 2, 8),
      "swayidle starts the saver once the session is idle")
first = wait_for(lambda: savers_below(idle.pid), 2)
check(bool(first), f"as its own process: {first}")
time.sleep(0.5)
wtype("a")
check(bool(first) and wait_for(lambda: ended(first[0]), 2),
      "a key ends the saver swayidle started: its process is gone")
# A later idle timeout may have started it again: swayidle is held still, so that it starts
# none while what it started is ended, then ended itself. (One left running would make the
# next /s end at once, as a second saver does.)
idle.send_signal(signal.SIGSTOP)
for pid in [*children_of(idle.pid), *(g for c in children_of(idle.pid) for g in children_of(c))]:
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:  # ended (and reaped by its shell) meanwhile
        pass
stop(idle)

# Which backend: with an X display too, /s takes Wayland; TIVARO_BACKEND=wayland insists.
for env, what in (({"DISPLAY": ":77"}, "with DISPLAY set as well, /s"),
                  ({"DISPLAY": ":77", "TIVARO_BACKEND": "wayland"}, "TIVARO_BACKEND=wayland")):
    overlays = len(surfaces(OVERLAY))
    saver = start("/s", env=env)
    check(wait_for(lambda: len(surfaces(OVERLAY)) >= overlays + 2, 5), f"{what} uses Wayland")
    # Once it draws, its surfaces are mapped and one of them has the keyboard.
    grab_fountain("HEADLESS-1")
    wtype("a")
    check(wait_exit(saver, 2.0) and saver.returncode == 0, f"and a key ends it with 0: "
          f"{saver.returncode} {stderr_of(saver).strip()!r}")
    stop(saver)
pointer.close()
keyboard.kill()

# Its buffers hold 8 bits a colour channel and no alpha (wl_shm's xrgb8888, format 1, where
# Mesa draws in software): EGL lists deeper colour first, whose unused top bits screenshot
# tools take for alpha.
with tempfile.TemporaryFile() as protocol:
    saver = subprocess.Popen([TIVARO, "/s"], env=dict(os.environ, WAYLAND_DEBUG="client"),
                             stdout=subprocess.DEVNULL, stderr=protocol)
    wait_for(lambda: saver.poll() is not None, 1.5)
    check(terminate(saver, 3.0), "the traced saver ends on SIGTERM")
    protocol.seek(0)
    formats = set(re.findall(rf"wl_shm_pool{OBJ}\d+\.create_buffer\(new id wl_buffer{OBJ}\d+, "
                             rf"\d+, \d+, \d+, \d+, (\d+)\)".encode(), protocol.read()))
check(formats == {b"1"}, f"the saver draws into opaque 8-bit buffers: {formats}")

# Bad input: a one-line error and exit 1, never a hang.
code, err = run("/s", env={"WAYLAND_DISPLAY": "nonexistent"}, timeout=10)
one_line_error(code, err, "WAYLAND_DISPLAY=nonexistent and no DISPLAY")
code, err = run("/s", env={"WAYLAND_DISPLAY": "nonexistent", "DISPLAY": ":77",
                           "TIVARO_BACKEND": "wayland"}, timeout=10)
one_line_error(code, err, "TIVARO_BACKEND=wayland with no compositor")
code, err = run("/c", timeout=10)
one_line_error(code, err, "/c with Wayland alone")
# Without layer-shell there is no background layer: a fullscreen window would lie over the
# lock and take its input.
code, err = run("--background", env={"TIVARO_WAYLAND_SHELL": "xdg"}, timeout=10)
one_line_error(code, err, "--background without layer-shell")

finish()
