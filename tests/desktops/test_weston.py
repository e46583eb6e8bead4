"""The saver under weston (10 on Debian 12, 14 on Debian 13), which has no layer-shell: a
fullscreen xdg-shell window per output. weston runs on its Wayland backend inside the headless
sway of run_under_sway.sh (headless weston has no seat), two outputs, the second at scale 2,
each a window in sway; sway's seat, driven by wtype and our virtual pointer, reaches weston's
windows and so the saver. Pictures come from weston's own screenshooter (weston --debug)."""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wayland"))
from sway_harness import (OBJ, Picture, Pointer, TIVARO, bright_centroid, centred,  # noqa: E402
                          check, finish, hold_keyboard, shows_fountain, start, stderr_of, stop,
                          swaymsg, views, wait_exit, wait_for, wtype)

# Pictures are kept only where TIVARO_TEST_TMP names a folder for them.
tmp = os.environ.get("TIVARO_TEST_TMP")

# weston's outputs: name, logical box in its layout, scale. Its Wayland backend puts them side
# by side in the order of the config file.
OUTPUTS = {"WL1": ((0, 0, 800, 600), 1), "WL2": ((800, 0, 360, 270), 2)}
CONFIG = """[shell]
panel-position=none
background-color=0xff203040

[output]
name=WL1
mode=800x600

[output]
name=WL2
mode=360x270
scale=2
"""
# wl_shm formats with eight bits a channel (the saver's frames are XRGB8888, the arrow it loads
# ARGB8888); EGL's first configuration on Mesa would give XRGB2101010.
EIGHT_BIT_SHM = {0: "ARGB8888", 1: "XRGB8888"}

work = tempfile.mkdtemp(prefix="tivaro-weston.")
socket = f"tivaro-weston-{os.getpid()}"
weston_env = dict(os.environ, WAYLAND_DISPLAY=socket)


def device_box(name):
    """An output's box in weston's pictures: at its logical place, at its device size."""
    (x, y, w, h), scale = OUTPUTS[name]
    return x, y, w * scale, h * scale


def screenshot(tag):
    """weston's picture of each output: {name: Picture}. The file holds weston's frame with
    its colour divided by the fourth byte, taken for alpha, so it is put back on black."""
    shot_dir = tempfile.mkdtemp(dir=work)
    shot = subprocess.run(["weston-screenshooter"], cwd=shot_dir, env=weston_env,
                          capture_output=True, text=True, timeout=20)
    files = glob.glob(os.path.join(shot_dir, "*.png"))
    if shot.returncode != 0 or not files:
        raise RuntimeError(f"weston-screenshooter failed: {shot.stderr.strip()!r}")
    if tmp:
        shutil.copy(files[0], os.path.join(tmp, f"weston-{tag}.png"))
    pictures = {}
    for name in OUTPUTS:
        x, y, w, h = device_box(name)
        raw = subprocess.run(["convert", files[0], "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                              "-background", "black", "-alpha", "remove", "-alpha", "off",
                              "-depth", "8", "rgb:-"], capture_output=True, timeout=20).stdout
        pictures[name] = Picture(w, h, raw)
    shutil.rmtree(shot_dir)
    return pictures


def fountains(tag, tries=5):
    """(ok, details): whether a picture of up to `tries`, half a second apart, shows on each
    output a fountain centred on it (now and then the spray leans far to one side)."""
    for _ in range(tries):
        details = {}
        for name, pic in screenshot(tag).items():
            ok, stats = shows_fountain(pic)
            centroid = bright_centroid(pic)
            details[name] = (ok and centred(centroid), (pic.width, pic.height), stats, centroid)
        if all(d[0] for d in details.values()):
            return True, details
        time.sleep(0.5)
    return False, details


def light_greys(picture, box):
    """The light grey or white pixels in box (x0, y0, x1, y1): an arrow's outline, which
    neither weston's dark background nor the fountain's dark corners have."""
    x0, y0, x1, y1 = box
    found = 0
    for y in range(max(y0, 0), min(y1, picture.height)):
        for x in range(max(x0, 0), min(x1, picture.width)):
            pixel = picture.rows[y][x]
            found += min(pixel) > 120 and max(pixel) - min(pixel) < 40
    return found


def weston_windows():
    """weston's output windows in sway: {output name: sway view}."""
    return {v["name"].rsplit(" ", 1)[-1]: v for v in views()
            if v.get("pid") == weston.pid and v.get("name", "").startswith("Weston Compositor")}


def inside(name, fx, fy):
    """The point of sway's layout at (fx, fy) of weston output `name`'s picture in its window
    (weston draws a frame around it: even at the sides and bottom, the rest on top)."""
    rect = weston_windows()[name]["rect"]
    _, _, w, h = device_box(name)
    side = (rect["width"] - w) // 2
    top = rect["height"] - h - side
    return rect["x"] + side + int(fx * w), rect["y"] + top + int(fy * h)


def fullscreen_buffers(path):
    """From a WAYLAND_DEBUG=client log: the wl_outputs the saver's toplevels were made
    fullscreen on, and the wl_shm formats of its buffers."""
    with open(path, encoding="utf-8", errors="replace") as f:
        log = f.read()
    on = re.findall(rf"-> xdg_toplevel{OBJ}\d+\.set_fullscreen\((wl_output{OBJ}\d+)\)", log)
    formats = {int(m) for m in
               re.findall(rf"-> wl_shm_pool{OBJ}\d+\.create_buffer\(new id wl_buffer{OBJ}\d+, "
                          rf"\d+, \d+, \d+, \d+, (\d+)\)", log)}
    return on, formats, "zwlr_layer_shell" in log


