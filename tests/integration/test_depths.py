"""The program on a screen of 16 or 8 bits per pixel (run_under_xvfb.sh --depth N).

The credits dialog is compared with itself on a second server of 24 bits started here:
every pixel outside the animated view (the gradient, the labels, the button and its
outline) is the same colour within what the screen's depth can hold (5-6-5 at 16 bits,
the server's palette at 8). Where the server has no OpenGL configuration (8 bits), the
saver, full screen or in the root window, ends with exit code 1 and one line on stderr."""
import os
import subprocess
import tempfile
import time

from harness import check, find_window, finish, geometry, run, screenshot, start, stop, xdotool

CAPTION = "Tivaro\uff1f\u306e\u8a2d\u5b9a"
OUTLINE = (0x00, 0x3C, 0x74)
VIEW = (16, 20, 16 + 377, 20 + 285)  # the animation, with its frame
tmp = tempfile.mkdtemp()


def root_depth():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "depth of root window" in line:
            return int(line.split(":")[1].split()[0])
    return 0


def dialog_shot(name):
    """The dialog's client area on the server named by DISPLAY, or None."""
    xdotool("mousemove", "0", "0")  # away from the dialog, so nothing is hovered
    proc = start("/c")
    win = find_window(CAPTION, timeout=15)
    if win is None:
        stop(proc)
        said = proc.stderr.read().decode(errors="replace").strip()
        check(False, f"the dialog opens ({name}); it said: {said}")
        return None
    time.sleep(0.5)
    _, _, rows = screenshot(os.path.join(tmp, f"{name}.png"), win)
    check(geometry(win)[2:] == (413, 359), f"its client area is 413 x 359 ({name})")
    stop(proc)
    return rows


depth = root_depth()
check(depth in (8, 16), f"the server runs at 8 or 16 bits: {depth}")

# The same dialog on a 24-bit server of our own.
read_end, write_end = os.pipe()
reference = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                              "1024x768x24", "-nolisten", "tcp", "-noreset"],
                             pass_fds=(write_end,),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(write_end)
with os.fdopen(read_end) as numbers:
    reference_display = ":" + numbers.readline().strip()
ours = os.environ["DISPLAY"]
os.environ["DISPLAY"] = reference_display
want = dialog_shot("depth-24")
os.environ["DISPLAY"] = ours
reference.kill()
reference.wait()
got = dialog_shot(f"depth-{depth}")

if want and got:
    # What a channel can be off by: half a step of the screen's levels, and a rounding.
    slack = {16: (5, 3, 5), 8: (52, 52, 52)}.get(depth, (0, 0, 0))
    off = []
    for y in range(359):
        for x in range(413):
            if VIEW[0] <= x < VIEW[2] and VIEW[1] <= y < VIEW[3]:
                continue
            if any(abs(a - b) > s for a, b, s in zip(want[y][x], got[y][x], slack)):
                off.append((x, y, want[y][x], got[y][x]))
    check(not off, f"outside the view every pixel is its 24-bit colour within {slack} "
                   f"({len(off)} off, first {off[:3]})")
    outline = sum(1 for row in want for p in row if p == OUTLINE)
    check(outline > 100, f"the comparison covers the button's outline ({outline} pixels)")
    for y, colour in ((0, (0, 0, 30)), (179, (220, 220, 250))):
        check(want[y][5] == colour, f"the 24-bit gradient's row {y} is {colour}: {want[y][5]}")

if depth == 8:
    for args in (["/s"], ["-root"]):
        code, err = run(*args, timeout=10)
        lines = err.strip().splitlines()
        check(code == 1, f"{args} without an OpenGL configuration exits 1: {code}")
        check(len(lines) == 1 and "OpenGL" in lines[0], f"and says so in one line: {lines}")

finish()
