"""A form with nothing but its back colour on a real X server: the server fills it, when
it is shown and again when it is uncovered, while the program presents nothing to it (its
record of backend calls says so) and holds no pixels for it."""
import os
import re
import subprocess
import tempfile

from harness import check, finish, geometry, screenshot

FORM = os.environ["TIVARO_PLAIN_FORM"]
PANE = os.environ["TIVARO_TEST_PANE"]
COLOUR = (40, 160, 90)
tmp = tempfile.mkdtemp()


def form_pixels(name, window):
    """The form's pixels as the screen shows them."""
    x, y, w, h = geometry(window)
    _, _, rows = screenshot(os.path.join(tmp, name))
    return [rows[y + j][x + i] for j in range(h) for i in range(w)]


def say(proc, line):
    proc.stdin.write(line + "\n")
    proc.stdin.flush()


form = subprocess.Popen([FORM], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
ready = form.stdout.readline().split()
check(len(ready) == 2 and ready[0] == "Ready", f"the form is shown ({ready})")
window = int(ready[1])
check(geometry(window)[2:] == (200, 120), "it has the size it was given")
shown = form_pixels("shown.png", window)
check(all(p == COLOUR for p in shown), f"it shows its colour all over ({set(shown)})")

# Another window covers it and goes away while the program handles nothing (it waits on
# its standard input): the server alone fills what comes back to view.
pane = subprocess.Popen([PANE, "300x200"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        text=True)
pane.stdout.readline()
covered = form_pixels("covered.png", window)
check(COLOUR not in covered, "a window over it hides it")
say(pane, "destroy")
pane.stdout.readline()
uncovered = form_pixels("uncovered.png", window)
check(all(p == COLOUR for p in uncovered),
      f"uncovered, it shows its colour at once, unaided ({set(uncovered)})")
pane.stdin.close()
pane.wait()

say(form, "events")
check(form.stdout.readline().strip() == "Handled", "the program then handles the exposure")
say(form, "end")
report = form.stdout.readline()
match = re.match(r"Presented (\d+) times, holding (\d+) bytes of pixels", report)
check(match is not None, f"the program reports its record ({report.strip()})")
if match:
    check(match.group(1) == "0", "nothing was ever presented to the form's window")
    check(match.group(2) == "0", "the form holds no pixels")
check(form.wait(timeout=10) == 0, "the program ends cleanly")

finish()
