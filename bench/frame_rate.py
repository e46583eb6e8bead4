"""Frame rate and start-up time of the real saver beside the bare GL reference, on the
X server given by DISPLAY (run it through bench/run_frame_rate.sh, which starts Xvfb at
each screen size). Both programs run unpaced from the same seed (the very same fountain)
and report their frames with TIVARO_TIMING=1.

Usage: frame_rate.py <tivaro> <reference> <seconds> <rounds>
"""
import os
import re
import statistics
import subprocess
import sys
import time

FIRST = re.compile(r"first frame at (\d+) ns")
FRAMES = re.compile(r"(\d+) frames in ([0-9.]+) s")


def one_run(command, seconds, stop_with_key):
    env = dict(os.environ, TIVARO_UNPACED="1", TIVARO_TIMING="1", TIVARO_SEED="43200.5")
    launched = time.monotonic_ns()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if stop_with_key:
        time.sleep(seconds)
        win = subprocess.run(["xdotool", "search", "--name", "^Tivaro_Main$"], capture_output=True,
                             text=True).stdout.split()
        if win:
            subprocess.run(["xdotool", "key", "--window", win[0], "space"], timeout=10)
    _, err = proc.communicate(timeout=seconds + 30)
    text = err.decode("utf-8", "replace")
    first, frames = FIRST.search(text), FRAMES.search(text)
    if not first or not frames:
        raise SystemExit(f"no timing report from {command[0]}: {text!r}")
    fps = int(frames.group(1)) / float(frames.group(2))
    startup_ms = (int(first.group(1)) - launched) / 1e6
    return fps, startup_ms


def main():
    tivaro, reference, seconds, rounds = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    size = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    dims = re.search(r"dimensions:\s+(\d+x\d+)", size).group(1)
    saver, floor = [], []
    for _ in range(rounds):  # alternate, so both see the same machine load
        saver.append(one_run([tivaro, "/s"], seconds, True))
        floor.append(one_run([reference, str(seconds)], seconds, False))
    s_fps = statistics.median(f for f, _ in saver)
    r_fps = statistics.median(f for f, _ in floor)
    s_start = statistics.median(t for _, t in saver)
    r_start = statistics.median(t for _, t in floor)
    print(f"{dims}: saver {s_fps:.1f} fps, reference {r_fps:.1f} fps, ratio {s_fps / r_fps:.3f}; "
          f"first frame after {s_start:.0f} ms (reference {r_start:.0f} ms)", flush=True)


main()
