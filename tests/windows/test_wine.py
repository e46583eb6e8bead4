"""Tivaro.scr under Wine on an X server: the saver, the saver over two monitors, the
settings dialog, the preview in a pane of another program, the modes that end at once, and
the dialog at four display scales.

Needs DISPLAY (an Xvfb), a Wine prefix with its wineserver running, TIVARO_SCR (the
program), TIVARO_WINE_PROBE (wine_probe.exe) and TIVARO_WINE (the Wine loader, `wine` if
unset); TwoMonitors also needs Xephyr. Run one class: test_wine.py Saver."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

# The X-side helpers are the Linux integration tests' own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
from harness import find_window as _find_window, stop, wait_exit as ended, xdotool  # noqa: E402

SCR = os.environ.get("TIVARO_SCR", "Tivaro.scr")
PROBE = os.environ.get("TIVARO_WINE_PROBE", "wine_probe.exe")
WINE = os.environ.get("TIVARO_WINE") or "wine"
SETTINGS_CAPTION = "Tivaro\uff1f\u306e\u8a2d\u5b9a"
TMP = tempfile.mkdtemp(prefix="tivaro-wine-")


def wine(*args, capture=False):
    """Starts a Windows program; its output is kept only when asked for (unread pipes of a
    long run could fill up)."""
    out = subprocess.PIPE if capture else subprocess.DEVNULL
    return subprocess.Popen([WINE, *args], stdout=out, stderr=out, text=True)


def run(*args, timeout=15):
    """Runs Tivaro.scr to its end: (exit code, stderr), or (None, '') when it hangs."""
    proc = wine(SCR, *args, capture=True)
    try:
        _, err = proc.communicate(timeout=timeout)
        return proc.returncode, err
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        return None, ""


def find_window(name, timeout=15.0):
    """The X window whose whole title is `name`; Wine takes longer to show it."""
    return _find_window(name, timeout)


def window_info(window):
    """(x, y, width, height, child window ids) of an X window."""
    out = subprocess.run(["xwininfo", "-children", "-id", str(window)], capture_output=True,
                         text=True).stdout
    out += subprocess.run(["xwininfo", "-id", str(window)], capture_output=True,
                          text=True).stdout
    values, children = {}, []
    for line in out.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
        if line.startswith("0x"):
            children.append(int(line.split()[0], 16))
    return (values.get("Absolute upper-left X"), values.get("Absolute upper-left Y"),
            values.get("Width"), values.get("Height"), children)


def unnamed_windows(width, height):
    """X windows without a name or a class (Wine's GL drawables) of the given size,
    anywhere in the tree."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True,
                          text=True).stdout
    return [int(line.split()[0], 16) for line in tree.splitlines()
            if "(has no name): ()" in line and f" {width}x{height}+" in line]


def viewable(window):
    out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True)
    return "IsViewable" in out.stdout


