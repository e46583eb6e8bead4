"""A compositor with no output at the saver's start (every monitor off or unplugged): the saver
waits, covers the first output that comes with a fountain, and a key on it ends it with 0."""
from sway_harness import (bright_centroid, centred, check, finish, grab_fountain, hold_keyboard,
                          outputs, shows_fountain, start, stderr_of, stop, swaymsg, wait_exit,
                          wait_for, wtype)

keyboard = hold_keyboard()
check(not outputs(), f"sway starts with no output: {outputs()}")
saver = start("/s")
check(not wait_exit(saver, 1.5), "with nothing to cover, /s waits")
swaymsg("create_output")
check(wait_for(lambda: len(outputs()) == 1, 5), "an output comes")
name = outputs()[0]["name"] if outputs() else "HEADLESS-1"
picture = grab_fountain(name)
ok, stats = shows_fountain(picture)
centroid = bright_centroid(picture)
check(ok and centred(centroid), f"{name} shows a fountain centred on it: {stats}, {centroid}")
wtype("a")
check(wait_exit(saver, 5.0), "a key on it ends the saver")
check(saver.returncode == 0, f"with exit code 0: {saver.returncode} {stderr_of(saver)!r}")
stop(saver)
keyboard.kill()
keyboard.wait()
finish()
