"""The saver on a real Wayland compositor (headless sway, two outputs, the second at scale 2):
a layer-shell overlay per output with its own fountain, drawn at device pixels; keys and
clicks end it and motion does not; an output added while it runs gets covered; a second start
ends at once; the timing report; and the compositor dying under it."""
import os
import re
import signal
import threading
import time

from sway_harness import (OBJ, Pointer, bright_centroid, centred, check, finish, grab_fountain,
                          hold_keyboard, layer_surfaces, outputs, run, shows_fountain, start,
                          stderr_of, stop, swaymsg, wait_exit, wait_for, wtype)

# Pictures are kept only where TIVARO_TEST_TMP names a folder for them.
tmp = os.environ.get("TIVARO_TEST_TMP")


def keep(name):
    return os.path.join(tmp, name) if tmp else None
ANCHOR_ALL = 15  # top | bottom | left | right
OVERLAY = 3


def saver_surfaces():
    return [s for s in layer_surfaces("tivaro") if s["layer"] == OVERLAY]


def wait_covered(count, before, timeout=5.0):
    """Waits until `count` more tivaro overlay surfaces than `before` exist."""
    return wait_for(lambda: len(saver_surfaces()) >= before + count, timeout)


class ClientLog:
    """The saver's own protocol log (WAYLAND_DEBUG=client on its stderr), read as it comes so
    that the pipe never fills."""

    def __init__(self, proc):
        self.lines = []
        self.changed = threading.Condition()
        self.reader = threading.Thread(target=self._read, args=(proc.stderr,), daemon=True)
        self.reader.start()

    def _read(self, pipe):
        for raw in pipe:
            with self.changed:
                self.lines.append(raw.decode("utf-8", "replace"))
                self.changed.notify_all()

    def wait(self, condition, timeout):
        with self.changed:
            return self.changed.wait_for(lambda: condition(self.lines), timeout)


def layer_surfaces_made(lines):
    """(layer surface id, wl_surface id) of each layer surface the client made, in order."""
    made = (re.search(rf"get_layer_surface\(new id zwlr_layer_surface_v1{OBJ}(\d+), "
                      rf"wl_surface{OBJ}(\d+),", l) for l in lines)
    return [m.groups() for m in made if m]


def first_shown(lines, surface):
    """The line at which `surface` is first committed with a buffer attached, or None."""
    attached = False
    for i, line in enumerate(lines):
        if re.search(rf"-> wl_surface{OBJ}{surface}\.attach\(wl_buffer{OBJ}", line):
            attached = True
        elif attached and re.search(rf"-> wl_surface{OBJ}{surface}\.commit\(\)", line):
            return i
    return None


def first_line(lines, pattern, after=-1):
    """The first line after line `after` that matches `pattern`, or None."""
    return next((i for i, l in enumerate(lines) if i > after and re.search(pattern, l)), None)


def all_shown(lines, count):
    surfaces = layer_surfaces_made(lines)
    return len(surfaces) == count and all(first_shown(lines, s) is not None for _, s in surfaces)


def sharpness(picture):
    """How sharp the picture is at the device grid: (sharp, steps, within, across). Of the
    horizontally adjacent pixels whose brightest channels differ by more than 24 (steps),
    sharp differ by more than 96; within start at an even column and across at an odd one.
    A picture drawn at half the size and enlarged has no difference within pairs of columns
    (nearest pixel), or hardly any step over half the largest (any smoothing filter): drawn at
    device pixels, the fountain's edges give 3 to 7 % sharp steps, as many within as across;
    enlarged from half its size, 0 within, or under 1 % sharp."""
    sharp = steps = within = across = 0
    data, w = picture.data, picture.width
    for y in range(0, picture.height, 2):
        row = data[y * w * 3:(y + 1) * w * 3]
        lum = [max(row[i], row[i + 1], row[i + 2]) for i in range(0, len(row), 3)]
        for x in range(w - 1):
            step = abs(lum[x] - lum[x + 1])
            if step > 24:
                steps += 1
                sharp += step > 96
                if x % 2 == 0:
                    within += 1
                else:
                    across += 1
    return sharp, steps, within, across


keyboard = hold_keyboard()
layout = {o["name"]: o for o in outputs()}
check(sorted(layout) == ["HEADLESS-1", "HEADLESS-2"], f"sway has two outputs: {sorted(layout)}")

