"""tivaro-settings as a person uses it, through the accessibility bus (AT-SPI), with a private
session bus: under headless sway as a native Wayland window, or with --x11 under Xvfb as an X
client. The preview at the top must show the still the saver draws (tivaro --still), pixel for
pixel on the screen; the switch, the two spin buttons, the check box and Preview: each change
must reach tivaro-idle's settings file at once; the switch must add and remove tivaro-idle's
autostart entry; Preview must start the real saver, detached. A window whose saver cannot
draw the still says why in a line in its place, and goes on working.

The window draws with GTK's cairo renderer (no GPU here). The check box has no AT-SPI action
in GTK 4.8, so it is reached with Tab and ticked with the space bar, as on a keyboard.
TIVARO_SETTINGS_PICTURE, when set, names a PNG file for a picture of the window."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wayland"))
from sway_harness import (TIVARO, check, finish, grab, hold_keyboard, stop, views,  # noqa: E402
                          wait_exit, wait_for, wtype)

ON_X11 = "--x11" in sys.argv[1:]
STILL = (152, 112)  # the preview's size in the window, at scale 1

SETTINGS = os.environ.get("TIVARO_SETTINGS_BIN")
if not SETTINGS:
    print("SKIP: tivaro-settings was not built (GTK 4 was not found: libgtk-4-dev)")
    sys.exit(77)
try:
    import pyatspi
except ImportError:
    print(f"SKIP: no pyatspi for {sys.executable} (python3-pyatspi, gir1.2-atspi-2.0)")
    sys.exit(77)

SWITCH_ROLES = {"check box", "toggle button", "switch"}  # GTK 4.8 says check box
BUTTON_ROLES = {"push button", "button"}  # GTK 4.8 says push button, 4.18 button


def settings_file(config):
    """idle.conf's keys and values, or None while there is no file."""
    path = os.path.join(config, "tivaro", "idle.conf")
    if not os.path.exists(path):
        return None
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                values[key.strip()] = value.strip()
    return values


def find(node, roles, name):
    if node is None:
        return None
    if node.getRoleName() in roles and node.name == name:
        return node
    for child in node:
        found = find(child, roles, name)
        if found is not None:
            return found
    return None


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in desktop if app is not None and app.name == "tivaro-settings"
                 and app.get_process_id() == pid), None)


def gnome_notes(node):
    """The texts of the labels shown that speak of GNOME's own delay."""
    if node is None:
        return []
    found = []
    if node.getRoleName() == "label" and node.name.startswith("GNOME") and \
            node.getState().contains(pyatspi.STATE_VISIBLE):
        found.append(node.name)
    for child in node:
        found += gnome_notes(child)
    return found


def act(node, names=("toggle", "click", "activate", "press")):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in names:
            return action.doAction(i)
    raise RuntimeError(f"{node.name}: no action among {names}")


def is_on(node):
    state = node.getState()
    return state.contains(pyatspi.STATE_CHECKED) or state.contains(pyatspi.STATE_PRESSED)


def saver_previews():
    """Pids of processes running tivaro /s, with their parents' pids."""
    found = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                argv = f.read().split(b"\0")[:-1]
            with open(f"/proc/{pid}/stat", encoding="utf-8") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        if len(argv) == 2 and os.path.basename(argv[0]) == b"tivaro" and argv[1] == b"/s":
            found[int(pid)] = parent
    return found


class Sway:
    """Keys through wtype (with a keyboard held on the seat), pictures through grim."""
    backend = "wayland"

    def __init__(self):
        self.keyboard = hold_keyboard()

    def focus(self, pid):
        pass

    def key(self, name):
        wtype("-k", name)

    def screen(self):
        picture = grab("HEADLESS-1")
        return picture.width, picture.height, picture.data

    def save_picture(self, pid, path):
        """The window's rectangle on the output, as grim takes it, to a PNG file."""
        view = next((v for v in views() if v.get("pid") == pid), None)
        if view is None:
            print("no picture: sway does not show the window")
            return
        r = view["rect"]
        subprocess.run(["grim", "-g", f"{r['x']},{r['y']} {r['width']}x{r['height']}", path],
                       check=True, timeout=20)
        print("picture of the window:", path)

    def close(self):
        stop(self.keyboard)


class X11:
    """Xvfb with no window manager: the window is given the focus itself, keys come through
    XTEST (xdotool), pictures of the root window through ImageMagick's import."""
    backend = "x11"

    def focus(self, pid):
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                str(pid)], capture_output=True, text=True, timeout=10)
        for window in found.stdout.split():
            subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=10)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], timeout=10)

    def screen(self):
        shot = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, check=True, timeout=20).stdout
        return ppm_pixels(shot)

    def save_picture(self, pid, path):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               capture_output=True, text=True, timeout=10).stdout.split()
        if not found:
            print("no picture: the window is not shown")
            return
        subprocess.run(["import", "-window", found[-1], path], check=True, timeout=20)
        print("picture of the window:", path)

    def close(self):
        pass


