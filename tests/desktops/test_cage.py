"""The saver under cage, a kiosk compositor, with two outputs side by side in its extend mode:
cage sizes a fullscreen window to the whole layout, so each of the saver's windows spans both
outputs; still each output shows a fountain of its own, centred on it, as on X11 where one
window spans the monitors."""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wayland"))
from sway_harness import (bright_centroid, centred, check, finish, grab_fountain,  # noqa: E402
                          shows_fountain, start, stderr_of, terminate, wait_for)

OUTPUTS = ("HEADLESS-1", "HEADLESS-2")

runtime = tempfile.mkdtemp(prefix="tivaro-cage.")
shutil.chown(runtime, "nobody", "nogroup")
os.chmod(runtime, 0o700)
# cage refuses root: it runs as nobody, holding a placeholder client, and the saver joins it as
# a second client from here (root may use nobody's socket).
cage = subprocess.Popen(
    ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
     "cage", "-m", "extend", "--", "sleep", "600"],
    env={"PATH": os.environ["PATH"], "HOME": runtime, "XDG_RUNTIME_DIR": runtime,
         "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1",
         "WLR_HEADLESS_OUTPUTS": "2", "LIBGL_ALWAYS_SOFTWARE": "1"},
    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
saver = None
try:
    socket = os.path.join(runtime, "wayland-0")
    check(wait_for(lambda: os.path.exists(socket), 20), "cage comes up")
    os.environ.update(XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY="wayland-0")
    os.environ.pop("DISPLAY", None)
    saver = start("/s")
    for name in OUTPUTS:
        picture = grab_fountain(name)
        fountain, stats = shows_fountain(picture)
        centroid = bright_centroid(picture)
        check(fountain and centred(centroid),
              f"{name} shows a fountain centred on it: {stats}, light at {centroid}")
    running = saver.poll() is None
    check(running, "the saver still runs" + ("" if running else f": {stderr_of(saver)!r}"))
finally:
    if saver is not None:
        terminate(saver)
    terminate(cage)
    shutil.rmtree(runtime, ignore_errors=True)
finish()
