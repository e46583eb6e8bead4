"""Frame rate, start-up time and resident memory of the real saver beside the bare GL
reference, on the X server given by DISPLAY (run it through bench/run_frame_rate.sh, which
starts Xvfb at each screen size). Both programs run unpaced from the same seed (the very
same fountain) and report their frames with TIVARO_TIMING=1; their memory is read from
/proc at the same moment of each run. bench/frame_rate_wayland.py measures the same under
a Wayland compositor with these functions.

Usage: frame_rate.py <tivaro> <reference> <seconds> <rounds>
"""
import os
import re
import statistics
import subprocess
import sys
import threading
import time

FIRST = re.compile(r"first frame at (\d+) ns")
FRAMES = re.compile(r"(\d+) frames in ([0-9.]+) s")
# How long before the end of a run its memory is read: late enough that both programs
# have everything they will ever hold, early enough that the reference is still running.
MEMORY_LEAD = 0.3


def memory_mib(pid):
    """(resident now, resident at its highest) in MiB, from /proc/<pid>/status."""
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status if ":" in line)
    kib = lambda name: int(fields[name].split()[0])
    return kib("VmRSS") / 1024, kib("VmHWM") / 1024


def one_run(command, seconds, stop=None, stop_lead=0.0):
    """Runs `command` unpaced for `seconds` (it ends itself, or `stop` ends it, called
    `stop_lead` seconds before the end) and returns (frames per second, ms from launch to
    its first frame, resident MiB, peak resident MiB)."""
    env = dict(os.environ, TIVARO_UNPACED="1", TIVARO_TIMING="1", TIVARO_SEED="43200.5")
    launched = time.monotonic_ns()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stopper = threading.Timer(seconds - stop_lead, stop) if stop else None
    if stopper:
        stopper.start()
    time.sleep(seconds - MEMORY_LEAD)
    rss, hwm = memory_mib(proc.pid)
    try:
        _, err = proc.communicate(timeout=seconds + 30)
    finally:
        if stopper:
            stopper.join()
    text = err.decode("utf-8", "replace")
    first, frames = FIRST.search(text), FRAMES.search(text)
    if not first or not frames:
        raise SystemExit(f"no timing report from {command[0]}: {text!r}")
    fps = int(frames.group(1)) / float(frames.group(2))
    startup_ms = (int(first.group(1)) - launched) / 1e6
    return fps, startup_ms, rss, hwm


def compare(label, saver_command, reference_command, seconds, rounds, stop_saver, stop_lead=0.0):
    """Runs the saver and the reference alternately, `rounds` times each (so both see the
    same machine load), and prints their medians and ratios on one line after `label`."""
    saver, floor = [], []
    for _ in range(rounds):
        saver.append(one_run(saver_command, seconds, stop_saver, stop_lead))
        floor.append(one_run(reference_command, seconds))
    s = [statistics.median(run[i] for run in saver) for i in range(4)]
    r = [statistics.median(run[i] for run in floor) for i in range(4)]
    print(f"{label}: saver {s[0]:.1f} fps, reference {r[0]:.1f} fps, ratio {s[0] / r[0]:.3f}; "
          f"first frame after {s[1]:.0f} ms (reference {r[1]:.0f} ms, ratio {s[1] / r[1]:.3f}); "
          f"resident {s[2]:.1f} MiB, peak {s[3]:.1f} MiB (reference {r[2]:.1f} MiB, peak "
          f"{r[3]:.1f} MiB; {s[2] - r[2]:+.1f} MiB)", flush=True)


def key_to_x11_saver():
    """Presses a key in the saver's window, which ends it."""
    win = subprocess.run(["xdotool", "search", "--name", "^Tivaro_Main$"], capture_output=True,
                         text=True).stdout.split()
    if win:
        subprocess.run(["xdotool", "key", "--window", win[0], "space"], timeout=10)


def main():
    tivaro, reference, seconds, rounds = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    size = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    dims = re.search(r"dimensions:\s+(\d+x\d+)", size).group(1)
    compare(dims, [tivaro, "/s"], [reference, str(seconds)], seconds, rounds, key_to_x11_saver)


if __name__ == "__main__":
    main()
