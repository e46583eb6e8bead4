"""The saver where things go wrong: a server without GLX (no context, but the window
still opens and still ends on input), very long or odd command lines, and an X server
that goes away mid-run (a clean exit, not a hang)."""
import os
import signal
import subprocess
import time

from harness import TIVARO, check, find_window, finish, run, start, stop, wait_exit, xdotool

if os.environ.get("TIVARO_NO_GLX") == "1":
    saver = start("/s")
    win = find_window("Tivaro_Main", timeout=3)
    check(win is not None, "without GLX the saver window still opens")
    time.sleep(0.5)
    check(saver.poll() is None, "and keeps running")
    if win is not None:
        xdotool("key", "--window", str(win), "space")
    check(wait_exit(saver, 2.0), "a key still ends it")
    check(saver.returncode == 0, f"cleanly ({saver.returncode})")
    stop(saver)
    finish()

# Odd command lines: each ends in one of the designed outcomes, never a crash or a hang.
for args in (["x" * 100000], ["/p", "9" * 5000], ["/x" + "\xff" * 10], ["/p", "-1"],
             ["/p", "1e300"], ["/\udcff"], ["/s", "--window-id"]):
    code, err = run(*[a.encode("utf-8", "surrogateescape") for a in args], timeout=10)
    check(code is not None and code >= 0, f"{[a[:12] for a in args]} ends without a crash ({code})")

# The server goes away while the saver runs: the program leaves promptly.
read_end, write_end = os.pipe()
xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24",
                         "-nolisten", "tcp"], pass_fds=(write_end,),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(write_end)
with os.fdopen(read_end) as numbers:
    display = ":" + numbers.readline().strip()
saver = subprocess.Popen([TIVARO, "/s"], env=dict(os.environ, DISPLAY=display),
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
time.sleep(1.5)
check(saver.poll() is None, "the saver runs on the second server")
xvfb.send_signal(signal.SIGKILL)
xvfb.wait()
check(wait_exit(saver, 2.0), "when the server goes away the saver ends within 2 s")
check(saver.returncode not in (None, -signal.SIGSEGV, -signal.SIGABRT),
      f"without a crash ({saver.returncode})")
stop(saver)
finish()
