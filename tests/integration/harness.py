"""Helpers for the integration tests: start the real program under the Xvfb server the
test runs in, find its windows, send input with xdotool and read the screen."""
import os
import subprocess
import sys
import time

TIVARO = os.environ.get("TIVARO_BIN", "tivaro")
failures = []


def check(condition, message):
    """Records a failed expectation (the test goes on, and fails at the end)."""
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    else:
        print("ok:", message, flush=True)


def finish():
    if failures:
        print(f"{len(failures)} expectation(s) failed", flush=True)
        sys.exit(1)
    print("all expectations met", flush=True)
    sys.exit(0)


def preloading(library, **env):
    """The environment that loads `library` into the program ahead of its own libraries. A
    sanitizer build's runtime asks to come first; it lets a test's library come before it."""
    asan = os.environ.get("ASAN_OPTIONS", "")
    return {"LD_PRELOAD": library,
            "ASAN_OPTIONS": (asan + ":" if asan else "") + "verify_asan_link_order=0", **env}


def start(*args, env=None):
    full_env = dict(os.environ)
    if env:
        full_env.update(env)
    return subprocess.Popen([TIVARO, *args], env=full_env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)


def run(*args, timeout=5, env=None):
    """Runs the program to its end; returns (exit code, stderr text) or (None, '') on a hang."""
    proc = start(*args, env=env)
    try:
        _, err = proc.communicate(timeout=timeout)
        return proc.returncode, err.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        return None, ""


def wait_exit(proc, timeout):
    try:
        proc.wait(timeout=timeout)
        return True
    except subprocess.TimeoutExpired:
        return False


def stop(proc):
    if proc.poll() is None:
        proc.kill()
        proc.wait()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=10)


def find_window(name, timeout=3.0):
    """The id of a window whose whole title is `name`, or None when none shows in time."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        out = xdotool("search", "--onlyvisible", "--name", f"^{name}$").stdout.split()
        if out:
            return int(out[0])
        time.sleep(0.05)
    return None


def close_request(window):
    """Asks a window to close as a window manager's close button does: a WM_DELETE_WINDOW
    client message (xdotool's windowclose destroys the window instead)."""
    import ctypes

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("l", ctypes.c_long * 5),
                    ("pad", ctypes.c_long * 24)]  # the rest of an XEvent

    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(None)
    event = ClientMessage(type=33, window=window, format=32,  # ClientMessage
                          message_type=x.XInternAtom(dpy, b"WM_PROTOCOLS", 0))
    event.l[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    sent = x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    x.XSync(dpy, 0)
    x.XCloseDisplay(dpy)
    return sent != 0


def geometry(window):
    out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
    return (values.get("Absolute upper-left X"), values.get("Absolute upper-left Y"),
            values.get("Width"), values.get("Height"))


def window_title(window):
    return subprocess.run(["xdotool", "getwindowname", str(window)], capture_output=True,
                          text=True).stdout.rstrip("\n")


def screenshot(path, window="root"):
    """Saves a PNG of the root window (or of one window) and returns its pixels as a
    (width, height, rows of (r, g, b)) triple read back through ImageMagick."""
    subprocess.run(["import", "-window", str(window), path], check=True, timeout=20)
    txt = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True, timeout=20).stdout
    ident = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True,
                           check=True).stdout.split()
    w, h = int(ident[0]), int(ident[1])
    rows = [[tuple(txt[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]
    return w, h, rows


def brightness_stats(rows, box=None):
    """Counts bright and coloured pixels, overall and inside box (x0, y0, x1, y1)."""
    h = len(rows)
    w = len(rows[0]) if h else 0
    x0, y0, x1, y1 = box or (0, 0, w, h)
    bright = coloured = total = 0
    for y in range(y0, y1, 2):
        for x in range(x0, x1, 2):
            r, g, b = rows[y][x]
            total += 1
            if max(r, g, b) > 60:
                bright += 1
            if max(r, g, b) - min(r, g, b) > 40:
                coloured += 1
    return bright, coloured, total


class KeyboardGrab:
    """Another client holding the keyboard, as a locked-up program or a menu would."""

    def __init__(self):
        import ctypes

        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                         ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(None)
        root = self.x.XDefaultRootWindow(self.dpy)
        # GrabModeAsync; 0 GrabSuccess, 1 AlreadyGrabbed
        self.status = self.x.XGrabKeyboard(self.dpy, root, 0, 1, 1, 0)
        self.x.XSync(self.dpy, 0)

    def release(self):
        self.x.XCloseDisplay(self.dpy)  # the grab ends with the connection
