"""How evenly the paced saver's frames reach the compositor given by WAYLAND_DISPLAY and
SWAYSOCK (run it through bench/run_frame_pacing_wayland.sh). The client library's own trace
(WAYLAND_DEBUG=client) times every wl_surface.commit, which is one presented frame; the
first sixth of each run (start-up) is left out. Each build given runs in turn, `rounds`
times, for `seconds` each; per build the medians over the rounds are printed: commits a
second, the median, 99th percentile and longest interval between commits, and the share of
intervals over 25 ms (a refresh with no new frame).

Usage: frame_pacing_wayland.py <seconds> <rounds> <tivaro> [<tivaro> ...]
"""
import os
import re
import statistics
import subprocess
import sys
import threading

from frame_rate_wayland import KEYMAP_WAIT_MS, key_to_wayland_saver

COMMIT = re.compile(r"^\[\s*([0-9.]+)\]\s+-> wl_surface@\d+\.commit\(\)", re.M)


def one_run(tivaro, seconds):
    """(commits a second, median, p99 and longest interval in ms, share over 25 ms)."""
    env = dict(os.environ, WAYLAND_DEBUG="client", TIVARO_SEED="43200.5")
    proc = subprocess.Popen([tivaro, "/s"], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    stopper = threading.Timer(seconds - KEYMAP_WAIT_MS / 1000, key_to_wayland_saver)
    stopper.start()
    _, err = proc.communicate(timeout=seconds + 30)
    stopper.join()
    times = [float(m.group(1)) for m in COMMIT.finditer(err.decode("utf-8", "replace"))]
    times = times[len(times) // 6:]
    if len(times) < 10:
        raise SystemExit(f"{tivaro} committed {len(times)} frames")
    gaps = sorted(b - a for a, b in zip(times, times[1:]))
    n = len(gaps)
    return (n / ((times[-1] - times[0]) / 1000), gaps[n // 2], gaps[int(n * 0.99)], gaps[-1],
            sum(1 for gap in gaps if gap > 25) / n)


def main():
    seconds, rounds, builds = float(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
    runs = {build: [] for build in builds}
    for _ in range(rounds):
        for build in builds:  # alternately, so each sees the same load
            runs[build].append(one_run(build, seconds))
    for build in builds:
        rate, median, p99, longest, missed = (statistics.median(r[i] for r in runs[build])
                                              for i in range(5))
        print(f"{build}: {rate:.1f} commits a second, interval median {median:.2f} ms, "
              f"p99 {p99:.2f} ms, max {longest:.2f} ms, {missed:.1%} over 25 ms "
              f"(medians of {rounds} runs)", flush=True)


if __name__ == "__main__":
    main()
