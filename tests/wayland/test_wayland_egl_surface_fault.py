"""An output that EGL makes no surface for (EGL itself refuses it, through a library loaded
into the program, egl_surface_fault.c): the saver says so in one line, draws on the other output, and covers the
black one with a fountain as soon as a change of the output lets EGL make it a surface. With
no output to draw on at all, it ends at once with that said in one line and code 1."""
import os
import select

from sway_harness import (brightness_stats, check, finish, grab, grab_fountain, hold_keyboard,
                          outputs, preloading, shows_fountain, start, stderr_of, stop, swaymsg, wait_exit,
                          wait_for, wtype)

FAULT = os.environ["TIVARO_EGL_SURFACE_FAULT"]


def refusing(sizes):
    return start("/s", env=preloading(FAULT, TIVARO_TEST_EGL_REFUSE=sizes))


def stderr_line(proc, timeout):
    """The next line the program writes on stderr, or None when none comes in time."""
    ready, _, _ = select.select([proc.stderr], [], [], timeout)
    return proc.stderr.readline().decode("utf-8", "replace").rstrip("\n") if ready else None


keyboard = hold_keyboard()

# HEADLESS-1's surface is refused at its size, however often its configures ask again.
saver = refusing("1024x768")
line = stderr_line(saver, 10)
check(line is not None and line.startswith("tivaro: the output at 0,0 (1024x768) stays black: "
                                           "EGL made no surface to draw on (EGL error 0x"),
      f"the refused output is named in one line: {line!r}")
ok, stats = shows_fountain(grab_fountain("HEADLESS-2"))
check(ok, f"the other output shows a fountain: {stats}")
bright, _, _ = brightness_stats(grab("HEADLESS-1").rows)
check(bright == 0, f"the refused one is black: {bright} bright")
# A new mode configures its surface afresh, at a size EGL makes a surface for.
swaymsg("output", "HEADLESS-1", "resolution", "800x600")
check(wait_for(lambda: any(o["name"] == "HEADLESS-1" and o["rect"]["width"] == 800
                           for o in outputs()), 5), "HEADLESS-1 changes to 800x600")
ok, stats = shows_fountain(grab_fountain("HEADLESS-1"))
check(ok, f"then it shows a fountain too: {stats}")
wtype("a")
check(wait_exit(saver, 5.0), "a key ends the saver")
check(saver.returncode == 0, f"with code 0: {saver.returncode}")
rest = stderr_of(saver)
check(rest == "", f"and nothing more is said: {rest!r}")
stop(saver)

# Every surface refused: nothing can be drawn, and the saver ends saying so.
saver = refusing("all")
check(wait_exit(saver, 10.0), "with no output to draw on, the saver ends")
said = stderr_of(saver).splitlines()
check(saver.returncode == 1, f"with code 1: {saver.returncode}")
check(len(said) == 1 and said[0].startswith("tivaro: nothing can be drawn on any output: "
                                            "EGL made no surface to draw on (EGL error 0x"),
      f"in one line: {said}")
stop(saver)

keyboard.kill()
keyboard.wait()
finish()
