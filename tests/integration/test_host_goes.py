"""`-window-id ID` of a window that goes after the saver has found it there, before its
window is put in it (host_goes.c destroys it in that moment): the saver ends with one line
and code 1, rather than run on outside the window, watched by nothing."""
import os
import subprocess

from harness import check, finish, preloading, start, stop, wait_exit

PANE = os.environ["TIVARO_TEST_PANE"]
HOST_GOES = os.environ["TIVARO_HOST_GOES"]

pane = subprocess.Popen([PANE, "320x240"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                        text=True)
pane_id = int(pane.stdout.readline())
# The saver looks three times before the cover puts its window in the host: as it starts, as
# its load begins to cover, and as the cover measures the host; the host goes in the third.
saver = start("-window-id", hex(pane_id),
              env=preloading(HOST_GOES, TIVARO_TEST_HOST=str(pane_id), TIVARO_TEST_HOST_LOOKS="3"))
check(wait_exit(saver, 10.0), "the saver ends")
stop(saver)
said = saver.stderr.read().decode("utf-8", "replace").splitlines()
check(saver.returncode == 1, f"with code 1: {saver.returncode}")
check(said == [f"tivaro: window {pane_id} is not a window; nothing to draw the saver in"],
      f"saying why in one line: {said}")
pane.kill()
pane.wait()
finish()
