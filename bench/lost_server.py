"""How the saver ends when its X server dies during start-up: a measurement, not a test.

Each run starts a private Xvfb, starts `tivaro /s` on it, kills the server (SIGKILL) at a
random moment in the first MAX_MS milliseconds and sorts the program's end: exit 1 with
the lost-connection line, another exit code, a signal, or no end within 5 s (a hang).

Usage: python3 bench/lost_server.py path/to/tivaro [runs=40] [max_ms=40] [seed=1]
"""
import collections
import os
import random
import signal
import subprocess
import sys
import time

LOST = "lost the connection to the X server"


def one_run(tivaro, delay):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        display = ":" + numbers.readline().strip()
    saver = subprocess.Popen([tivaro, "/s"], env=dict(os.environ, DISPLAY=display),
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    time.sleep(delay)
    xvfb.send_signal(signal.SIGKILL)
    xvfb.wait()
    try:
        _, err = saver.communicate(timeout=5)
    except subprocess.TimeoutExpired:
        saver.kill()
        saver.communicate()
        return "hang"
    code = saver.returncode
    if code < 0:
        return f"signal {signal.Signals(-code).name}"
    if code == 1 and LOST in err.decode("utf-8", "replace"):
        return "exit 1, lost connection"
    return f"exit {code}: {err.decode('utf-8', 'replace').strip()[:80]!r}"


def main():
    tivaro = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    max_ms = float(sys.argv[3]) if len(sys.argv) > 3 else 40
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    outcomes = collections.Counter()
    for i in range(runs):
        delay = rng.uniform(0, max_ms) / 1000
        outcome = one_run(tivaro, delay)
        outcomes[outcome] += 1
        print(f"run {i + 1:3}: killed after {delay * 1000:5.1f} ms: {outcome}", flush=True)
    print(f"{runs} runs, server killed 0-{max_ms:g} ms after launch:")
    for outcome, count in outcomes.most_common():
        print(f"  {count:3}  {outcome}")
    signals = sum(c for o, c in outcomes.items() if o.startswith("signal"))
    print(f"ended by a signal: {signals} of {runs}")


if __name__ == "__main__":
    main()
