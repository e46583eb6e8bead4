"""The saver where things go wrong: a server without GLX (a one-line error and exit code
1, no black window), very long or odd command lines, an X server that goes away mid-run
(a clean exit, not a hang), and one that stops answering (SIGTERM still ends the saver)."""
import os
import signal
import subprocess
import time

from harness import TIVARO, check, find_window, finish, run, start, stop, wait_exit, xdotool

if os.environ.get("TIVARO_NO_GLX") == "1":
    # Nothing to draw with: the saver says so and ends, rather than sit black.
    for args in (["/s"], ["-root"]):
        code, err = run(*args, timeout=10)
        lines = err.strip().splitlines()
        check(code == 1, f"without GLX {args} exits 1: {code}")
        check(len(lines) == 1 and "OpenGL" in lines[0], f"saying so in one line: {lines}")
    check(find_window("Tivaro_Main", timeout=0.5) is None, "and shows no window")
    finish()

# Odd command lines: each ends in one of the designed outcomes, never a crash or a hang.
for args in (["x" * 100000], ["/p", "9" * 5000], ["/x" + "\xff" * 10], ["/p", "-1"],
             ["/p", "1e300"], ["/\udcff"], ["/s", "--window-id"]):
    code, err = run(*[a.encode("utf-8", "surrogateescape") for a in args], timeout=10)
    check(code is not None and code >= 0, f"{[a[:12] for a in args]} ends without a crash ({code})")

def second_server():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "640x480x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        return server, ":" + numbers.readline().strip()


# A server that stops answering (stopped while the saver connects): the saver is stuck in
# Xlib, and a termination signal still ends it.
xvfb, display = second_server()
xvfb.send_signal(signal.SIGSTOP)
saver = subprocess.Popen([TIVARO, "/s"], env=dict(os.environ, DISPLAY=display),
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
time.sleep(0.5)
saver.send_signal(signal.SIGTERM)
check(wait_exit(saver, 10.0), "a saver stuck on a silent server still ends on SIGTERM")
check(saver.returncode == 0, f"as on any SIGTERM, with 0 ({saver.returncode})")
stop(saver)
xvfb.send_signal(signal.SIGCONT)
xvfb.kill()
xvfb.wait()

# The server goes away while the saver runs: the program leaves promptly.
xvfb, display = second_server()
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