# /s covers each output with an overlay layer surface of its own, anchored to every edge.
saver = start("/s", env={"TIVARO_TIMING": "1"})
check(wait_covered(2, 0), f"/s makes an overlay surface per output: {layer_surfaces('tivaro')}")
time.sleep(1.0)  # before the fountain spreads to the corners
check(saver.poll() is None, "the saver runs")

# Each output shows its own fountain, centred on it, at the output's device resolution.
pictures = {}
for name, size, centre in (("HEADLESS-1", (1024, 768), (512, 384)),
                           ("HEADLESS-2", (1600, 1200), (800, 600))):
    pic = grab_fountain(name, keep(f"{name}.ppm"))
    pictures[name] = pic
    check((pic.width, pic.height) == size, f"{name} is {size} device pixels: "
          f"{pic.width}x{pic.height}")
    ok, stats = shows_fountain(pic)
    check(ok, f"{name} shows a fountain (centre, corner): {stats}")
    centroid = bright_centroid(pic)
    check(centred(centroid),
          f"{name}: centred on the output: its light's centre is at {centroid} of its size")

# The scale-2 output's fountain is drawn at 1600x1200, not drawn at 800x600 and enlarged.
sharp, steps, within, across = sharpness(pictures["HEADLESS-2"])
check(sharp > steps * 0.015, f"HEADLESS-2 has edges one device pixel wide: {sharp} of {steps}"
      " steps are sharp")
check(within > across * 0.8, f"and as much detail within pairs of device columns as across: "
      f"{within} within, {across} across")

# A second /s ends at once, while the first goes on.
before = len(layer_surfaces("tivaro"))
code, err = run("/s", timeout=5)
check(code == 0, f"a second /s exits at once with 0: {code} {err.strip()!r}")
check(len(layer_surfaces("tivaro")) == before, "showing nothing")
check(saver.poll() is None, "the first goes on")

# Pointer motion, on either output and between them, does not end it.
pointer = Pointer()
check(pointer.ready, f"the virtual pointer is ready: {pointer.errors()!r}")
if pointer.ready:
    moved = all([pointer.move(512, 384), pointer.move(1424, 300), pointer.rel(-300, 50),
                 pointer.move(10, 10), pointer.rel(40, 40)])
    check(moved, "the pointer moved over both outputs")
    check(not wait_exit(saver, 1.0), "pointer motion does not end the saver")

# An output added while it runs is covered with a fountain of its own.
before = len(saver_surfaces())
swaymsg("create_output")
new = wait_for(lambda: [n for n in (o["name"] for o in outputs()) if n not in layout], 5)
check(bool(new), f"sway made a new output: {new}")
if new:
    name = new[0]
    swaymsg("output", name, "resolution", "640x480", "position", "0", "768")
    check(wait_covered(1, before), f"the saver covers the new output {name}")
    time.sleep(1.0)
    check(saver.poll() is None, "and goes on running")
    pic = grab_fountain(name, keep(f"{name}.ppm"))
    check((pic.width, pic.height) == (640, 480), f"{name} is 640x480: {pic.width}x{pic.height}")
    ok, stats = shows_fountain(pic)
    check(ok, f"{name} shows a fountain: {stats}")
    centroid = bright_centroid(pic)
    check(centred(centroid),
          f"centred on it: its light's centre is at {centroid} of its size")
    # A new scale that keeps the output's logical size (640x480 at 1, then 1280x960 at 2)
    # gives its fountain a buffer of the new device size, drawn at device pixels.
    swaymsg("output", name, "resolution", "1280x960", "scale", "2")
    time.sleep(1.0)
    check(saver.poll() is None, "a new scale for it does not end the saver")
    pic = grab_fountain(name, keep(f"{name}-scale2.ppm"))
    check((pic.width, pic.height) == (1280, 960), f"{name} is now 1280x960: "
          f"{pic.width}x{pic.height}")
    ok, stats = shows_fountain(pic)
    check(ok, f"{name} at scale 2 shows a fountain: {stats}")
    sharp, steps, within, across = sharpness(pic)
    check(sharp > steps * 0.015 and within > across * 0.8,
          f"drawn at its new device pixels: {sharp} of {steps} steps sharp, {within} within "
          f"pairs of columns, {across} across")
    # (Taking an output away cannot be tried here: sway 1.7 fails to disable a headless
    # output, and has no command to unplug one.)

