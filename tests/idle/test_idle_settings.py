"""tivaro-idle follows its settings file, idle.conf, while it runs (Xvfb, the X server's idle
time, no session bus). Its folder does not exist at the start: the defaults, silently. Then,
without a restart: the file appears (Minutes=60), is replaced by a rename (Minutes=1), and
is twice damaged, once cut short in the middle of a line (replaced by a rename) and once out
of range (written in place); each damage is one line and the settings before it stay, so
the saver comes about a minute after the X server last saw input, where the damaged files'
60 minutes, or the defaults' 5, would keep it away. A second tivaro-idle starts on a file cut
short (one line, the defaults) and its --after wins over the file's Minutes."""
import os
import tempfile

import idle_harness
from idle_harness import NO_BUS, check, finish, key_ends_saver, wait_for
from harness import xdotool

X11 = "the X server's MIT-SCREEN-SAVER extension"
MINUTE = 90  # seconds to wait for a saver due after one minute idle (not five, not sixty)

runtime = tempfile.mkdtemp(prefix="tivaro-idle-runtime.")
os.chmod(runtime, 0o700)
config = tempfile.mkdtemp(prefix="tivaro-idle-config.")
folder = os.path.join(config, "tivaro")
path = os.path.join(folder, "idle.conf")
os.environ.update({"XDG_RUNTIME_DIR": runtime, "XDG_CONFIG_HOME": config,
                   "DBUS_SESSION_BUS_ADDRESS": NO_BUS, "DBUS_SYSTEM_BUS_ADDRESS": NO_BUS})
os.environ.pop("WAYLAND_DISPLAY", None)


def replace(text):
    """Writes the file as the settings window does: a temporary file beside it, flushed,
    renamed over it."""
    os.makedirs(folder, exist_ok=True)
    temporary = os.path.join(folder, ".idle.conf.test")
    with open(temporary, "w") as f:
        f.write(text)
        f.flush()
        os.fsync(f.fileno())
    os.rename(temporary, path)


def in_place(text):
    with open(path, "w") as f:
        f.write(text)


def press():
    xdotool("key", "a")


def lines(idle, text):
    return [line for line in idle.stderr().splitlines() if text in line]


idle = idle_harness.Idle()
check(idle.wait_line(f"watching idle through {X11}; the saver comes after 300 s"),
      f"no settings folder: the defaults, 5 minutes: {idle.stderr()!r}")
check("idle.conf" not in idle.stderr(), f"and nothing said of it: {idle.stderr()!r}")

replace("# by the test\n[Saver]\nMinutes=60\n")
check(idle.wait_line("tivaro-idle: idle.conf changed: the saver comes after 3600 s"),
      f"the folder and the file that appear later are read: {idle.stderr()!r}")
replace("[Saver]\nEnabled=true\nMinutes=1\n")
check(idle.wait_line("tivaro-idle: idle.conf changed: the saver comes after 60 s"),
      f"a file renamed over it is read: {idle.stderr()!r}")

cut = "tivaro-idle: idle.conf line 3: the line has no end: the file was cut short; " \
      "keeping the previous settings"
replace("[Saver]\nMinutes=60\nEnab")
check(idle.wait_line(cut), f"a file cut short is refused in one line: {idle.stderr()!r}")
wide = "tivaro-idle: idle.conf line 2: Minutes wants whole minutes from 1 to 1440, not " \
       "\"0\"; keeping the previous settings"
in_place("[Saver]\nMinutes=0\n")
check(idle.wait_line(wide), f"a value out of range is refused in one line: {idle.stderr()!r}")
check(lines(idle, "idle.conf line") == [cut, wide] and len(lines(idle, "changed")) == 2,
      f"one line each, and no change taken from them: {idle.stderr()!r}")

check(idle.wait_saver(MINUTE),
      f"the saver comes a minute after the last input, as the last good file says, within "
      f"{MINUTE} s: {idle.stderr()!r}")
check(len(lines(idle, "watching idle through")) == 1 and idle.proc.poll() is None,
      "the same tivaro-idle, never started again")
check(key_ends_saver(idle, press), "a key ends the saver")
check(idle.end() == 0, "SIGTERM ends tivaro-idle")

# Started on a file cut short: its line, and the defaults; --after wins over Minutes.
replace("[Saver]\nMinutes=60\nEnabled=false")
idle = idle_harness.Idle("--after", "2")
check(idle.wait_line("tivaro-idle: idle.conf line 3: the line has no end: the file was cut "
                     "short; keeping the defaults"),
      f"a file cut short at the start: one line, the defaults: {idle.stderr()!r}")
check(idle.wait_line(f"watching idle through {X11}; the saver comes after 2 s (--after)"),
      f"--after, not the file's 60 minutes: {idle.stderr()!r}")
check(idle.wait_saver(), "nor its Enabled=false: the saver comes")
replace("[Saver]\nMinutes=60\n")
check(idle.wait_line("tivaro-idle: idle.conf changed: the saver comes after 2 s (--after)"),
      f"a new Minutes does not change the wait --after gives: {idle.stderr()!r}")
first = idle.savers()
check(key_ends_saver(idle, press), "a key ends the saver")
check(wait_for(lambda: idle.savers() and idle.savers() != first, 15),
      "idle again, the next comes after --after's 2 s")
check(idle.end() == 0, "SIGTERM ends tivaro-idle")
finish()
