"""The credits dialog on a real X server: what it shows, the one-instance rule while it is
open, the link (through a stand-in opener) and the Exit button."""
import ctypes
import os
import re
import signal
import stat
import subprocess
import tempfile
import time

from harness import (check, close_request, find_window, finish, geometry, run, screenshot,
                     start, stop, wait_exit, window_title, xdotool)

CAPTION = "Tivaro\uff1f\u306e\u8a2d\u5b9a"
VIEW_BACK = (128, 128, 255)

# The address the link opens, read from where the program keeps it.
HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "..", "settings", "velkor_p.h"), encoding="utf-8") as f:
    ADDRESS = re.search(r'kHomePage\[\]\s*=\s*"([^"]+)"', f.read()).group(1)

tmp = tempfile.mkdtemp()

# A stand-in for the desktop's opener, first on PATH: it records its arguments.
bindir = os.path.join(tmp, "bin")
os.mkdir(bindir)
record = os.path.join(tmp, "opened.txt")
opener = os.path.join(bindir, "xdg-open")
with open(opener, "w") as f:
    f.write(f"#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >> '{record}'\n")
os.chmod(opener, os.stat(opener).st_mode | stat.S_IXUSR)
env = {"PATH": bindir + os.pathsep + os.environ.get("PATH", "")}


def client(rows, origin, x, y):
    return rows[origin[1] + y][origin[0] + x]


def count(rows, origin, box, wanted):
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if wanted(client(rows, origin, x, y)))


def longest_row(rows, origin, box, colour):
    x0, y0, x1, y1 = box
    return max(sum(1 for x in range(x0, x1) if client(rows, origin, x, y) == colour)
               for y in range(y0, y1))


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def pointer_shown():
    """The pointer the server shows now (XFixes): its size, hot spot and ARGB pixels."""
    xlib = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int)]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    major, minor = ctypes.c_int(6), ctypes.c_int(0)
    xfixes.XFixesQueryVersion(display, ctypes.byref(major), ctypes.byref(minor))
    image = xfixes.XFixesGetCursorImage(display).contents
    pixels = [image.pixels[i] & 0xFFFFFFFF for i in range(image.width * image.height)]
    shown = (image.width, image.height, image.xhot, image.yhot, pixels)
    xlib.XFree(ctypes.addressof(image))
    xlib.XCloseDisplay(display)
    return shown


def gradient_like(p):
    r, g, b = p
    return r == g and b == r + 30