# A key ends it with 0, and the timing report follows.
wtype("a")
check(wait_exit(saver, 2.0), "a key press ends the saver within 2 s")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
err = stderr_of(saver)
frames = re.search(r"^tivaro: (\d+) frames in [0-9.]+ s$", err, re.M)
check(re.search(r"^tivaro: first frame at \d+ ns$", err, re.M) is not None and
      frames is not None and int(frames.group(1)) > 0,
      f"TIVARO_TIMING=1 reports its frames: {err!r}")

# Its surfaces show, and so take the keyboard, as soon as the compositor sizes them: each is
# committed with a buffer of its own before EGL loads its driver (which opens a registry of
# its own) and before the first frame (whose callback it asks for). A key sent then, while the
# fountain is still being set up, ends it with 0 once it is.
count = len(outputs())
saver = start("/s", env={"WAYLAND_DEBUG": "client"})
log = ClientLog(saver)
shown = log.wait(lambda lines: all_shown(lines, count), 10.0)
if shown:
    wtype("a")
check(shown, f"/s commits a buffer to each of its {count} layer surfaces")
check(wait_exit(saver, 10.0), "a key sent as soon as they show ends the saver")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
log.reader.join(5.0)
lines = log.lines
registry = rf"-> wl_display{OBJ}1\.get_registry\("
egl_registry = first_line(lines, registry, first_line(lines, registry) or 0)
for layer, surface in layer_surfaces_made(lines):
    # Each is anchored to all four edges before it is first committed (sway's own log cannot
    # say so: sway 1.10 logs the anchor before the client sets it).
    anchor = first_line(lines, rf"-> zwlr_layer_surface_v1{OBJ}{layer}\.set_anchor\({ANCHOR_ALL}\)")
    commit = first_line(lines, rf"-> wl_surface{OBJ}{surface}\.commit\(\)")
    check(anchor is not None and commit is not None and anchor < commit,
          f"layer surface {layer} is anchored to all four edges (line {anchor}) before its "
          f"first commit (line {commit})")
    first = first_shown(lines, surface)
    frame = first_line(lines, rf"-> wl_surface{OBJ}{surface}\.frame\(")
    check(first is not None and egl_registry is not None and first < egl_registry,
          f"wl_surface@{surface} shows (line {first}) before EGL starts (line {egl_registry})")
    check(first is not None and (frame is None or first < frame),
          f"wl_surface@{surface} shows (line {first}) before its first frame (line {frame})")
# No frame follows the key that ends it: one drawn then would only hold the end up.
key = first_line(lines, rf"wl_keyboard{OBJ}\d+\.key\(\d+, \d+, \d+, 1\)")
late = first_line(lines, rf"-> wl_surface{OBJ}\d+\.attach\(",
                  key if key is not None else len(lines))
check(key is not None and late is None,
      f"nothing is committed after the key (line {key}): {lines[late] if late else ''!r}")
stop(saver)

# A click ends it, on either output.
for name, x, y in (("HEADLESS-2", 1424, 300), ("HEADLESS-1", 300, 300)):
    before = len(saver_surfaces())
    saver = start("/s")
    check(wait_covered(2, before), f"/s starts again (for a click on {name})")
    time.sleep(0.5)
    if pointer.ready:
        pointer.move(x, y)
        check(not wait_exit(saver, 0.3), f"moving onto {name} does not end it")
        pointer.click()
        check(wait_exit(saver, 2.0), f"a click on {name} ends the saver")
        check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
    stop(saver)
pointer.close()
keyboard.kill()

# The compositor dies under it: it ends with 1 and says why, promptly.
before = len(saver_surfaces())
saver = start("/s")
check(wait_covered(2, before), "/s starts once more")
time.sleep(0.5)
os.kill(int(os.environ["TIVARO_SWAY_PID"]), signal.SIGKILL)
check(wait_exit(saver, 3.0), "when sway is killed, the saver ends within 3 s")
check(saver.returncode == 1, f"with exit code 1: {saver.returncode}")
err = stderr_of(saver).strip()
check(err.startswith("tivaro: ") and len(err.splitlines()) == 1,
      f"and one line on stderr: {err!r}")

finish()
