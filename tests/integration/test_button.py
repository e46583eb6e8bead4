"""The push button on a real X server: the pointer comes onto it, presses, releases and
drags off with xdotool; Click is read from the test form's output and the face from
screenshots, compared with the skins the button is drawn from."""
import os
import queue
import subprocess
import tempfile
import threading
import time

from harness import check, finish, geometry, screenshot, stop, wait_exit, xdotool

FORM = os.environ["TIVARO_BUTTON_FORM"]
ASSETS = os.environ["TIVARO_ASSETS"]
tmp = tempfile.mkdtemp()
SKINS = {"Normal": "skin_normal.bmp", "HighLight": "skin_highlight.bmp",
         "Selected": "skin_selected.bmp", "Pressed": "skin_pressed.bmp",
         "Disable": "skin_disable.bmp"}  # HighLightSelect has the pixels of HighLight


def picture(path):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    return [[tuple(raw[(y * 64 + x) * 3:(y * 64 + x) * 3 + 3]) for x in range(64)]
            for y in range(25)]


skins = {name: picture(os.path.join(ASSETS, f)) for name, f in SKINS.items()}
shots = 0


def face():
    """The button's 73 x 25 pixels as the screen shows them."""
    global shots
    shots += 1
    _, _, rows = screenshot(os.path.join(tmp, f"button-{shots}.png"))
    return [row[bx:bx + 73] for row in rows[by:by + 25]]


def look(pixels):
    """The skin whose side columns the face shows (they are drawn unscaled at 25 px)."""
    for name, skin in skins.items():
        if all(pixels[y][d] == skin[y][d] and pixels[y][72 - d] == skin[y][63 - d]
               for y in range(25) for d in range(4)):
            return name
    return "none"


def inverted(pixels):
    """True when the gradient runs dark to light (the hover look), left of the caption."""
    return sum(pixels[5][6]) < sum(pixels[19][6])


def expect(name, wanted_look, wanted_inverted, timeout=2.0):
    """Waits for the face to show `wanted_look`, then checks the gradient's direction."""
    deadline = time.monotonic() + timeout
    while True:
        pixels = face()
        seen = look(pixels)
        if seen == wanted_look or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    check(seen == wanted_look, f"{name}: the face shows {wanted_look} ({seen})")
    direction = "dark to light" if wanted_inverted else "light to dark"
    check(inverted(pixels) == wanted_inverted, f"{name}: the gradient runs {direction}")


lines = queue.Queue()


def clicks_after(seconds):
    """How many "Click" lines the form printed within `seconds` from now."""
    deadline = time.monotonic() + seconds
    n = 0
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            return n
        try:
            line = lines.get(timeout=remaining)
        except queue.Empty:
            return n
        n += line == "Click"


def move(x, y):
    xdotool("mousemove", str(x), str(y))


def settle():
    """Long enough for a few ticks of the 100 ms hover timer."""
    time.sleep(0.4)


xdotool("mousemove", "5", "5")
proc = subprocess.Popen([FORM], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
threading.Thread(target=lambda: [lines.put(l.strip()) for l in proc.stdout], daemon=True).start()
ready = lines.get(timeout=10).split()
check(ready[:1] == ["Ready"], f"the form is shown ({ready})")
form_window, button_window = int(ready[1]), int(ready[2])
bx, by, bw, bh = geometry(button_window)
check((bw, bh) == (73, 25), f"the button is 73 x 25 ({bw} x {bh})")
fx, fy, _, _ = geometry(form_window)
on_button = (bx + 36, by + 12)  # on the caption, which passes its events to the face
on_form = (fx + 5, fy + 70)

expect("idle", "Normal", False)

move(*on_button)
expect("pointer on it", "HighLight", True)
settle()
expect("a tick later, still on it", "HighLight", True)

# The right button clicks on release; its press neither takes the focus nor draws.
xdotool("mousedown", "3")
settle()
expect("right press", "HighLight", True)
xdotool("mouseup", "3")
check(clicks_after(1.0) == 1, "the right button's release clicks")
expect("right release: nothing drawn", "HighLight", True)

xdotool("mousedown", "1")
expect("left press", "Pressed", True)
check(clicks_after(0.3) == 0, "a press alone does not click")
xdotool("mouseup", "1")
check(clicks_after(1.0) == 1, "the release over the button clicks once")
expect("released (focused, pointer on it)", "HighLight", True)

move(*on_form)
expect("pointer off, focus kept", "Selected", False)

# A press dragged off the button and released outside is cancelled.
move(*on_button)
expect("pointer back, focused", "HighLight", False)
xdotool("mousedown", "1")
expect("pressed again", "Pressed", False)
move(*on_form)
expect("dragged off, the tick saw it", "Selected", False)
move(*on_button)
settle()
expect("back on it while held", "Selected", False)
move(*on_form)
settle()
xdotool("mouseup", "1")
check(clicks_after(0.5) == 0, "the release outside after dragging off does not click")
expect("released outside", "Selected", False)

# Keys never click.
for key in ("Return", "space"):
    xdotool("key", key)
check(clicks_after(0.5) == 0, "Return and space do not click")

check(proc.poll() is None, "the form is still running")
xdotool("windowclose", str(form_window))
check(wait_exit(proc, 3.0), "closing the form ends the program")
stop(proc)
err = proc.stderr.read()
check(err.strip() == "", f"nothing on stderr ({err.strip()})")
finish()
