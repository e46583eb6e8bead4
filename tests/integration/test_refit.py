"""A monitor that arrives while the saver runs under a window manager. Xvfb 2048 x 768
with one RandR monitor L (0,0 1024 x 768), openbox, and a window with private text on L;
the saver starts on L, then monitor R (1024,0 1024 x 768) arrives. The saver's window
must then span both monitors, a fountain lit on each, and the private window stay hidden,
not showing even for a moment while the window is placed anew.
The same once more without a window manager, and R going away again."""
import os
import subprocess
import tempfile
import time

from harness import (check, find_window, finish, geometry, screenshot, start,
                     stop, wait_exit, xdotool)

tmp = tempfile.mkdtemp()
PRIVATE = (0, 255, 0)  # the private window's background


def xrandr(*args):
    return subprocess.run(["xrandr", *args], capture_output=True, text=True, timeout=10)


def monitors():
    return [line.split()[1] for line in xrandr("--listmonitors").stdout.splitlines()[1:]]


def shot(name):
    _, _, rows = screenshot(os.path.join(tmp, name + ".png"))
    return rows


def private_pixels(rows):
    return sum(1 for row in rows[::2] for p in row[::2] if p == PRIVATE)


def lit(rows, box):
    """Bright samples in box that are not the private window's."""
    x0, y0, x1, y1 = box
    samples = [rows[y][x] for y in range(y0, y1, 2) for x in range(x0, x1, 2)]
    return sum(1 for p in samples if max(p) > 60 and p != PRIVATE), len(samples)


# One monitor L over the left half of the screen (it takes the screen's output).
xrandr("--setmonitor", "L", "1024/270x768/203+0+0", "screen")
check(monitors() == ["L"], f"the server has the one monitor L: {monitors()}")


def run_case(with_wm):
    label = "under openbox" if with_wm else "without a window manager"
    wm = None
    if with_wm:
        wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)
    private = subprocess.Popen(["xmessage", "-bg", "green", "-geometry", "400x300+100+100",
                                "private text"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        check(find_window("xmessage", timeout=5) is not None, f"the private window shows ({label})")
        time.sleep(0.5)
        check(private_pixels(shot(f"private-{with_wm}")) > 1000,
              f"the private window is seen on L before the saver ({label})")
        saver = start("/s")
        win = find_window("Tivaro_Main", timeout=5)
        check(win is not None, f"the saver starts ({label})")
        if win is None:
            stop(saver)
            return
        time.sleep(1.0)
        check(geometry(win) == (0, 0, 1024, 768), f"it covers L: {geometry(win)} ({label})")
        # Watched from before R arrives until the saver has settled on both monitors.
        watcher = subprocess.Popen([os.environ["TIVARO_WATCH_COLOUR"], "200", "200", "00ff00"],
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check(watcher.stdout.readline().strip() == "ready", f"the watcher is ready ({label})")
        xrandr("--setmonitor", "R", "1024/270x768/203+1024+0", "none")
        check(monitors() == ["L", "R"], f"monitor R arrives: {monitors()}")
        time.sleep(1.5)
        samples, seen = map(int, watcher.communicate("stop\n", timeout=10)[0].split())
        check(samples > 100 and seen == 0,
              f"the private window never showed while the saver was placed anew: in {seen} of "
              f"{samples} looks ({label})")
        check(geometry(win) == (0, 0, 2048, 768),
              f"the saver's window spans both monitors: {geometry(win)} ({label})")
        rows = shot(f"two-{with_wm}")
        hidden = private_pixels(rows)
        check(hidden == 0, f"the private window stays hidden ({hidden} samples show it, {label})")
        for name, box in (("L", (0, 0, 1024, 768)), ("R", (1024, 0, 2048, 768))):
            bright, total = lit(rows, box)
            check(bright > total // 50, f"a fountain is lit on {name}: {bright} of {total} ({label})")
        # R goes again: the window covers L alone, still hiding the private window.
        xrandr("--delmonitor", "R")
        time.sleep(1.5)
        x, y, w, h = geometry(win)
        check(x <= 0 and y <= 0 and x + w >= 1024 and y + h >= 768,
              f"when R goes the window still covers L: {(x, y, w, h)} ({label})")
        hidden = private_pixels(shot(f"one-again-{with_wm}"))
        check(hidden == 0, f"and the private window stays hidden ({hidden} samples, {label})")
        xdotool("key", "a")
        check(wait_exit(saver, 3.0), f"a key ends it ({label})")
        stop(saver)
    finally:
        private.kill()
        private.wait()
        if wm is not None:
            wm.kill()
            wm.wait()
            time.sleep(0.5)


run_case(with_wm=True)
run_case(with_wm=False)
finish()
