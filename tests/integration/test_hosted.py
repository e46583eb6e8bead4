"""The saver inside a window owned by someone else, as the X screen-saver daemon runs it:
`-window-id ID` and `-root` with XSCREENSAVER_WINDOW, on a real X server with Mesa."""
import os
import re
import signal
import subprocess
import tempfile
import time

from harness import brightness_stats, check, finish, run, screenshot, start, stop, wait_exit, xdotool

PANE = os.environ["TIVARO_TEST_PANE"]
tmp = tempfile.mkdtemp()


def open_pane(size):
    pane = subprocess.Popen([PANE, size], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    return pane, int(pane.stdout.readline())


def close_pane(pane):
    if pane.poll() is None:
        pane.stdin.write("destroy\n")
        pane.stdin.flush()
        pane.stdout.readline()
        pane.stdin.close()
        pane.wait()


def child_sizes(window):
    """Sizes (w, h) of the direct children of a window, from xwininfo's tree."""
    out = subprocess.run(["xwininfo", "-children", "-id", str(window)], capture_output=True,
                         text=True).stdout
    return [(int(w), int(h)) for w, h in re.findall(r"^\s+0x[0-9a-f]+ .*?\s(\d+)x(\d+)[+-]\d+[+-]\d+",
                                                     out, re.MULTILINE)]


def wait_for_child(window, timeout=5.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if child_sizes(window):
            return True
        time.sleep(0.05)
    return False


# Drawing into a 400 x 300 window of the test's, following its resize.
pane, pane_id = open_pane("400x300")
saver = start("-window-id", hex(pane_id))
check(wait_for_child(pane_id), "the saver puts its window inside the given one")
time.sleep(1.5)
check(child_sizes(pane_id) == [(400, 300)], f"it fills the window: {child_sizes(pane_id)}")
_, _, rows = screenshot(os.path.join(tmp, "hosted.png"), pane_id)
bright, coloured, _ = brightness_stats(rows)
check(bright > 50 and coloured > 20, f"the fountain shows in it: {bright} bright, {coloured} coloured")
xdotool("windowsize", str(pane_id), "600", "400")
time.sleep(1.0)
check(child_sizes(pane_id) == [(600, 400)], f"it follows a resize: {child_sizes(pane_id)}")
_, _, rows = screenshot(os.path.join(tmp, "hosted-resized.png"), pane_id)
centre, _, _ = brightness_stats(rows, (250, 150, 350, 250))
check(centre > 0, "the fountain is drawn around the new centre")
# Keys and clicks belong to the daemon: they do not end the saver.
xdotool("mousemove", "--window", str(pane_id), "50", "50")
xdotool("click", "1")
xdotool("key", "a")
time.sleep(0.5)
check(saver.poll() is None, "keys and clicks do not end it")
# SIGTERM ends it within a second, cleanly.
saver.send_signal(signal.SIGTERM)
check(wait_exit(saver, 1.0), "SIGTERM ends it within a second")
check(saver.returncode == 0, f"and it ends cleanly ({saver.returncode})")
stop(saver)
close_pane(pane)

# The window going away ends it within a second, twenty times in a row.
ended = 0
unclean = []
for _ in range(20):
    pane, pane_id = open_pane("320x240")
    saver = start("--window-id", str(pane_id))
    wait_for_child(pane_id)
    time.sleep(0.2)
    close_pane(pane)
    if wait_exit(saver, 1.0):
        ended += 1
        if saver.returncode != 0:
            unclean.append((saver.returncode, saver.stderr.read().decode("utf-8", "replace")))
    stop(saver)
check(ended == 20, f"destroying the window ends the saver within a second ({ended} of 20)")
check(not unclean, f"with no crash (code and stderr of each that did not end cleanly: {unclean})")

# -root draws into the window the daemon names in XSCREENSAVER_WINDOW.
pane, pane_id = open_pane("200x150")
saver = start("-root", env={"XSCREENSAVER_WINDOW": hex(pane_id)})
check(wait_for_child(pane_id) and child_sizes(pane_id) == [(200, 150)],
      "-root draws into XSCREENSAVER_WINDOW")
saver.send_signal(signal.SIGINT)
check(wait_exit(saver, 1.0) and saver.returncode == 0, "SIGINT ends it cleanly")
stop(saver)
close_pane(pane)

# A missing, malformed or vanished id: a clear message and a non-zero exit, at once.
for args, env in ((["-window-id"], None), (["--window-id", "0x"], None),
                  (["-window-id", "12ab"], None), (["-root"], {"XSCREENSAVER_WINDOW": "none"}),
                  (["-window-id", str(pane_id)], None)):
    code, err = run(*args, timeout=5, env=env)
    check(code not in (0, None) and err.strip() != "",
          f"{args} {env or ''} exits at once with a message ({code}: {err.strip()})")

finish()
