"""tivaro-settings as a person uses it, through the accessibility bus (AT-SPI), under headless
sway with a private session bus: the switch, the two spin buttons, the check box and Preview.
Each change must reach tivaro-idle's settings file at once; the switch must add and remove
tivaro-idle's autostart entry; Preview must start the real saver, detached.

The window draws with GTK's cairo renderer (headless sway has no GPU). The check box has no
AT-SPI action in GTK 4.8, so it is reached with Tab and ticked with the space bar, as on a
keyboard. TIVARO_SETTINGS_PICTURE, when set, names a PNG file for a picture of the window."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wayland"))
from sway_harness import (check, finish, hold_keyboard, stop, views,  # noqa: E402
                          wait_exit, wait_for, wtype)

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


def save_picture(pid, path):
    """The window's rectangle on the output, as grim takes it, to a PNG file."""
    view = next((v for v in views() if v.get("pid") == pid), None)
    if view is None:
        print("no picture: sway does not show the window")
        return
    r = view["rect"]
    subprocess.run(["grim", "-g", f"{r['x']},{r['y']} {r['width']}x{r['height']}", path],
                   check=True, timeout=20)
    print("picture of the window:", path)


def gnome_delay(env):
    """Where GNOME's idle monitor is on the bus and GNOME blanks the screen after 2 minutes
    (its idle-delay, here from a keyfile settings store), the window says so under 7 minutes,
    and not under 1 minute."""
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
        window = subprocess.Popen([SETTINGS], env=env)
        app = wait_for(lambda: application(window.pid), 20, 0.2)
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
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, GDK_BACKEND="wayland",
               GSK_RENDERER="cairo")
    # In a process group of its own: the bus it starts, and the registry that bus starts, end
    # with it (left over, they would hold the test's output open).
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           start_new_session=True)
    keyboard = hold_keyboard()
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
            wtype("-k", "Tab")
            wait_for(lambda: lock.getState().contains(pyatspi.STATE_FOCUSED), 1)
        wtype("-k", "space")
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
            save_picture(window.pid, picture)

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
        stop(keyboard)
        os.killpg(bus.pid, signal.SIGTERM)
        if not wait_exit(bus, 5):
            os.killpg(bus.pid, signal.SIGKILL)
        shutil.rmtree(home, ignore_errors=True)


main()
finish()
