"""Helpers for the Wayland tests, which run inside run_under_sway.sh: pictures of each output
with grim, keys with wtype, a pointer through our virtual-pointer client, and swaymsg.
check(), finish(), start(), run(), wait_exit(), stop() and brightness_stats() are the X11
tests' own (tests/integration/harness.py)."""
import json
import os
import re
import select
import signal
import socket
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
from harness import (TIVARO, brightness_stats, check, finish, preloading, run, start, stop,  # noqa: E402,F401
                     wait_exit)

VIRTUAL_POINTER = os.environ.get("TIVARO_VIRTUAL_POINTER", "tivaro_virtual_pointer")


def swaymsg(*args, timeout=10):
    return subprocess.run(["swaymsg", *args], capture_output=True, text=True, timeout=timeout)


def outputs():
    """The active outputs, as sway describes them (name, rect, scale, current_mode...)."""
    out = swaymsg("-r", "-t", "get_outputs").stdout
    return [o for o in json.loads(out or "[]") if o.get("active")]


def views():
    """Every window (xdg toplevel) in sway's tree, with the output it is on."""
    found = []

    def walk(node, output):
        if node.get("type") == "output":
            output = node.get("name")
        if node.get("type") in ("con", "floating_con") and node.get("pid"):
            found.append(dict(node, output=output))
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child, output)

    walk(json.loads(swaymsg("-r", "-t", "get_tree").stdout or "{}"), None)
    return found