def ppm_pixels(ppm):
    """(width, height, RGB bytes) of a binary PPM of 8-bit samples."""
    fields, at = [], 0
    while len(fields) < 4:
        while ppm[at:at + 1].isspace():
            at += 1
        end = at
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    return width, height, ppm[at + 1:at + 1 + width * height * 3]


def expected_still():
    """The still as the saver itself writes it (tivaro --still), as RGB bytes."""
    png = subprocess.run([TIVARO, "--still", f"{STILL[0]}x{STILL[1]}", "-"], capture_output=True,
                         check=True, timeout=20).stdout
    ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png,
                         capture_output=True, check=True, timeout=20).stdout
    w, h, data = ppm_pixels(ppm)
    assert (w, h) == STILL, (w, h)
    return data


def lit(data):
    """How many pixels are bright (a channel over 128) and how many coloured."""
    bright = coloured = 0
    for o in range(0, len(data), 3):
        r, g, b = data[o], data[o + 1], data[o + 2]
        bright += max(r, g, b) > 128
        coloured += max(r, g, b) - min(r, g, b) > 60
    return bright, coloured


def find_still(screen, still):
    """Where the still lies on the screen, pixel for pixel (its top-left corner), or None.
    Rows of the screen are searched for the still's most varied row, and each place found is
    then compared whole."""
    width, height, data = screen
    sw, sh = STILL
    row = lambda d, w, x, y, n: d[(y * w + x) * 3:(y * w + x + n) * 3]  # noqa: E731
    key_y = max(range(sh), key=lambda y: len({row(still, sw, x, y, 1) for x in range(sw)}))
    key = row(still, sw, 0, key_y, sw)
    for y in range(key_y, height - sh + key_y + 1):
        line = row(data, width, 0, y, width)
        at = line.find(key)
        while at >= 0:
            if at % 3 == 0:
                x, top = at // 3, y - key_y
                if x + sw <= width and all(row(data, width, x, top + j, sw) ==
                                           row(still, sw, 0, j, sw) for j in range(sh)):
                    return x, top
            at = line.find(key, at + 1)
    return None


def still_shown(session, app):
    """The preview at the top of the window shows the saver's own still."""
    still = expected_still()
    bright, coloured = lit(still)
    check(bright > 200 and coloured > 200,
          f"the saver's still has its bright, coloured fragments ({bright} bright, "
          f"{coloured} coloured of {STILL[0] * STILL[1]})")
    place = wait_for(lambda: find_still(session.screen(), still), 10, 0.5)
    check(place is not None,
          f"the screen shows that still in the window, pixel for pixel: at {place}")
    image = find(app, {"image", "img"}, "Preview of the screen saver")
    check(image is not None and image.getState().contains(pyatspi.STATE_VISIBLE) and
          no_still_line(app) is None,
          "... as an image named \"Preview of the screen saver\", and no line in its place")


FAILING_SAVER = """#!/bin/sh
echo "tivaro: cannot draw the still here" >&2
exit 1
"""


def no_still_line(node):
    """The visible line that stands for the preview when there is none."""
    if node is None:
        return None
    if node.getRoleName() == "label" and node.name.startswith("No preview") and \
            node.getState().contains(pyatspi.STATE_VISIBLE):
        return node.name
    for child in node:
        found = no_still_line(child)
        if found is not None:
            return found
    return None


