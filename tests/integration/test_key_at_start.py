"""A key typed the moment the saver's window exists is the saver's: it ends the saver, with
exit code 0, as a key does once the saver draws. The saver holds the keyboard from the start,
before its windows, so no such key can reach the program that had the keyboard before.
Each round looks for the window without a pause (xdotool's own --sync looks only every
half second) and sends the key as soon as it is there.

The ways to run that take no input hold no keyboard at any moment: the credits dialog, the
preview, and the saver in the X screen-saver daemon's window (-window-id, -root); while each
shows, another client takes the keyboard."""
import os
import subprocess
import time

from harness import (KeyboardGrab, check, find_window, finish, start, stop, wait_exit,
                     xdotool)

ROUNDS = 5


def window_made(name, timeout=20.0):
    """Whether a window whose whole title is `name` came, mapped or not, looked for again and
    again."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if xdotool("search", "--name", f"^{name}$").stdout.split():
            return True
    return False


for round_number in range(1, ROUNDS + 1):
    saver = start("/s")
    found = window_made("Tivaro_Main")
    xdotool("key", "a")
    check(found, f"round {round_number}: the saver's window exists")
    # Long enough for a loaded machine's first frame, after which a caught key ends it.
    ended = wait_exit(saver, 10.0)
    check(ended and saver.returncode == 0,
          f"round {round_number}: a key sent as soon as the window exists ends the saver, "
          f"with 0 ({saver.returncode if ended else 'still running'})")
    stop(saver)

CAPTION = "Tivaro\uff1f\u306e\u8a2d\u5b9a"
pane = subprocess.Popen([os.environ["TIVARO_TEST_PANE"], "400x300"], stdin=subprocess.PIPE,
                        stdout=subprocess.PIPE, text=True)
pane_id = int(pane.stdout.readline())


def shows_child(window, shown=True, timeout=10.0):
    """Whether `window` comes to have a child (shown), or comes to have none."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-children", "-id", str(window)],
                              capture_output=True, text=True).stdout
        if ("1 child" in tree) == shown:
            return True
        time.sleep(0.05)
    return False


for args, shown in ((["/c"], lambda: find_window(CAPTION, timeout=10) is not None),
                    (["/p", str(pane_id)], lambda: shows_child(pane_id)),
                    (["-window-id", hex(pane_id)], lambda: shows_child(pane_id)),
                    (["-root"], lambda: time.sleep(1.5) is None)):
    other = start(*args, env={"XSCREENSAVER_WINDOW": ""})
    check(shown(), f"{args[0]} shows")
    probe = KeyboardGrab()
    check(probe.status == 0, f"while {args[0]} shows another client takes the keyboard "
                             f"({probe.status})")
    probe.release()
    stop(other)
    check(shows_child(pane_id, shown=False), f"{args[0]} is gone")
pane.stdin.close()
pane.terminate()
pane.wait()

finish()
