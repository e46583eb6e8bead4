""""On resume, display logon screen" on X11 (Xvfb) with i3lock as the lock command: past the
grace period a key makes the saver let go of the keyboard and the pointer, which i3lock must
grab, while its window stays up; i3lock returns once it holds them (it forks when locked), and
only then does the saver end."""
import os
import subprocess
import tempfile

from idle_harness import IDLE, Idle, PrivateBus, check, ended, finish, wait_for  # noqa: E402
from harness import find_window, xdotool  # noqa: E402

home = tempfile.mkdtemp(prefix="tivaro-lock.")
os.makedirs(os.path.join(home, "tivaro"))
with open(os.path.join(home, "tivaro", "idle.conf"), "w") as f:
    f.write("[Saver]\nLockOnResume=true\nLockGraceSeconds=0\nLockCommand=i3lock\\s-c\\s000000\n")
runtime = tempfile.mkdtemp(prefix="tivaro-idle-runtime.")
os.chmod(runtime, 0o700)
os.environ["XDG_RUNTIME_DIR"] = runtime
os.environ.pop("WAYLAND_DISPLAY", None)


def i3lock_runs():
    return subprocess.run(["pgrep", "-x", "i3lock"], capture_output=True).returncode == 0


bus = PrivateBus()
idle = Idle("--after", "2", env=dict(bus.env(), XDG_CONFIG_HOME=home))
saver = idle.wait_saver()
check(saver and find_window("Tivaro_Main", timeout=10), "the saver comes and shows its window")
xdotool("key", "a")
check(saver and wait_for(lambda: ended(saver[0]), 10), "a key leads to the saver's end")
check(i3lock_runs() and "stays up" not in idle.stderr(),
      f"after i3lock has taken the keyboard and the pointer: {idle.stderr()!r}")


subprocess.run(["pkill", "-x", "i3lock"])
idle.end()

# A gate that is not one (the variable is tivaro-idle's to set): one line, and no saver.
saver = os.path.join(os.path.dirname(os.path.realpath(IDLE)), "tivaro")
for value in ("abc", "2", "99"):
    run = subprocess.run([saver, "/s"], capture_output=True, text=True, timeout=10,
                         env=dict(os.environ, TIVARO_END_GATE=value))
    check(run.returncode != 0 and run.stderr.count("\n") == 1 and "TIVARO_END_GATE" in run.stderr,
          f"TIVARO_END_GATE={value}: a non-zero exit and one line: {run.returncode} {run.stderr!r}")
finish()