def gnome_delay(env):
    """Where GNOME's idle monitor is on the bus and GNOME blanks the screen after 2 minutes
    (its idle-delay, here from a keyfile settings store), the window says so under 7 minutes,
    and not under 1 minute. This window is a copy of the program with a saver beside it that
    cannot draw the still: a line takes the preview's place, and the window works on."""
    lone = tempfile.mkdtemp(prefix="tivaro-settings-lone.")
    settings = os.path.join(lone, "tivaro-settings")
    shutil.copy(SETTINGS, settings)
    with open(os.path.join(lone, "tivaro"), "w", encoding="utf-8") as f:
        f.write(FAILING_SAVER)
    os.chmod(os.path.join(lone, "tivaro"), 0o755)
    store = os.path.join(env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
    os.makedirs(store, exist_ok=True)
    with open(os.path.join(store, "keyfile"), "w", encoding="utf-8") as f:
        f.write("[org/gnome/desktop/session]\nidle-delay=uint32 120\n")
    env = dict(env, GSETTINGS_BACKEND="keyfile")
    monitor = subprocess.Popen([sys.executable, "-c", STAND_IN_MONITOR], stdout=subprocess.PIPE,
                               text=True)
    window = None
    try:
        check(monitor.stdout.readline().strip() == "owned",
              "a stand-in for GNOME's idle monitor is on the session bus")
        window = subprocess.Popen([settings], env=env)
        app = wait_for(lambda: application(window.pid), 20, 0.2)
        line = wait_for(lambda: no_still_line(app), 10)
        # (GTK leaves a hidden widget out of the tree.)
        image = find(app, {"image", "img"}, "Preview of the screen saver")
        check(line == "No preview: cannot draw the still here" and
              (image is None or not image.getState().contains(pyatspi.STATE_VISIBLE)),
              f"a saver that cannot draw the still: a line says why in its place: {line!r}")
        notes = wait_for(lambda: gnome_notes(app), 5)
        check(any("2 minutes" in note for note in notes),
              f"GNOME's 2 minutes come before the 7 set: the window says so: {notes}")
        minutes = find(app, {"spin button"}, "Minutes")
        if minutes is not None:
            minutes.queryValue().currentValue = 1.0
        check(wait_for(lambda: not gnome_notes(app), 5),
              "set to 1 minute, before GNOME's 2: the line goes")
    finally:
        if window is not None:
            stop(window)
        stop(monitor)
        shutil.rmtree(lone, ignore_errors=True)


STAND_IN_MONITOR = """
from gi.repository import Gio, GLib
Gio.bus_own_name(Gio.BusType.SESSION, "org.gnome.Mutter.IdleMonitor", 0, None,
                 lambda *a: print("owned", flush=True), None)
GLib.MainLoop().run()
"""


def main():
    home = tempfile.mkdtemp(prefix="tivaro-settings-test.")
    config = os.path.join(home, "config")
    entry = os.path.join(config, "autostart", "tivaro-idle.desktop")
    session = X11() if ON_X11 else Sway()
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, GDK_BACKEND=session.backend,
               GSK_RENDERER="cairo")
    # In a process group of its own: the bus it starts, and the registry that bus starts, end
    # with it (left over, they would hold the test's output open).
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           start_new_session=True)
    window = subprocess.Popen([SETTINGS], env=env)
    previews = {}
    try:
        app = wait_for(lambda: application(window.pid), 20, 0.2)
        check(app is not None, "the window is on the accessibility bus")
        if app is None:
            return
        switch = find(app, SWITCH_ROLES, "Start the screen saver after")
        minutes = find(app, {"spin button"}, "Minutes")
        lock = find(app, {"check box"}, "On resume, display logon screen")
        grace = find(app, {"spin button"}, "Seconds")
        preview = find(app, BUTTON_ROLES, "Preview")
        check(None not in (switch, minutes, lock, grace, preview),
              "switch, both spin buttons, the check box and Preview are found by role and name")
        if None in (switch, minutes, lock, grace, preview):
            return
        check(not is_on(switch) and settings_file(config) is None,
              "at first: no settings file, no autostart entry, the switch off")
        check(not gnome_notes(app), "no GNOME here: no word of GNOME's delay")
        still_shown(session, app)
        session.focus(window.pid)

        act(switch)
        check(wait_for(lambda: os.path.exists(entry), 10),
              "the switch turned on adds tivaro-idle's autostart entry")
        check(wait_for(lambda: (settings_file(config) or {}).get("Enabled") == "true", 5),
              "... and writes Enabled=true")

        minutes.queryValue().currentValue = 7.0
        check(wait_for(lambda: (settings_file(config) or {}).get("Minutes") == "7", 5),
              "7 minutes set in the spin button: Minutes=7 written")

        for _ in range(12):
            if lock.getState().contains(pyatspi.STATE_FOCUSED):
                break
            session.key("Tab")
            wait_for(lambda: lock.getState().contains(pyatspi.STATE_FOCUSED), 1)
        session.key("space")
        check(wait_for(lambda: (settings_file(config) or {}).get("LockOnResume") == "true", 5),
              "the check box ticked (Tab, space): LockOnResume=true written")

        grace.queryValue().currentValue = 30.0
        check(wait_for(lambda: (settings_file(config) or {}).get("LockGraceSeconds") == "30", 5),
              "30 grace seconds set: LockGraceSeconds=30 written")
        written = settings_file(config) or {}
        check(written.get("Enabled") == "true" and written.get("Minutes") == "7" and
              written.get("LockOnResume") == "true",
              f"the file holds every change together: {written}")

        picture = os.environ.get("TIVARO_SETTINGS_PICTURE")
        if picture:
            session.save_picture(window.pid, picture)

        act(switch)
        check(wait_for(lambda: not os.path.exists(entry), 10),
              "the switch turned off removes the autostart entry")
        check(wait_for(lambda: (settings_file(config) or {}).get("Enabled") == "false", 5),
              "... and writes Enabled=false, the other values kept: "
              f"{settings_file(config)}")
        check((settings_file(config) or {}).get("Minutes") == "7", "Minutes=7 kept")

        act(preview)
        previews = wait_for(saver_previews, 15)
        check(bool(previews), f"Preview started the saver (tivaro /s): {previews}")
        check(all(parent != window.pid for parent in previews.values()),
              "... detached: it is not the window's child")
        check(window.poll() is None and find(app, BUTTON_ROLES, "Preview") is not None,
              "the window goes on answering while the saver runs")
        stop(window)
        gnome_delay(env)
    finally:
        for pid in previews:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        if os.path.exists(entry):  # a failed run leaves tivaro-idle going: stop it
            subprocess.run([os.environ["TIVARO_IDLE_BIN"], "--uninstall"], env=env,
                           capture_output=True, timeout=20)
        stop(window)
        session.close()
        os.killpg(bus.pid, signal.SIGTERM)
        if not wait_exit(bus, 5):
            os.killpg(bus.pid, signal.SIGKILL)
        shutil.rmtree(home, ignore_errors=True)


main()
finish()
