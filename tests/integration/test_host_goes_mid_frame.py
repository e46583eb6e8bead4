"""`--window-id ID` of a window that goes while the saver draws in it, in the middle of a
frame: host_goes_mid_frame.c destroys it inside the program's n-th XGetGeometry, which the GL
library sends in every frame to learn the size of what it draws on. The saver ends cleanly
and says nothing: the GL library never asked about a window that could go (asked about one
that went, it goes on with a size it never got and spoils its memory)."""
import os
import subprocess

from harness import check, finish, preloading, start, stop, wait_exit

PANE = os.environ["TIVARO_TEST_PANE"]
MID_FRAME = os.environ["TIVARO_HOST_GOES_MID_FRAME"]

# In the first frames and after some dozens.
for looks in (5, 12, 40):
    pane = subprocess.Popen([PANE, "320x240"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True)
    pane_id = int(pane.stdout.readline())
    saver = start("--window-id", str(pane_id),
                  env=preloading(MID_FRAME, TIVARO_TEST_HOST=str(pane_id),
                                 TIVARO_TEST_GEOMETRY_LOOKS=str(looks)))
    check(wait_exit(saver, 10.0), f"the host going at look {looks} ends the saver")
    stop(saver)
    said = saver.stderr.read().decode("utf-8", "replace").strip()
    check(saver.returncode == 0, f"cleanly, at look {looks} (code {saver.returncode}: {said})")
    check(said == "", f"saying nothing, at look {looks}: {said}")
    pane.kill()
    pane.wait()
finish()