dialog = start("/c", env=env)
win = find_window(CAPTION, timeout=5)
check(win is not None, "/c shows a window with the dialog's caption within 5 s")
if win is not None:
    check(window_title(win) == CAPTION, "the caption reads back exactly")
    x0, y0, width, height = geometry(win)
    check((width, height) == (413, 359), f"the client area is 413 x 359: {(width, height)}")
    origin = (x0, y0)
    time.sleep(0.5)
    _, _, rows = screenshot(os.path.join(tmp, "dialog.png"))

    # The background band beside the view: dark, brightest at half the height, dark.
    for y, colour in ((0, (0, 0, 30)), (1, (2, 2, 32)), (100, (169, 169, 199)),
                      (179, (220, 220, 250)), (358, (2, 2, 32))):
        check(client(rows, origin, 5, y) == colour and client(rows, origin, 405, y) == colour,
              f"background row {y} is {colour}: {client(rows, origin, 5, y)}")

    # The credit line in white, the link in pale yellow with its underline.
    white = count(rows, origin, (20, 312, 240, 327), lambda p: p == (255, 255, 255))
    check(white > 150, f"the credit line shows in white ({white} pixels)")
    link = count(rows, origin, (20, 328, 250, 344), lambda p: p == (255, 255, 192))
    check(link > 150, f"the link shows in RGB(255, 255, 192) ({link} pixels)")
    rule = longest_row(rows, origin, (20, 328, 250, 344), (255, 255, 192))
    check(rule > 150, f"the link is underlined (longest run of its colour: {rule})")

    # The button's face, not the background, inside its rectangle.
    face = count(rows, origin, (320, 316, 393, 341), lambda p: not gradient_like(p))
    check(face > 0.8 * 73 * 25, f"the Exit button covers its place ({face} pixels)")

    # Balls on the view's back colour; the corners of the view are free of them.
    view = (18, 22, 18 + 373, 22 + 281)
    balls = count(rows, origin, view, lambda p: p != VIEW_BACK)
    check(2000 < balls < 373 * 281 // 2, f"balls cover part of the view ({balls} pixels)")
    check(client(rows, origin, 20, 24) == VIEW_BACK, "the view's corner shows its back colour")
    time.sleep(0.3)
    _, _, later = screenshot(os.path.join(tmp, "dialog_later.png"))
    moved = sum(1 for y in range(view[1], view[3]) for x in range(view[0], view[2])
                if client(rows, origin, x, y) != client(later, origin, x, y))
    check(moved > 500, f"the balls move ({moved} pixels of the view changed)")
    outside = sum(1 for y in range(0, 359, 3) for x in (5, 405)
                  if client(rows, origin, x, y) != client(later, origin, x, y))
    check(outside == 0, f"nothing moves outside the view ({outside} samples changed)")

    # While the dialog is open, every new start ends at once.
    for args in (["/c"], ["/s"], ["/p", "0"], []):
        code, _ = run(*args, timeout=5, env=env)
        check(code == 0, f"a second start with {args} exits at once")
    check(dialog.poll() is None, "the dialog is still open")

    # Over the link the pointer is the program's own hand: 32 x 32, pointing with the black
    # tip of its finger (the system's hand would be another picture).
    xdotool("mousemove", str(x0 + 40), str(y0 + 335))
    time.sleep(0.3)
    width, height, xhot, yhot, pixels = pointer_shown()
    check((width, height, xhot, yhot) == (32, 32, 12, 1),
          f"the hand over the link is ours, pointing at (12, 1): {width}x{height} ({xhot}, {yhot})")
    if (width, height) == (32, 32):
        check(pixels[1 * 32 + 12] == 0xFF000000 and pixels[0 * 32 + 12] >> 24 == 0,
              "its fingertip is black, with nothing above it")

    # The link starts the opener with the address and leaves the dialog open.
    xdotool("click", "1")
    deadline = time.monotonic() + 3
    while not os.path.exists(record) and time.monotonic() < deadline:
        time.sleep(0.05)
    time.sleep(0.3)
    lines = open(record).read().splitlines() if os.path.exists(record) else []
    check(lines == ["1", ADDRESS], f"the opener got the one argument {ADDRESS!r}: {lines}")
    check(not wait_exit(dialog, 0.5), "the dialog stays open after the link")
    # The opener was detached: nothing is left as our child, not even a zombie.
    children = subprocess.run(["ps", "-o", "pid=,stat=,comm=", "--ppid", str(dialog.pid)],
                              capture_output=True, text=True).stdout.strip()
    check(children == "", f"no child process is left behind: {children!r}")

    # Exit clicks only when the release is over it: a right press taken off the dialog,
    # and a left press dragged off and released at once (before the hover timer could see
    # the pointer leave), both leave the dialog open.
    exit_x, exit_y = x0 + 356, y0 + 328
    for button in ("3", "1"):
        xdotool("mousemove", str(exit_x), str(exit_y))
        time.sleep(0.2)
        xdotool("mousedown", button, "mousemove", str(x0 + 500), str(y0 + 200), "mouseup", button)
        check(not wait_exit(dialog, 0.5),
              f"button {button} pressed on Exit, released off the dialog: it stays open")

    # Exit ends the program.
    xdotool("mousemove", str(exit_x), str(exit_y))
    xdotool("click", "1")
    check(wait_exit(dialog, 3.0), "clicking Exit ends the program")
    check(dialog.returncode == 0, f"with exit code 0: {dialog.returncode}")
stop(dialog)

# The pointer rests on Exit before the dialog appears: a click with no movement closes it.
if win is not None:
    xdotool("mousemove", str(exit_x), str(exit_y))
    dialog = start("/c", env=env)
    check(find_window(CAPTION, timeout=5) is not None, "the dialog opens under the pointer")
    time.sleep(0.5)
    xdotool("click", "1")
    check(wait_exit(dialog, 3.0), "a click on Exit with no movement before it closes the dialog")
    stop(dialog)

# After Exit a new start works; a close request closes the dialog too.
dialog = start("/c", env=env)
win = find_window(CAPTION, timeout=5)
check(win is not None, "after Exit, /c shows the dialog again")
if win is not None:
    check(close_request(win), "the close request is sent")
    check(wait_exit(dialog, 3.0), "a close request (WM_DELETE_WINDOW) ends it")
    check(dialog.returncode == 0, f"with exit code 0: {dialog.returncode}")
stop(dialog)

# From the keyboard: Tab takes the focus to Exit (its face changes), Enter and Space on
# it do nothing, Escape closes the dialog as its close box does.
dialog = start("/c", env=env)
win = find_window(CAPTION, timeout=5)
check(win is not None, "/c shows the dialog for the keyboard")
if win is not None:
    x0, y0, _, _ = geometry(win)
    xdotool("mousemove", str(x0 + 5), str(y0 + 200))  # over the background, off the button
    xdotool("windowfocus", "--sync", str(win))
    time.sleep(0.5)
    exit_box = (320, 316, 393, 341)
    _, _, before = screenshot(os.path.join(tmp, "keys_before.png"))
    xdotool("key", "Tab")
    time.sleep(0.3)
    _, _, after = screenshot(os.path.join(tmp, "keys_tab.png"))
    changed = sum(
        1 for y in range(exit_box[1], exit_box[3]) for x in range(exit_box[0], exit_box[2])
        if client(before, (x0, y0), x, y) != client(after, (x0, y0), x, y))
    check(changed > 50, f"Tab gives Exit the focus ({changed} pixels of its face changed)")
    for key in ("Return", "KP_Enter", "space"):
        xdotool("key", key)
        check(not wait_exit(dialog, 0.7), f"{key} on the focused Exit leaves the dialog open")
    xdotool("key", "Escape")
    check(wait_exit(dialog, 3.0), "Escape closes the dialog")
    check(dialog.returncode == 0, f"with exit code 0: {dialog.returncode}")
stop(dialog)

# SIGTERM ends the open dialog at once and cleanly.
dialog = start("/c", env=env)
if find_window(CAPTION, timeout=5) is not None:
    dialog.send_signal(signal.SIGTERM)
    check(wait_exit(dialog, 1.0) and dialog.returncode == 0, "SIGTERM ends the dialog cleanly")
stop(dialog)

finish()