def pixels(window, name):
    """The pixels of one X window as rows of (r, g, b)."""
    path = os.path.join(TMP, name + ".png")
    subprocess.run(["import", "-window", str(window), path], check=True, timeout=30)
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True, timeout=30).stdout
    w, h = map(int, subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                                   text=True, check=True).stdout.split())
    return [[tuple(raw[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)]
            for y in range(h)]


def bright_and_coloured(rows):
    bright = coloured = 0
    for row in rows[::2]:
        for r, g, b in row[::2]:
            bright += max(r, g, b) > 60
            coloured += max(r, g, b) - min(r, g, b) > 40
    return bright, coloured


def probe(*args, timeout=15):
    return subprocess.run([WINE, PROBE, *args], capture_output=True, text=True,
                          timeout=timeout).stdout


class Saver(unittest.TestCase):
    def test_runs_full_screen_draws_the_fountain_and_ends_on_a_key(self):
        saver = wine(SCR, "/s")
        try:
            win = find_window("Tivaro_Main")
            self.assertIsNotNone(win, "/s shows a window titled Tivaro_Main")
            time.sleep(1.5)
            x, y, w, h, _ = window_info(win)
            self.assertEqual((x, y, w, h), (0, 0, 1024, 768), "it covers the screen")
            # The GL view is a child window. Wine draws it in an X window of its own that
            # is not composed into the screen without a compositing manager: that window
            # is read directly.
            views = unnamed_windows(1024, 768)
            self.assertTrue(views, "the GL view has an X window of its own")
            seen = [bright_and_coloured(pixels(view, f"fountain-{view:x}"))
                    for view in views if viewable(view)]
            self.assertTrue(seen, "the GL view's X window is shown")
            bright, coloured = max(seen)
            self.assertGreater(bright, 300, "bright fragments are drawn")
            self.assertGreater(coloured, 100, "in colour")

            for args in (["/s"], ["/c"], ["/p", "0"], []):
                code, _ = run(*args)
                self.assertEqual(code, 0, f"a second start with {args} ends at once")

            xdotool("mousemove", "10", "10")
            xdotool("mousemove", "1000", "700")
            xdotool("mousemove", "512", "384")
            self.assertFalse(ended(saver, 1.0), "moving the pointer does not end it")
            xdotool("key", "a")
            self.assertTrue(ended(saver, 10.0), "a key press ends it")
            self.assertEqual(saver.returncode, 0)
        finally:
            stop(saver)

    def test_a_close_request_ends_it_cleanly(self):
        saver = wine(SCR, "/s", capture=True)
        try:
            self.assertIsNotNone(find_window("Tivaro_Main"))
            time.sleep(0.5)
            self.assertEqual(probe("close", "Tivaro_Main").strip(), "posted")
            self.assertTrue(ended(saver, 10.0), "WM_CLOSE ends it")
            self.assertEqual(saver.returncode, 0)
            self.assertEqual(saver.stderr.read().strip(), "", "with nothing reported")
        finally:
            stop(saver)

    def test_a_click_ends_it(self):
        saver = wine(SCR, "/s")
        try:
            self.assertIsNotNone(find_window("Tivaro_Main"))
            xdotool("mousemove", "300", "300")
            time.sleep(0.5)
            xdotool("click", "1")
            self.assertTrue(ended(saver, 10.0), "a click ends it")
            self.assertEqual(saver.returncode, 0)
        finally:
            stop(saver)


def start_xephyr(*args):
    """A nested X server in the current one: (process, its display), or (None, None). Its
    number is the first one free from 40 on."""
    for number in range(40, 100):
        if os.path.exists(f"/tmp/.X{number}-lock") or \
                os.path.exists(f"/tmp/.X11-unix/X{number}"):
            continue
        display = f":{number}"
        proc = subprocess.Popen(["Xephyr", display, "-nolisten", "tcp", "-noreset", *args],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and proc.poll() is None:
            if subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return proc, display
            time.sleep(0.2)
        stop_server(proc)
    return None, None


def stop_server(proc):
    """Ends an X server so that it takes its lock and socket with it."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            stop(proc)


def restart_wine(display):
    """A new Wine session whose desktop is on `display`: Wine reads the monitors from the
    X server its desktop runs on, so the persistent server of the stage is replaced. The
    session's own programs (its desktop, its services) are started here with no output to
    hold, or a test reading a program's output would wait for them to end."""
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-k"], timeout=30, **quiet)
    subprocess.run(["wineserver", "-w"], timeout=30, **quiet)
    os.environ["DISPLAY"] = display
    subprocess.run(["wineserver", "-p"], timeout=30, **quiet)
    subprocess.run([WINE, "wineboot"], timeout=120, **quiet)
    subprocess.run([WINE, PROBE, "monitors"], timeout=60, **quiet)


class TwoMonitors(unittest.TestCase):
    """Two 1024 x 768 monitors side by side: Xephyr's two Xinerama heads (without RandR,
    which would show Wine one monitor) inside the stage's X server."""

    @classmethod
    def setUpClass(cls):
        cls.outer = os.environ["DISPLAY"]
        cls.xephyr, display = start_xephyr("-screen", "1024x768", "-screen", "1024x768",
                                           "+xinerama", "-extension", "RANDR")
        if cls.xephyr is None:
            raise RuntimeError("Xephyr did not start")
        restart_wine(display)

    @classmethod
    def tearDownClass(cls):
        restart_wine(cls.outer)
        stop_server(cls.xephyr)

    def setUp(self):
        self.assertEqual(probe("monitors", timeout=60).split(),
                         ["monitors", "2", "virtual", "0", "0", "2048", "768"],
                         "Wine sees two monitors side by side")

    def start(self):
        saver = wine(SCR, "/s")
        self.addCleanup(stop, saver)
        self.assertIsNotNone(find_window("Tivaro_Main", timeout=30.0))
        xdotool("mousemove", "1536", "384")
        time.sleep(1.5)
        return saver

    def test_covers_both_with_a_fountain_on_each_as_a_topmost_tool_window(self):
        saver = self.start()
        style = probe("exstyle", "Tivaro_Main").split()
        self.assertEqual(style[2:], ["toolwindow=1", "topmost=1", "bounds", "0", "0", "2048",
                                     "768"], "a topmost tool window over both monitors")
        views = [view for view in unnamed_windows(2048, 768) if viewable(view)]
        self.assertTrue(views, "the GL view spans both monitors")
        rows = pixels(views[0], "two-monitors")
        left, right = bright_and_coloured([row[:1024] for row in rows]), \
            bright_and_coloured([row[1024:] for row in rows])
        for name, (bright, coloured) in (("left", left), ("right", right)):
            self.assertGreater(bright, 300, f"a fountain on the {name} monitor")
            self.assertGreater(coloured, 100, f"in colour on the {name} monitor")
        # Each fountain's heart is at its own monitor's centre.
        for centre in (512, 1536):
            heart = [p for row in rows[364:404] for p in row[centre - 20:centre + 20]]
            self.assertGreater(sum(max(p) > 200 for p in heart), len(heart) // 2,
                               f"a fountain's heart at x = {centre}")

        # The monitors change (here: the window is left over one only): it covers both again.
        self.assertEqual(probe("displaychange", "Tivaro_Main", "1024", "768").split(),
                         ["posted", "to", "0", "0", "1024", "768"])
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            bounds = probe("exstyle", "Tivaro_Main").split()[-4:]
            if bounds == ["0", "0", "2048", "768"]:
                break
            time.sleep(0.2)
        self.assertEqual(bounds, ["0", "0", "2048", "768"], "it covers both monitors again")
        self.assertIsNone(saver.poll(), "and runs on")

    def test_a_click_on_the_second_monitor_ends_it(self):
        saver = self.start()
        xdotool("mousemove", "1800", "600")
        self.assertFalse(ended(saver, 1.0), "moving the pointer there does not end it")
        xdotool("click", "1")
        self.assertTrue(ended(saver, 10.0), "a click on the second monitor ends it")
        self.assertEqual(saver.returncode, 0)

    def test_another_program_taking_the_foreground_ends_it(self):
        saver = self.start()
        self.assertFalse(ended(saver, 1.0), "it runs while nothing happens")
        taken = probe("foreground", "3", timeout=60)
        self.assertTrue(ended(saver, 10.0),
                        f"another program in the foreground ends it ({taken.strip()})")
        self.assertEqual(saver.returncode, 0)


class Settings(unittest.TestCase):
    def test_shows_the_dialog_and_ends_on_exit(self):
        dialog = wine(SCR, "/c")
        try:
            win = find_window(SETTINGS_CAPTION)
            self.assertIsNotNone(win, "/c shows the dialog with its Japanese caption")
            where = probe("client", "settings").split()
            self.assertEqual(len(where), 4, where)
            left, top, width, height = map(int, where)
            self.assertEqual((width, height), (413, 359), "the dialog's inner size")
            time.sleep(1.0)
            rows = pixels(win, "settings")
            # The animation's view: RGB(128, 128, 255) with red spheres on it.
            view = [p for row in rows[30:300] for p in row[30:380]]
            self.assertGreater(sum(p == (128, 128, 255) for p in view), len(view) // 4)
            self.assertGreater(sum(p[0] > 150 and p[2] < 100 for p in view), 200)
            # White text in the credit line.
            credit = [p for row in rows[310:326] for p in row[20:185]]
            self.assertGreater(sum(p == (255, 255, 255) for p in credit), 50)

            code, _ = run("/c")
            self.assertEqual(code, 0, "a second start ends at once")
            self.assertIsNone(dialog.poll(), "and leaves the first one")

            xdotool("mousemove", str(left + 356), str(top + 328))  # the Exit button
            time.sleep(0.5)
            xdotool("click", "1")
            self.assertTrue(ended(dialog, 10.0), "clicking Exit ends the program")
            self.assertEqual(dialog.returncode, 0)
        finally:
            stop(dialog)


    def test_escape_closes_it_while_enter_and_space_on_exit_do_nothing(self):
        dialog = wine(SCR, "/c")
        try:
            win = find_window(SETTINGS_CAPTION)
            self.assertIsNotNone(win)
            left, top, _, _ = map(int, probe("client", "settings").split())
            xdotool("mousemove", str(left + 5), str(top + 200))  # the background, off Exit
            time.sleep(1.0)
            before = pixels(win, "keys-before")
            xdotool("key", "Tab")
            time.sleep(0.5)
            after = pixels(win, "keys-tab")
            changed = sum(p != q for row, other in zip(before[316:341], after[316:341])
                          for p, q in zip(row[320:393], other[320:393]))
            self.assertGreater(changed, 50, "Tab gives Exit the focus: its face changes")
            for key in ("Return", "KP_Enter", "space"):
                xdotool("key", key)
                self.assertFalse(ended(dialog, 1.0), f"{key} on the focused Exit does nothing")
            xdotool("key", "Escape")
            self.assertTrue(ended(dialog, 10.0), "Escape closes the dialog")
            self.assertEqual(dialog.returncode, 0)
        finally:
            stop(dialog)

    def test_draws_on_while_the_system_holds_it_in_a_loop_of_its_own(self):
        """The system menu and a move from the keyboard run loops of the system's inside
        the program's message handling: the animation goes on meanwhile, and a repaint the
        system asks for shows the whole dialog at once, not its plain background."""
        dialog = wine(SCR, "/c")
        try:
            win = find_window(SETTINGS_CAPTION)
            self.assertIsNotNone(win)
            time.sleep(1.0)
            for loop in ("menu", "move"):
                with self.subTest(loop=loop):
                    self.assertEqual(probe("loop", "settings", loop).strip(), loop,
                                     "the system's loop runs")
                    self.assertEqual(probe("invalidate", "settings").strip(), "invalidated")
                    time.sleep(0.3)
                    before = pixels(win, f"{loop}-before")
                    time.sleep(0.7)
                    after = pixels(win, f"{loop}-after")
                    self.assertEqual(probe("loop", "settings", "state").strip(), loop,
                                     "both pictures were taken inside the loop")
                    changed = sum(p != q for row, other in zip(before, after)
                                  for p, q in zip(row, other))
                    self.assertGreater(changed, 500, "the spheres move on")
                    credit = [p for row in after[310:326] for p in row[20:185]]
                    self.assertGreater(sum(p == (255, 255, 255) for p in credit), 50,
                                       "the credit line is repainted")
                    self.assertEqual(probe("loop", "settings", "end").strip(), "none")

            left, top, _, _ = map(int, probe("client", "settings").split())
            xdotool("mousemove", str(left + 356), str(top + 328))  # the Exit button
            time.sleep(0.5)
            xdotool("click", "1")
            self.assertTrue(ended(dialog, 10.0), "the dialog still ends on Exit")
            self.assertEqual(dialog.returncode, 0)
        finally:
            stop(dialog)


class Preview(unittest.TestCase):
    def test_becomes_a_child_of_the_pane_and_ends_with_it(self):
        pane = wine(PROBE, "pane", "20", capture=True)
        try:
            first = pane.stdout.readline().split()
            self.assertEqual(first[0], "pane", first)
            preview = wine(SCR, "/p", first[1])
            found = pane.stdout.readline().strip()
            self.assertEqual(found, "child 152x112 child-style=1 popup-style=0 visible=1 "
                                    "parent-ok=1")
            self.assertTrue(ended(pane, 10.0))
            pane.stdout.close()
            pane.stderr.close()
            self.assertTrue(ended(preview, 10.0), "the preview ends when the pane goes")
            self.assertEqual(preview.returncode, 0)
        finally:
            stop(pane)


class Modes(unittest.TestCase):
    def test_other_switches_end_at_once_showing_nothing(self):
        for args in (["/a"], ["s"], ["/x"]):
            code, _ = run(*args)
            self.assertEqual(code, 0, f"{args} ends at once")
        self.assertIsNone(find_window("Tivaro.*", timeout=0.5))

    def test_a_preview_in_no_window_is_refused(self):
        code, err = run("/p", "12345")
        self.assertNotIn(code, (None, 0), "a bad pane handle ends with an error")
        self.assertIn("not a window", err)

    def test_without_standard_error_the_error_is_a_message_box(self):
        # As the system starts a saver: no standard handles at all.
        scr = subprocess.run([WINE, "winepath", "-w", SCR], capture_output=True, text=True,
                             timeout=15).stdout.strip()
        started = subprocess.Popen([WINE, PROBE, "detached", scr, "/p", "12345"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            box = find_window("Tivaro")
            self.assertIsNotNone(box, "the error shows in a message box")
            x, y, w, h, _ = window_info(box)
            xdotool("mousemove", str(x + w // 2), str(y + h // 2))
            xdotool("key", "Return")
            out, _ = started.communicate(timeout=15)
            self.assertEqual(out.strip(), "exit 1", "and the program ends with an error")
        finally:
            stop(started)


# The Exit button's 1-pixel outline, inset 1 pixel in its 73 x 25 box at 96 DPI.
OUTLINE = (0x00, 0x3C, 0x74)
WHITE = (255, 255, 255)
VIEW_BACK = (128, 128, 255)


def wineserver(*args):
    """A wineserver started here outlives the test: it must not hold its output open."""
    subprocess.run(["wineserver", *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, timeout=60)


class Scale(unittest.TestCase):
    """The dialog at 96, 120, 144 and 192 DPI (Wine's LogPixels, 100 % to 200 %): laid out
    as at 96 DPI and drawn at the display's resolution.

    It runs in a prefix of its own: the stage's registry, copied once the stage's
    wineserver has written it out, with the stage's drive C. The stage's prefix stays at
    96 DPI whatever happens here."""

    DPIS = (96, 120, 144, 192)

    def setUp(self):
        self.shared = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
        wineserver("-k")  # it writes the registry out as it ends
        wineserver("-w")
        self.prefix = os.path.join(TMP, "prefix")
        os.makedirs(os.path.join(self.prefix, "dosdevices"))
        for name in ("system.reg", "user.reg", "userdef.reg", ".update-timestamp"):
            shutil.copy2(os.path.join(self.shared, name), self.prefix)
        os.symlink(os.path.join(self.shared, "drive_c"), os.path.join(self.prefix, "drive_c"))
        for device in os.listdir(os.path.join(self.shared, "dosdevices")):
            target = os.readlink(os.path.join(self.shared, "dosdevices", device))
            os.symlink(target, os.path.join(self.prefix, "dosdevices", device))
        self.start_session()  # the stage's again, for the tests after this one
        os.environ["WINEPREFIX"] = self.prefix

    def tearDown(self):
        wineserver("-k")
        wineserver("-w")
        os.environ["WINEPREFIX"] = self.shared
        shutil.rmtree(self.prefix, ignore_errors=True)

    def set_dpi(self, dpi):
        """LogPixels for this prefix's user; a new wineserver reads it."""
        done = subprocess.run([WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                               "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(done.returncode, 0, f"LogPixels set to {dpi}")
        wineserver("-k")
        wineserver("-w")
        self.start_session()

    @staticmethod
    def start_session():
        """A persistent wineserver, and the prefix's services started by a program whose
        output goes nowhere: the first program of a session starts them, and they would
        hold its output open (a test's pipes to CTest, say) for as long as they run."""
        wineserver("-p")
        subprocess.run([WINE, "cmd", "/c", "exit"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def dialog_at(self, dpi):
        """Opens the dialog at `dpi`, checks what depends on the scale alone and ends it
        with its Exit button: its client area's pixels."""
        s = dpi / 96
        self.set_dpi(dpi)
        dialog = wine(SCR, "/c")
        try:
            win = find_window(SETTINGS_CAPTION)
            self.assertIsNotNone(win, "the dialog opens")
            self.assertEqual(probe("dpi", "settings").split(),
                             ["window", str(dpi), "screen", str(dpi)],
                             "the system runs the dialog at this scale")
            left, top, width, height = map(int, probe("client", "settings").split())
            self.assertLessEqual(abs(width - 413 * s), 1, f"client width {width}")
            self.assertLessEqual(abs(height - 359 * s), 1, f"client height {height}")
            self.assertTrue(left >= 0 and top >= 0 and left + width <= 1024
                            and top + height <= 768, "the client area lies on the screen")
            time.sleep(1.0)
            rows = pixels(win, f"scale-{dpi}")
            self.assertEqual((len(rows[0]), len(rows)), (width, height),
                             "Wine's X window is the client area")

            def at(v):
                return round(v * s)

            # The view's sunken frame: its outer grey and white lines at their places × s.
            mx, my = at(200), at(160)

            def nearest(places, colour, where):
                """How far the pixel of `colour` nearest to `where` lies from it."""
                return min((abs(i - where) for i, p in places if p == colour), default=9999)

            across = list(enumerate(rows[my]))
            down = [(y, row[mx]) for y, row in enumerate(rows)]
            self.assertLessEqual(nearest(across, (128, 128, 128), at(16)), 1, "view, left")
            self.assertLessEqual(nearest(down, (128, 128, 128), at(20)), 1, "view, top")
            self.assertLessEqual(nearest(across, WHITE, at(393) - 1), 1, "view, right")
            self.assertLessEqual(nearest(down, WHITE, at(305) - 1), 1, "view, bottom")

            # The button's skin: its outline crosses each edge all along it (from 15 % to
            # 85 % of the edge), within the first 3 × s pixels inside its box.
            bl, bt, br, bb = at(320), at(316), at(320 + 73), at(316 + 25)
            band = range(-1, max(2, round(3 * s)) + 1)
            edges = {
                "top": [[(x, bt + i) for i in band] for x in range(bl, br)],
                "bottom": [[(x, bb - 1 - i) for i in band] for x in range(bl, br)],
                "left": [[(bl + i, y) for i in band] for y in range(bt, bb)],
                "right": [[(br - 1 - i, y) for i in band] for y in range(bt, bb)],
            }
            for edge, across in edges.items():
                inner = across[len(across) * 15 // 100:len(across) * 85 // 100 + 1]
                missing = [line[0] for line in inner
                           if not any(rows[y][x] == OUTLINE for x, y in line)]
                self.assertFalse(missing, f"the button's outline along its {edge} edge "
                                          f"(missing at {missing[:4]})")

            # The credit line (white): its ink's height and width scale with the display.
            lit = [(x, y) for y in range(at(307), at(328)) for x in range(at(20), at(318))
                   if rows[y][x] == WHITE]
            self.assertTrue(lit, "the credit line is drawn")
            ink = (max(x for x, _ in lit) - min(x for x, _ in lit) + 1,
                   max(y for _, y in lit) - min(y for _, y in lit) + 1)
            print(f"{dpi} DPI: client {width} x {height}, credit line's ink {ink[0]} x "
                  f"{ink[1]}", file=sys.stderr)

            # Exit, at its place × s, ends the program.
            xdotool("mousemove", str(left + at(356)), str(top + at(328)))
            time.sleep(0.3)
            xdotool("click", "1")
            self.assertTrue(ended(dialog, 10.0), "clicking Exit ends the program")
            self.assertEqual(dialog.returncode, 0)
            return rows, ink
        finally:
            stop(dialog)

    def test_the_dialog_is_the_96_dpi_dialog_scaled(self):
        shots, inks = {}, {}
        for dpi in self.DPIS:
            with self.subTest(dpi=dpi):
                shots[dpi], inks[dpi] = self.dialog_at(dpi)
        self.assertEqual(set(shots), set(self.DPIS), "the dialog opened at every scale")

        # The credit line's text is laid out anew at each scale: its ink is as tall and as
        # wide as at 96 DPI × s, within a pixel or 10 %.
        (w96, h96) = inks[96]
        self.assertGreater(h96, 8, f"at 96 DPI the ink is {w96} x {h96}")
        for dpi in self.DPIS[1:]:
            s = dpi / 96
            w, h = inks[dpi]
            self.assertLessEqual(abs(h - h96 * s), max(1, 0.1 * h96 * s),
                                 f"ink height at {dpi} DPI: {h}, at 96 DPI {h96}")
            self.assertLessEqual(abs(w - w96 * s), max(1, 0.1 * w96 * s),
                                 f"ink width at {dpi} DPI: {w}, at 96 DPI {w96}")

        # 192 DPI against 96 DPI doubled. Every pixel outside the animated view and the
        # texts (gradient, the view's frame, the button's skin) matches its 96-DPI pixel in
        # each of its 2 x 2 copies within 4 levels a channel, and 99 % of them exactly.
        small, big = shots[96], shots[192]
        texts = [(18, 308, 318, 350), (326, 320, 387, 336)]
        view = (19, 23, 391, 303)

        def outside(x, y):
            return not any(l <= x < r and t <= y < b for l, t, r, b in texts + [view])

        compared = exact = 0
        far = []
        for y in range(359):
            for x in range(413):
                if not outside(x, y):
                    continue
                for dy in (0, 1):
                    for dx in (0, 1):
                        p, q = small[y][x], big[2 * y + dy][2 * x + dx]
                        d = max(abs(a - b) for a, b in zip(p, q))
                        compared += 1
                        exact += d == 0
                        if d > 4:
                            far.append((x, y, p, q))
        print(f"192 DPI against 96 DPI doubled: {exact} of {compared} pixels exact, "
              f"{len(far)} more than 4 levels off", file=sys.stderr)
        self.assertFalse(far, f"pixels unlike their 96-DPI pixel: {len(far)}, {far[:5]}")
        self.assertGreaterEqual(exact, 0.99 * compared, f"{exact} of {compared} exactly")

        # The sprite view: its back colour takes the same share of it (the sprites scale
        # with it), within 6 points.
        def share(rows, l, t, r, b):
            return sum(rows[y][x] == VIEW_BACK for y in range(t, b) for x in range(l, r)) / (
                (r - l) * (b - t))

        small_share = share(small, *view)
        big_share = share(big, *(2 * v for v in view))
        self.assertGreater(small_share, 0.5, "the view's back colour shows at 96 DPI")
        print(f"the view's back colour: {small_share:.3f} of it at 96 DPI, {big_share:.3f} "
              f"at 192", file=sys.stderr)
        self.assertLessEqual(abs(big_share - small_share), 0.06,
                             f"the view's back colour: {small_share:.3f}, then {big_share:.3f}")

        # The texts at 192 DPI are rasterised for it, not the 96-DPI pixels doubled.
        redrawn = sum((big[y][x] == WHITE) != (small[y // 2][x // 2] == WHITE)
                      for y in range(616, 656) for x in range(40, 636))
        inked = sum(big[y][x] == WHITE for y in range(616, 656) for x in range(40, 636))
        print(f"the credit line at 192 DPI: {inked} white pixels; {redrawn} pixels white in "
              f"it or in the 96-DPI line doubled but not both", file=sys.stderr)
        self.assertGreater(redrawn, 0.1 * inked, "the credit line is drawn anew at 192 DPI")


if __name__ == "__main__":
    unittest.main(verbosity=2)