savers = []
keyboard = hold_keyboard()  # sway's seat has a keyboard and a pointer before weston binds it
pointer = Pointer()
weston = None
try:
    check(pointer.ready, f"the virtual pointer is ready: {pointer.errors()!r}")
    with open(os.path.join(work, "weston.ini"), "w", encoding="utf-8") as f:
        f.write(CONFIG)
    # weston's windows float, without sway's borders, one on each of sway's outputs.
    swaymsg('for_window [title="^Weston Compositor"] floating enable, border none')
    weston = subprocess.Popen(
        ["weston", "--backend=wayland-backend.so", "--use-pixman", "--output-count=2",
         f"--config={work}/weston.ini", f"--socket={socket}", "--debug",
         f"--log={work}/weston.log"],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    runtime = os.environ["XDG_RUNTIME_DIR"]
    up = wait_for(lambda: os.path.exists(os.path.join(runtime, socket)) and
                  len(weston_windows()) == 2, 20)
    check(up, f"weston is up with a window for each of its outputs: {sorted(weston_windows())}")
    if not up:
        raise RuntimeError("weston did not come up; its log is " + f"{work}/weston.log")
    swaymsg('[title="^Weston Compositor - WL1$"] move absolute position 0 0')
    swaymsg('[title="^Weston Compositor - WL2$"] move absolute position 1024 0')

    # Before the saver: weston draws its arrow where the pointer is, over its background.
    corner = inside("WL1", 0.1, 0.1)
    pointer.move(*corner)
    at = device_box("WL1")[2] // 10, device_box("WL1")[3] // 10
    near = (at[0] - 40, at[1] - 40, at[0] + 40, at[1] + 40)
    for _ in range(10):  # until the pointer's entry has reached weston and its shell
        arrow = light_greys(screenshot("arrow")["WL1"], near)
        if arrow >= 20:
            break
        time.sleep(0.5)
    check(arrow >= 20, f"weston draws its arrow at the pointer before the saver starts: "
          f"{arrow} light pixels near {at}")

    # /s: a fullscreen xdg-shell window per output, each with its own fountain, drawn in
    # buffers of eight bits a channel.
    debug_log = os.path.join(work, "saver-1.log")
    with open(debug_log, "w", encoding="utf-8") as log:
        saver = subprocess.Popen([TIVARO, "/s"], env=dict(weston_env, WAYLAND_DEBUG="client"),
                                 stdout=subprocess.DEVNULL, stderr=log)
    savers.append(saver)
    ok, details = fountains("saver")
    check(ok, f"each of weston's outputs shows a fountain centred on it: {details}")
    check(all(d[1] == device_box(n)[2:] for n, d in details.items()),
          f"at its device size (WL2 at scale 2): {details}")
    on, formats, layer_shell = fullscreen_buffers(debug_log)
    check(len(set(on)) == 2 and not layer_shell,
          f"in a fullscreen xdg-shell toplevel on each of weston's two outputs: {on}")
    check(formats and formats <= set(EIGHT_BIT_SHM),
          f"all its buffers have eight bits a channel: wl_shm formats {sorted(formats)}")

    # Pointer motion over both of weston's outputs does not end it; the pointer, last moved
    # into WL1's corner, is hidden there.
    moved = all([pointer.move(*inside("WL2", 0.5, 0.5)), pointer.move(*inside("WL1", 0.5, 0.5)),
                 pointer.rel(-30, 20), pointer.move(*corner)])
    check(moved, "the pointer moved over both of weston's outputs")
    check(not wait_exit(saver, 1.0), "pointer motion does not end the saver")
    # Fragments may fly through the corner: the arrow, if drawn, is in every picture.
    shown = [light_greys(screenshot(f"hidden-{i}")["WL1"], near) for i in range(3)]
    check(min(shown) < max(arrow // 4, 1),
          f"and the pointer is hidden over it: {shown} light pixels near {at}, {arrow} with"
          " weston's arrow")

    # A key ends it with 0.
    wtype("a")
    check(wait_exit(saver, 2.0), "a key press ends the saver within 2 s")
    check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")

    # A click on the scale-2 output ends it with 0.
    saver = start("/s", env={"WAYLAND_DISPLAY": socket})
    savers.append(saver)
    check(fountains("click")[0], "/s starts again (for a click)")
    pointer.move(*inside("WL2", 0.3, 0.6))
    check(not wait_exit(saver, 0.5), "moving onto WL2 does not end it")
    pointer.click()
    check(wait_exit(saver, 2.0), "a click ends the saver within 2 s")
    check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")

    # weston dies under it: it ends, not with 0, and says why in one line.
    saver = start("/s", env={"WAYLAND_DISPLAY": socket})
    savers.append(saver)
    check(fountains("kill")[0], "/s starts once more")
    weston.kill()
    weston.wait()
    check(wait_exit(saver, 3.0), "when weston is killed, the saver ends within 3 s")
    check(saver.returncode not in (0, None), f"with a non-zero exit code: {saver.returncode}")
    err = stderr_of(saver).strip()
    check(err.startswith("tivaro: ") and len(err.splitlines()) == 1,
          f"and one line on stderr: {err!r}")
finally:
    for proc in savers:
        stop(proc)
    if weston is not None and weston.poll() is None:
        weston.terminate()
        if not wait_exit(weston, 5):
            stop(weston)
    pointer.close()
    keyboard.kill()
    keyboard.wait()
    if tmp and os.path.exists(f"{work}/weston.log"):
        shutil.copy(f"{work}/weston.log", tmp)
    shutil.rmtree(work, ignore_errors=True)

finish()