def sway_log():
    path = os.environ.get("TIVARO_SWAY_LOG")
    if not path or not os.path.exists(path):
        return ""
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def offered_globals(timeout=5.0):
    """The interfaces the compositor at WAYLAND_DISPLAY offers (its registry's globals), read
    on a connection of our own in the wire protocol: wl_display.get_registry, then sync, and
    the wl_registry.global events until the sync's callback is done."""
    runtime, display = os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"]
    conn = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    conn.settimeout(timeout)
    conn.connect(display if display.startswith("/") else os.path.join(runtime, display))
    # Each message: object id, (size << 16 | opcode), arguments. Object 1 is wl_display; ids 2
    # (the registry) and 3 (the callback) are ours to give.
    conn.sendall(struct.pack("<III", 1, 12 << 16 | 1, 2) +
                 struct.pack("<III", 1, 12 << 16 | 0, 3))
    found, data = {}, b""
    with conn:
        while True:
            while len(data) < 8 or len(data) < struct.unpack_from("<I", data, 4)[0] >> 16:
                chunk = conn.recv(65536)
                if not chunk:
                    raise RuntimeError("the compositor closed the connection")
                data += chunk
            sender, word = struct.unpack_from("<II", data)
            size, opcode = word >> 16, word & 0xFFFF
            body, data = data[8:size], data[size:]
            if sender == 3:  # wl_callback.done
                return found
            if sender == 2 and opcode == 0:  # wl_registry.global(name, interface, version)
                length = struct.unpack_from("<I", body, 4)[0]
                interface = body[8:8 + length - 1].decode()
                found[interface] = struct.unpack_from("<I", body, 8 + (length + 3) // 4 * 4)[0]


def layer_surfaces(namespace):
    """The layer surfaces sway has seen made with this namespace, from its debug log, in the
    order they came: a list of dicts with layer (0 background ... 3 overlay). The anchor on
    that line is left out: sway 1.7 logs it at the client's first commit, sway 1.10 as the
    surface is made, before the client sets any (always 0 there). The client's own trace says
    which anchor it sets."""
    pattern = re.compile(r"new layer surface: namespace (\S+) layer (\d+)")
    return [{"layer": int(m.group(2))}
            for m in pattern.finditer(sway_log()) if m.group(1) == namespace]


class Picture:
    """One output's pixels as grim gives them (device pixels), rows[y][x] = (r, g, b)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data
        self.rows = [_Row(data, y * width * 3, width) for y in range(height)]


class _Row:
    __slots__ = ("data", "start", "width")

    def __init__(self, data, start, width):
        self.data, self.start, self.width = data, start, width

    def __getitem__(self, x):
        o = self.start + 3 * x
        return tuple(self.data[o:o + 3])

    def __len__(self):
        return self.width


def grab(output, path=None):
    """A picture of one output (grim -o), kept as a PPM file at path when one is given."""
    ppm = subprocess.run(["grim", "-t", "ppm", "-o", output, "-"], capture_output=True,
                         timeout=20)
    if ppm.returncode != 0:
        raise RuntimeError(f"grim -o {output} failed: {ppm.stderr.decode(errors='replace')}")
    raw = ppm.stdout
    # P6, width, height, maximum, then the pixels after one whitespace byte.
    fields, at = [], 0
    while len(fields) < 4:
        while raw[at:at + 1].isspace():
            at += 1
        end = at
        while not raw[end:end + 1].isspace():
            end += 1
        fields.append(raw[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    data = raw[at + 1:at + 1 + width * height * 3]
    if path:
        with open(path, "wb") as f:
            f.write(raw)
    return Picture(width, height, data)


def fountain_stats(picture):
    """(centre, corner): brightness_stats of the middle half and of the top-left eighth."""
    w, h = picture.width, picture.height
    centre = brightness_stats(picture.rows, (w // 4, h // 4, 3 * w // 4, 3 * h // 4))
    corner = brightness_stats(picture.rows, (0, 0, w // 8, h // 8))
    return centre, corner


def shows_fountain(picture):
    """Bright, coloured fragments around the centre and dark corners, as on X11."""
    centre, corner = fountain_stats(picture)
    return centre[0] > centre[2] // 20 and centre[1] > centre[2] // 80 and \
        corner[0] < max(centre[0] / 10, 1), (centre, corner)


def bright_centroid(picture, step=4):
    """The centre of the picture's light (brightest channel over 60, weighted by it), as
    fractions of the width and height; None for a dark picture."""
    sx = sy = total = 0
    data, w = picture.data, picture.width
    for y in range(0, picture.height, step):
        base = y * w * 3
        for x in range(0, w, step):
            o = base + 3 * x
            v = max(data[o], data[o + 1], data[o + 2])
            if v > 60:
                sx += v * x
                sy += v * y
                total += v
    if total == 0:
        return None
    return sx / total / w, sy / total / picture.height


def centred(centroid):
    """Whether a bright_centroid() lies within a tenth of the picture's size of its middle."""
    return centroid is not None and all(abs(c - 0.5) < 0.1 for c in centroid)


def grab_fountain(output, path=None, tries=5):
    """A picture of the output that shows_fountain() accepts with its light centred, of up to
    `tries` taken half a second apart (now and then the camera comes so near that fragments
    fill the corners too, or the spray leans far to one side), or else the last one."""
    for attempt in range(tries):
        picture = grab(output, path)
        if shows_fountain(picture)[0] and centred(bright_centroid(picture)):
            break
        time.sleep(0.5)
    return picture


def hold_keyboard():
    """Keeps a keyboard on sway's seat (an idle wtype) until the returned process is stopped.
    Each wtype call adds its own keyboard and takes it away after: with no other, the seat
    gains its keyboard only as the key goes down, and a client binds wl_keyboard too late to
    see the press (it arrives as a key held on enter). A real seat has its keyboard all along."""
    proc = subprocess.Popen(["wtype", "-s", "600000"], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    wait_for(lambda: '"type": "keyboard"' in swaymsg("-t", "get_inputs", "-r").stdout, 5)
    return proc


def wtype(*args):
    """Types with wtype: wtype("a") types the letter a; wtype("-k", "Escape") a named key."""
    return subprocess.run(["wtype", *args], capture_output=True, text=True, timeout=10)


class Pointer:
    """Our virtual-pointer client: a pointer device on sway's seat, kept connected."""

    def __init__(self, timeout=5.0):
        self.proc = subprocess.Popen([VIRTUAL_POINTER], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                     bufsize=1)
        self.last_layout = None
        self.ready = self._line(timeout) == "ready"

    def _line(self, timeout):
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        if not ready:
            return None
        return self.proc.stdout.readline().strip()

    def send(self, command, timeout=5.0):
        """Sends one command; True once the compositor has it."""
        if self.proc.poll() is not None:
            return False
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        reply = self._line(timeout)
        if command == "layout" and reply and reply.startswith("layout"):
            self.last_layout = [int(v) for v in reply.split()[1:]]
            reply = self._line(timeout)
        return reply == "ok"

    def move(self, x, y):
        return self.send(f"move {x} {y}")

    def rel(self, dx, dy):
        return self.send(f"rel {dx} {dy}")

    def click(self):
        return self.send("click")

    def layout(self):
        return self.last_layout if self.send("layout") else None

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write("quit\n")
                self.proc.stdin.flush()
                self.proc.wait(timeout=3)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()

    def errors(self):
        return self.proc.stderr.read() if self.proc.poll() is not None else ""


# How a WAYLAND_DEBUG trace writes an object: wl_surface@12 up to libwayland 1.22 (Debian 12),
# wl_surface#12 from 1.23 (Debian 13), whose lines also begin with the event queue's name.
OBJ = "[@#]"


def wait_for(condition, timeout, step=0.1):
    """Polls condition() until it is true or timeout seconds have passed; its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def stderr_of(proc):
    """The whole stderr of a process that has ended (or been stopped)."""
    stop(proc)
    return proc.stderr.read().decode("utf-8", "replace")


def terminate(proc, timeout=5.0):
    """SIGTERM, as a locker or the session ends a background program; True if it ended."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
    return wait_exit(proc, timeout)
