"""Keys lost at start: `tivaro /s` is started N times on the display the environment names
(--system wayland: the compositor that WAYLAND_DISPLAY and SWAYSOCK name; --system x11: the X
server DISPLAY names; bench/keys_at_start.sh starts a private headless sway or Xvfb), and each
time one key is sent at a moment after the start, random in [0, --until] ms or taken in turn
from --at. A key counts as caught when the saver ends on it, with 0; else it was lost, and
the saver is stopped. Prints keys lost out of those sent, by moment of sending (each moment of
--at a row of its own), and the earliest moment from which none was lost.

Usage: keys_at_start.py <tivaro> <runs> [--system wayland|x11] [--at MS,MS,...] [--until MS]
                        [--load N] [--seed S]
"""
import argparse
import random
import subprocess
import time

import key_senders

BUCKETS = [0, 60, 120, 200, 400, 1500]
# How long after its key the saver may take to end before the key counts as lost: long
# enough for a loaded machine to draw the first frame, after which a caught key ends it.
PATIENCE_S = 10.0


def one_run(system, tivaro, moment_ms):
    """Sends one key `moment_ms` after the start; returns (sent at ms, caught, exit code)."""
    start = time.monotonic()
    saver = subprocess.Popen([tivaro, "/s"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    time.sleep(max(0.0, start + moment_ms / 1000 - time.monotonic()))
    sent = time.monotonic()
    sender = key_senders.send_key(system)
    try:
        saver.wait(timeout=PATIENCE_S)
        code = saver.returncode
    except subprocess.TimeoutExpired:
        code = None
    key_senders.stop(saver)
    sender.wait()
    time.sleep(0.3)  # the compositor or the X server takes the windows away
    return (sent - start) * 1000, code == 0, code, moment_ms


def rows(results, fixed):
    """(row name, results in it): each fixed moment, or the buckets of random ones."""
    if fixed:
        for moment in sorted(set(fixed)):
            yield f"{moment:g} (sent at {{:.0f}})", [r for r in results if r[3] == moment]
        return
    for low, high in zip(BUCKETS, BUCKETS[1:] + [None]):
        yield (f"{low}-{high}" if high is not None else f"{low}+",
               [r for r in results if r[0] >= low and (high is None or r[0] < high)])


def table(results, fixed):
    lines = ["moment of the key (ms)   lost / sent"]
    for name, inside in rows(results, fixed):
        if not inside:
            continue
        lost = sum(1 for r in inside if not r[1])
        # A fixed moment's row says when its keys were sent in fact (the median).
        name = name.format(sorted(r[0] for r in inside)[len(inside) // 2])
        lines.append(f"{name:>22}   {lost:4d} / {len(inside)}")
    lost_at = [r[0] for r in results if not r[1]]
    total = len(lost_at)
    lines.append(f"{'all':>22}   {total:4d} / {len(results)}")
    if lost_at:
        lines.append(f"none lost from {max(lost_at):.0f} ms on (the last lost key was sent then)")
    else:
        lines.append(f"none lost (the earliest key was sent at {min(r[0] for r in results):.0f} ms)")
    odd = [r for r in results if r[2] not in (0, None)]
    if odd:
        lines.append(f"ended with another code: {[(round(r[0]), r[2]) for r in odd]}")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tivaro")
    parser.add_argument("runs", type=int)
    parser.add_argument("--system", choices=["wayland", "x11"], default="wayland")
    parser.add_argument("--until", type=float, default=1500.0,
                        help="random moments lie in [0, UNTIL] ms")
    parser.add_argument("--at", help="moments in ms, taken in turn, instead of random ones")
    parser.add_argument("--load", type=int, default=0, help="busy loops to run meanwhile")
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    fixed = [float(m) for m in args.at.split(",")] if args.at else None
    print(f"load average before: {key_senders.machine_load():.2f}; "
          f"{key_senders.load_label(args.load)}", flush=True)
    results = []
    with key_senders.seat_keyboard(args.system), key_senders.busy_cores(args.load):
        for i in range(args.runs):
            moment = fixed[i % len(fixed)] if fixed else rng.uniform(0, args.until)
            results.append(one_run(args.system, args.tivaro, moment))
    print(table(results, fixed))


if __name__ == "__main__":
    main()
