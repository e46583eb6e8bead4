"""tivaro-idle under GNOME's idle monitor and shell that hang (a stand-in on a private session
bus, under Xvfb, that gives the idle watch and then answers nothing): tivaro-idle waits for
neither. The saver comes on the idle report, Inhibit is answered meanwhile, the unanswered
user-active watch is given up in one line and the idle report after the next tells the return
that went unseen; SIGTERM ends tivaro-idle at once."""
import os
import tempfile

from idle_harness import BUS_PEER, Idle, Peer, PrivateBus, check, finish, key_ends_saver, read_line
from harness import xdotool

runtime = tempfile.mkdtemp(prefix="tivaro-idle-runtime.")
os.chmod(runtime, 0o700)
os.environ["XDG_RUNTIME_DIR"] = runtime
os.environ.pop("WAYLAND_DISPLAY", None)


def press():
    xdotool("key", "a")


bus = PrivateBus()
monitor = Peer(BUS_PEER, "hung-monitor", env=bus.env())
check(monitor.first == "owned", f"the test stands in for GNOME's idle monitor: {monitor.first}")
idle = Idle("--after", "2", env=bus.env())
check(idle.wait_line("watching idle through GNOME's idle monitor"),
      f"tivaro-idle takes idle from the monitor: {idle.stderr()!r}")
watch = read_line(monitor.proc.stdout, 10)
check(watch == "watch 1 2000", f"it asks for an idle watch of 2 s: {watch}")
check(monitor.say("fire") == "fired", "the idle watch fires; the monitor answers nothing more")
check(idle.wait_saver(), "the saver comes though the shell answers neither the user-active "
      "watch nor the overview's closing")
holder = Peer(BUS_PEER, "inhibit", env=bus.env())
check(holder.first is not None and holder.first.startswith("cookie "),
      f"Inhibit is answered while the shell hangs: {holder.first}")
holder.leave()
check(idle.wait_line("GNOME's idle monitor did not answer in time", 15),
      f"the unanswered user-active watch is given up, in one line: {idle.stderr()!r}")
check(key_ends_saver(idle, press), "a key ends the saver")
check(monitor.say("fire") == "fired" and idle.wait_saver(),
      "the next idle report brings a saver again")
code = idle.end(timeout=5)
check(code == 0, f"SIGTERM ends it at once, though the monitor does not answer (status {code})")
monitor.leave()
bus.close()
finish()
