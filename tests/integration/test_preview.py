"""The preview inside a pane window owned by the test, on a real X server."""
import os
import subprocess
import tempfile
import time

from harness import check, finish, run, screenshot, start, stop, wait_exit

PANE = os.environ["TIVARO_TEST_PANE"]
PICTURE = os.environ["TIVARO_PREVIEW_PICTURE"]
tmp = tempfile.mkdtemp()


def picture_rows():
    raw = subprocess.run(["convert", PICTURE, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    return [[tuple(raw[(y * 152 + x) * 3:(y * 152 + x) * 3 + 3]) for x in range(152)]
            for y in range(112)]


def open_pane(size):
    pane = subprocess.Popen([PANE, size], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    return pane, int(pane.stdout.readline())


expected = picture_rows()
for size in ("152x112", "300x200"):
    w, h = (int(v) for v in size.split("x"))
    pane, pane_id = open_pane(size)
    preview = start("/p", str(pane_id))
    time.sleep(1.0)
    check(preview.poll() is None, f"{size}: the preview keeps running inside its pane")
    _, _, rows = screenshot(os.path.join(tmp, f"pane-{size}.png"), pane_id)
    picture_ok = all(rows[y][x] == expected[y][x] for y in range(112) for x in range(152))
    check(picture_ok, f"{size}: the pane shows the picture at its own size")
    beyond = [rows[y][x] for y in range(h) for x in range(w) if x >= 152 or y >= 112]
    check(all(p == (0, 0, 0) for p in beyond), f"{size}: black beyond the picture")
    # The pane goes away: the preview ends within a second.
    pane.stdin.write("destroy\n")
    pane.stdin.flush()
    pane.stdout.readline()
    check(wait_exit(preview, 1.0), f"{size}: destroying the pane ends the preview within 1 s")
    check(preview.returncode == 0, f"{size}: and it ends cleanly ({preview.returncode})")
    stop(preview)
    pane.stdin.close()
    pane.wait()

# A pane that is not a window: a clear message and a non-zero exit, at once.
pane, stale = open_pane("100x100")
pane.stdin.write("destroy\n")
pane.stdin.flush()
pane.stdout.readline()
for args in (["/p", "0"], ["/p"], ["/p", "garbage"], ["/p", str(stale)], ["/p", "99999999999"]):
    code, err = run(*args, timeout=5)
    check(code not in (0, None) and err.strip() != "", f"{args} exits at once with a message ({code}: {err.strip()})")
pane.stdin.close()
pane.wait()

finish()
