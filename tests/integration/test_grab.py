"""The saver and another client's grab of the keyboard: held for 3 s after the saver
starts, then let go. The saver runs meanwhile (a click still ends it), says once
on stderr that it runs without the keyboard, and takes the keyboard once it is free: a
further client's grab then fails. A key ends it."""
import time

from harness import KeyboardGrab, check, find_window, finish, start, stop, wait_exit, xdotool

ALREADY_GRABBED = 1

grab = KeyboardGrab()
check(grab.status == 0, "the other client holds the keyboard")
saver = start("/s")
win = find_window("Tivaro_Main", timeout=5)
check(win is not None, "the saver starts although another client holds the keyboard")
time.sleep(3.0)
check(saver.poll() is None, "it runs while the other client holds the keyboard")
grab.release()
time.sleep(2.0)  # it asks again about once a second
probe = KeyboardGrab()
check(probe.status == ALREADY_GRABBED,
      f"once the other client lets go the saver holds the keyboard (a grab now gets "
      f"{probe.status})")
probe.release()
check(saver.poll() is None, "and keeps running")
xdotool("key", "a")
check(wait_exit(saver, 3.0), "a key ends it")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode}")
err = saver.stderr.read().decode("utf-8", "replace") if saver.poll() is not None else ""
told = err.count("another program holds the keyboard")
check(told == 1, f"it said once that it ran without the keyboard: {err!r}")
stop(saver)

# While another client keeps the keyboard, a click still ends it.
grab = KeyboardGrab()
saver = start("/s")
win = find_window("Tivaro_Main", timeout=5)
if win is not None:
    time.sleep(1.5)
    xdotool("click", "1")
    check(wait_exit(saver, 3.0), "while another client holds the keyboard a click ends it")
check(win is not None, "the saver starts a second time beside the other client's grab")
stop(saver)
grab.release()

finish()
