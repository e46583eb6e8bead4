"""How evenly the Windows build's frames come under Wine, where the driver offers no swap
control and the frame pacer's sleep alone sets the pace: the median and 99th percentile
of the intervals between frames, against the 16.7 ms schedule, and of how late the
pacer's sleeps end after each frame's deadline (the sleep's own share of the spread; the
rest is drawing and the machine's other work). Run it through
bench/run_frame_pacing.sh, which provides the X server and the Wine prefix.

Usage: frame_pacing.py <Tivaro.scr> <seconds> <rounds>
"""
import os
import re
import statistics
import subprocess
import sys
import time

SPREAD = re.compile(r"frame interval median ([0-9.]+) ms, p99 ([0-9.]+) ms, max ([0-9.]+) ms")
LATE = re.compile(
    r"after the deadline median (-?[0-9.]+) ms, p99 (-?[0-9.]+) ms, max (-?[0-9.]+) ms")
FRAMES = re.compile(r"(\d+) frames in ([0-9.]+) s")


def one_run(scr, seconds):
    env = dict(os.environ, TIVARO_TIMING="1", WINEDEBUG="-all")
    env.pop("TIVARO_UNPACED", None)
    proc = subprocess.Popen([os.environ.get("TIVARO_WINE", "wine"), scr, "/s"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    time.sleep(seconds)
    subprocess.run(["xdotool", "key", "space"], timeout=10)
    _, err = proc.communicate(timeout=60)
    text = err.decode("utf-8", "replace")
    spread, late, frames = SPREAD.search(text), LATE.search(text), FRAMES.search(text)
    if not spread or not late or not frames:
        raise SystemExit(f"no timing report from {scr}: {text!r}")
    fps = int(frames.group(1)) / float(frames.group(2))
    return (*map(float, spread.groups()), fps, *map(float, late.groups()))


def main():
    scr, seconds, rounds = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
    runs = [one_run(scr, seconds) for _ in range(rounds)]
    line = ("interval median {0:.2f} ms, p99 {1:.2f} ms, max {2:.2f} ms, {3:.1f} fps; "
            "sleep ends late by median {4:.2f} ms, p99 {5:.2f} ms, max {6:.2f} ms")
    for run in runs:
        print("  run: " + line.format(*run), flush=True)
    m = [statistics.median(run[i] for run in runs) for i in range(7)]
    print(f"median of {rounds} runs of {seconds:g} s (schedule 16.67 ms): " + line.format(*m),
          flush=True)


main()
