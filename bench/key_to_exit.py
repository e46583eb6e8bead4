"""Time from a key to the saver's process gone: `tivaro /s` is started N times on the display
the environment names (a Wayland compositor, or an X server), left to draw for a while, then
sent one key; the time from the key's sender starting to the process reaped is taken. Prints
the median and the largest.

Usage: key_to_exit.py <wayland|x11> <tivaro> <tries> [--load N] [--settle S] [--label L]
"""
import argparse
import statistics
import subprocess
import time

import key_senders


def one_try(system, tivaro, settle):
    """The ms from the key to the process gone, or None when the key did not end it."""
    saver = subprocess.Popen([tivaro, "/s"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    time.sleep(settle)
    if saver.poll() is not None:
        return None
    sent = time.monotonic()
    sender = key_senders.send_key(system)
    gone = key_senders.ended_at(saver, 10)
    key_senders.stop(saver)
    sender.wait()
    time.sleep(0.3)
    return None if gone is None or saver.returncode != 0 else (gone - sent) * 1000


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("system", choices=["wayland", "x11"])
    parser.add_argument("tivaro")
    parser.add_argument("tries", type=int)
    parser.add_argument("--load", type=int, default=0, help="busy loops to run meanwhile")
    parser.add_argument("--settle", type=float, default=2.0, help="s of drawing before the key")
    parser.add_argument("--label", default="")
    args = parser.parse_args()
    before = key_senders.machine_load()
    times = []
    with key_senders.seat_keyboard(args.system), key_senders.busy_cores(args.load):
        for _ in range(args.tries):
            times.append(one_try(args.system, args.tivaro, args.settle))
    done = sorted(t for t in times if t is not None)
    missed = len(times) - len(done)
    head = f"{args.system} {args.label}".strip() + f", {key_senders.load_label(args.load)}"
    if not done:
        print(f"{head}: no key ended the saver ({missed} tries)")
        return
    print(f"{head}: median {statistics.median(done):.0f} ms, max {done[-1]:.0f} ms over "
          f"{len(done)} tries" + (f" ({missed} not ended by the key)" if missed else "") +
          f"; load average before {before:.2f}; all: {[round(t) for t in done]}", flush=True)


if __name__ == "__main__":
    main()
