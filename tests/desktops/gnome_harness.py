"""Helpers for the GNOME test, which runs inside gnome_run.sh: the shell's own D-Bus interfaces
through gdbus, and our gnome_bus_client for input and pictures. Picture
checks (shows_fountain, centred...) are the sway tests' (tests/wayland/sway_harness.py): a
picture here is the same Picture, cut out of the shell's whole-stage screenshot."""
import os
import select
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wayland"))
sys.path.insert(0, os.path.join(HERE, "..", "idle"))
from sway_harness import Picture, bright_centroid, centred, shows_fountain  # noqa: E402

CLIENT = os.environ.get("TIVARO_GNOME_BUS_CLIENT", "gnome_bus_client")
RUNTIME = os.environ.get("XDG_RUNTIME_DIR", "/tmp")

# The stage in device pixels (gnome_run.sh's monitors, the layout in physical pixels): each
# monitor's box (x, y, width, height).
MONITORS = {"Meta-0": (0, 0, 1024, 768), "Meta-1": (1024, 0, 1600, 1200)}
KEY_A = 0x61  # keysyms
KEY_SHIFT = 0xFFE1


def gdbus(*args, timeout=10):
    """gdbus call on the session bus; (status, output)."""
    proc = subprocess.run(["gdbus", "call", "--session", *args], capture_output=True, text=True,
                          timeout=timeout)
    return proc.returncode, (proc.stdout + proc.stderr).strip()


def shell_property(name, value=None):
    """Reads org.gnome.Shell's property, or sets it to a GVariant text such as "<false>"."""
    common = ["-d", "org.gnome.Shell", "-o", "/org/gnome/Shell", "-m"]
    if value is None:
        return gdbus(*common, "org.freedesktop.DBus.Properties.Get", "org.gnome.Shell", name)[1]
    return gdbus(*common, "org.freedesktop.DBus.Properties.Set", "org.gnome.Shell", name, value)


def overview_active():
    return shell_property("OverviewActive") == "(<true>,)"


def shield(method, *args):
    """Calls the shell's screen shield (org.gnome.ScreenSaver's interface at its own name)."""
    return gdbus("-d", "org.gnome.Shell.ScreenShield", "-o", "/org/gnome/ScreenSaver", "-m",
                 "org.gnome.ScreenSaver." + method, *args)


class Client:
    """gnome_bus_client input: a remote-desktop session (keyboard, pointer) and pictures."""

    def __init__(self):
        self.proc = subprocess.Popen([CLIENT, "input"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.ready = self._line(30) == "ok"
        self.shots = 0
        self.asked = 0

    def _line(self, timeout):
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        return self.proc.stdout.readline().strip() if ready else None

    def ask(self, command, timeout=40):
        """The lines before the answer, and the answer ("ok ...", "error ..." or None). The
        shell may leave its bus unanswered for many seconds while it draws, on a loaded
        machine; answers that come after their caller gave up are passed over."""
        if self.proc.poll() is not None:
            return [], None
        self.asked += 1
        self.proc.stdin.write(f"{self.asked} {command}\n")
        self.proc.stdin.flush()
        lines = []
        deadline = time.monotonic() + timeout
        while True:
            line = self._line(max(deadline - time.monotonic(), 0))
            if line is None:
                return lines, None
            number, _, line = line.partition(" ")
            if number != str(self.asked):
                continue
            if line.startswith("ok") or line.startswith("error"):
                return lines, line
            lines.append(line)

    def key(self, keysym=KEY_A):
        return self.ask(f"key {keysym:x}")[1] == "ok"

    def motion(self, dx, dy):
        return self.ask(f"motion {dx} {dy}")[1] == "ok"

    def click(self):
        return self.ask("click")[1] == "ok"

    def pointer_to(self, x, y):
        """Puts the pointer at (x, y) on the stage: into the top-left corner, then across."""
        return self.motion(-5000, -5000) and self.motion(x, y)

    def shot(self, cursor=False):
        """The whole stage as a PNG file the shell wrote; its path, or None."""
        self.shots += 1
        path = os.path.join(RUNTIME, f"shot-{self.shots}.png")
        answer = self.ask(f"shot {1 if cursor else 0} {path}")[1]
        return path if answer and answer.startswith("ok") else None

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def cut(png, box):
    """The part of a PNG inside box (x, y, width, height), as a Picture (ImageMagick reads it),
    or None when there is no such picture."""
    x, y, w, h = box
    raw = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8",
                          "rgb:-"], capture_output=True, timeout=30).stdout if png else b""
    return Picture(w, h, raw) if len(raw) == w * h * 3 else None


class Eyes:
    """Pictures of each monitor: the shell's screen casts where they start (gnome_cast.py),
    else cut out of its Screenshot of the whole stage, which is said."""

    def __init__(self, client, cast=True):
        self.client = client
        self.cast = None
        self.why_not = "PipeWire is not installed" if cast else "not asked for"
        if cast and os.path.exists(os.path.join(RUNTIME, "pipewire-0")):
            try:
                from gnome_cast import Cast
                cast = Cast(list(MONITORS))
                self.why_not = cast.error
                if cast.error is None:
                    self.cast = cast
                else:
                    cast.close()
            except (ImportError, ValueError) as e:  # no gi, or no GStreamer in it
                self.why_not = f"no GStreamer through Python's gi: {e}"

    def picture(self, name, cursor=True):
        """The monitor's picture (the pointer in it where cursor), or None."""
        if self.cast is not None:
            return self.cast.picture(name)
        return cut(self.client.shot(cursor=cursor), MONITORS[name])

    def pictures(self):
        """{monitor: picture} at one moment where the shell's Screenshot is used."""
        if self.cast is not None:
            return {name: self.cast.picture(name) for name in MONITORS}
        png = self.client.shot()
        return {name: cut(png, box) for name, box in MONITORS.items()}

    def pointer_to(self, x, y):
        """Puts the pointer at (x, y) on Meta-0: placed on the cast's stream, else moved into
        the top-left corner and across."""
        if self.cast is not None:
            self.cast.pointer_at("Meta-0", x, y)
            return True
        return self.client.pointer_to(x, y)

    def click(self):
        if self.cast is not None:
            self.cast.click()
            return True
        return self.client.click()

    def close(self):
        if self.cast is not None:
            self.cast.close()


def fountains(eyes, tries=5, placed=None):
    """{monitor: (shows, stats, centroid)} from up to `tries` pictures, until every monitor in
    `placed` (all, by default) shows a fountain centred on it (now and then a spray leans far
    to one side)."""
    placed = list(MONITORS) if placed is None else placed
    found = {}
    for _ in range(tries):
        found = {}
        for name, picture in eyes.pictures().items():
            if picture is None:
                break
            shows, stats = shows_fountain(picture)
            found[name] = (shows, stats, bright_centroid(picture))
        if len(found) == len(MONITORS) and all(
                f[0] and centred(f[2]) for n, f in found.items() if n in placed):
            break
    return found


def whitish(picture, box):
    """How many pixels inside box (x0, y0, x1, y1) are near white and grey (the pointer's
    outline), where the fountain's fragments are coloured; -1 without a picture."""
    if picture is None:
        return -1
    x0, y0, x1, y1 = box
    count = 0
    for y in range(y0, y1):
        row = picture.rows[y]
        for x in range(x0, x1):
            r, g, b = row[x]
            count += min(r, g, b) > 200 and max(r, g, b) - min(r, g, b) < 30
    return count
