"""Frame rate, start-up time and resident memory of the real saver beside the bare Wayland
reference, under the compositor given by WAYLAND_DISPLAY and SWAYSOCK (run it through
bench/run_wayland.sh, which starts a private headless sway): the same measurements as
bench/frame_rate.py, the saver ended by a key from a virtual keyboard.

Usage: frame_rate_wayland.py <tivaro> <reference> <seconds> <rounds>
"""
import json
import subprocess
import sys

import frame_rate

# wtype's keyboard exists only while it runs: it waits this long before its key, so that
# the saver has the new keyboard's keymap when the key comes.
KEYMAP_WAIT_MS = 500


def key_to_wayland_saver():
    """Types a key, which ends the saver (it holds the keyboard)."""
    subprocess.run(["wtype", "-s", str(KEYMAP_WAIT_MS), "a"], capture_output=True, timeout=10)


def outputs_label():
    """The active outputs as the saver fills them: their device pixels and scale."""
    found = json.loads(subprocess.run(["swaymsg", "-r", "-t", "get_outputs"], capture_output=True,
                                      text=True, check=True).stdout)
    parts = [f"{o['name']} {o['current_mode']['width']}x{o['current_mode']['height']}"
             + (f"@{o['scale']:g}x" if o["scale"] != 1 else "")
             for o in found if o.get("active")]
    return " + ".join(parts)


def main():
    tivaro, reference, seconds, rounds = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    frame_rate.compare(outputs_label(), [tivaro, "/s"], [reference, str(seconds)], seconds, rounds,
                       key_to_wayland_saver, KEYMAP_WAIT_MS / 1000)


if __name__ == "__main__":
    main()
