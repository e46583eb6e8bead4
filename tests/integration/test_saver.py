"""The saver on a real X server: window, input, the one-instance rule and the picture."""
import os
import tempfile
import time

from harness import (check, close_request, find_window, finish, geometry, run, screenshot,
                     start, stop, wait_exit, window_title, xdotool, brightness_stats)

tmp = tempfile.mkdtemp()

# /a and every other switch end at once, showing nothing.
for args in (["/a"], ["s"], ["/x"], ["/\u00e9"]):
    code, _ = run(*args, timeout=5)
    check(code == 0, f"{args} exits at once")

# /s shows a full-screen window titled Tivaro_Main within 3 s.
saver = start("/s")
win = find_window("Tivaro_Main", timeout=3)
check(win is not None, "/s shows a window titled Tivaro_Main within 3 s")
if win is not None:
    check(window_title(win) == "Tivaro_Main", "the title reads back exactly")
    check(geometry(win) == (0, 0, 1024, 768), f"the window covers the screen: {geometry(win)}")

    # The fountain: bright, coloured fragments around the centre, black at the corners.
    time.sleep(1.0)
    w, h, rows = screenshot(os.path.join(tmp, "fountain.png"))
    centre = brightness_stats(rows, (w // 4, h // 4, 3 * w // 4, 3 * h // 4))
    corner = brightness_stats(rows, (0, 0, w // 8, h // 8))
    check(centre[0] > 200 and centre[1] > 50,
          f"bright, coloured fragments near the centre: {centre}")
    check(corner[0] < centre[0] / 10, f"the corners stay dark: {corner}")

    # A burst every 201st tick changes the picture completely within a few seconds.
    time.sleep(3.5)
    _, _, later = screenshot(os.path.join(tmp, "later.png"))
    diff = sum(1 for y in range(0, h, 4) for x in range(0, w, 4) if rows[y][x] != later[y][x])
    check(diff > 500, f"the picture moves on ({diff} samples differ)")

    # A second start while the saver runs ends at once, in every mode.
    for args in (["/s"], ["/c"], ["/p", "0"], []):
        code, _ = run(*args, timeout=5)
        check(code == 0, f"a second start with {args} exits at once")

    # Moving the pointer, however far, does not end it.
    xdotool("mousemove", "10", "10")
    xdotool("mousemove", "1000", "700")
    xdotool("mousemove", "512", "384")
    check(not wait_exit(saver, 1.0), "pointer movement does not end the saver")

    # A key press ends it within 2 s.
    xdotool("key", "--window", str(win), "a")
    check(wait_exit(saver, 2.0), "a key press ends the saver within 2 s")
    check(saver.returncode == 0, "and the exit code is 0")
stop(saver)

# A click ends it.
saver = start("/s")
win = find_window("Tivaro_Main", timeout=3)
if win is not None:
    xdotool("mousemove", "300", "300")
    xdotool("click", "1")
    check(wait_exit(saver, 2.0), "a click ends the saver")
stop(saver)

# An empty command line starts the saver too; a close request (WM_DELETE_WINDOW) ends it
# through its unload, which gives the GL context back before the window goes.
saver = start()
win = find_window("Tivaro_Main", timeout=3)
check(win is not None, "an empty command line starts the saver")
if win is not None:
    time.sleep(0.3)
    check(close_request(win), "the close request is sent")
    check(wait_exit(saver, 2.0), "a close request ends the saver")
    check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
    err = saver.stderr.read().decode("utf-8", "replace").strip()
    check(err == "", f"and nothing reported: {err!r}")
stop(saver)

finish()
