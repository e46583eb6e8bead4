"""The saver on two monitors: a two-head X server (Xephyr with Xinerama, inside the test's
Xvfb), one fountain centred on each head, input from either head, another client's grab of
the keyboard, and a window manager."""
import os
import subprocess
import tempfile
import time

from harness import (KeyboardGrab, check, find_window, finish, geometry, screenshot, start,
                     stop, wait_exit, xdotool)

tmp = os.environ.get("TIVARO_TEST_TMP") or tempfile.mkdtemp()


def start_two_heads():
    """Starts Xephyr with two 1024x768 heads side by side; returns (process, display)."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xephyr", "-displayfd", str(write_fd), "-screen", "1024x768",
                             "-screen", "1024x768", "+xinerama", "-nolisten", "tcp",
                             "-noreset"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    return proc, f":{number}"


xephyr, os.environ["DISPLAY"] = start_two_heads()
time.sleep(0.5)
try:
    saver = start("/s")
    win = find_window("Tivaro_Main", timeout=5)
    check(win is not None, "/s shows its window on the two-head server")
    if win is not None:
        check(geometry(win) == (0, 0, 2048, 768), f"one window spans both heads: {geometry(win)}")
        # Where the fragments start, overlapping, a fountain burns white. A picture taken
        # while a slow machine is behind may catch a sparse moment: up to five, 0.5 s apart.
        def white(cx, cy):
            return sum(1 for y in range(cy - 32, cy + 32, 2) for x in range(cx - 32, cx + 32, 2)
                       if min(rows[y][x]) > 230)
        time.sleep(0.5)
        for attempt in range(5):
            time.sleep(0.5)
            w, h, rows = screenshot(os.path.join(tmp, "two_heads.png"))
            left, seam, right = white(512, 384), white(1024, 384), white(1536, 384)
            if left > 512 and right > 512 and seam < 100:
                break
        check(left > 512 and right > 512,
              f"each head's fountain starts at its centre: {left} {right} of 1024")
        check(seam < 100, f"not at the seam between them: {seam} of 1024")
        differ = sum(1 for y in range(0, 768, 4) for x in range(0, 1024, 4)
                     if rows[y][x] != rows[y][x + 1024])
        check(differ > 500, f"each head has a fountain of its own ({differ} samples differ)")

        # Moving over to the other head does not end it; a click there does.
        xdotool("mousemove", "1536", "384")
        check(not wait_exit(saver, 0.5), "moving onto the second head does not end it")
        xdotool("click", "1")
        check(wait_exit(saver, 2.0), "a click on the second head ends the saver")
        check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
    stop(saver)

    # Another client holds the keyboard: the saver still starts, says so once it stops
    # waiting for it, and a key still ends it once the keyboard is free.
    grab = KeyboardGrab()
    check(grab.status == 0, "the other client holds the keyboard")
    saver = start("/s")
    win = find_window("Tivaro_Main", timeout=5)
    check(win is not None, "the saver starts although another client holds the keyboard")
    time.sleep(1.5)
    grab.release()
    check(saver.poll() is None, "and keeps running")
    if win is not None:
        time.sleep(0.3)
        xdotool("key", "a")
        check(wait_exit(saver, 2.0), "a key ends it once the other client lets go")
        err = saver.stderr.read().decode("utf-8", "replace")
        check("another program holds the keyboard" in err, f"it said it ran without: {err!r}")
    stop(saver)

    # Under a window manager, which fits a full-screen window to one monitor, the saver
    # still spans both.
    wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    saver = start("/s")
    win = find_window("Tivaro_Main", timeout=5)
    if win is not None:
        time.sleep(0.5)
        check(geometry(win) == (0, 0, 2048, 768),
              f"with a window manager it spans both heads: {geometry(win)}")
        xdotool("key", "a")
        check(wait_exit(saver, 2.0), "and a key ends it")
    check(win is not None, "the saver starts under a window manager")
    stop(saver)
    wm.kill()
finally:
    xephyr.kill()
    xephyr.wait()

finish()
