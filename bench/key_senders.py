"""What bench/keys_at_start.py and bench/key_to_exit.py share: a key sent the way the tests
send one (wtype on Wayland, xdotool's XTest key on X11), a keyboard kept on sway's seat, and a
machine made busy."""
import contextlib
import os
import select
import subprocess
import time


def send_key(system):
    """Starts the sender of one key (the letter a) and returns it at once. The moment it was
    started stands for the moment of the key: the sender's own start-up, a few ms on a quiet
    machine, comes on top."""
    command = ["wtype", "a"] if system == "wayland" else ["xdotool", "key", "a"]
    return subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


@contextlib.contextmanager
def seat_keyboard(system):
    """On Wayland, keeps a keyboard on sway's seat (an idle wtype), as a real seat has one all
    along: else the seat gains its keyboard only with the key's own wtype, and the saver binds
    wl_keyboard too late to see the press."""
    if system != "wayland":
        yield
        return
    holder = subprocess.Popen(["wtype", "-s", "3600000"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        for _ in range(50):
            inputs = subprocess.run(["swaymsg", "-r", "-t", "get_inputs"], capture_output=True,
                                    text=True).stdout
            if '"type": "keyboard"' in inputs:
                break
            time.sleep(0.1)
        yield
    finally:
        holder.kill()
        holder.wait()


@contextlib.contextmanager
def busy_cores(count):
    """`count` busy loops (shell `while :; do :; done`), ended on leaving."""
    loops = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(count)]
    try:
        yield
    finally:
        for loop in loops:
            loop.kill()
            loop.wait()


def load_label(count):
    return f"{count} busy loop(s)" if count else "no added load"


def machine_load():
    """The 1-minute load average before our own loops, to say how quiet the machine was."""
    return os.getloadavg()[0]


def ended_at(proc, timeout):
    """Waits up to `timeout` s for `proc` to end and returns the monotonic time it ended at, or
    None. Popen.wait(timeout=...) polls with sleeps that grow to 50 ms, which would round every
    time measured with it up to that grain; a pidfd wakes the moment the process is gone."""
    fd = os.pidfd_open(proc.pid)
    try:
        waiter = select.poll()
        waiter.register(fd, select.POLLIN)
        ended = waiter.poll(timeout * 1000)
        gone = time.monotonic()
    finally:
        os.close(fd)
    if not ended:
        return None
    proc.wait()
    return gone


def stop(proc, grace=2.0):
    """Ends `proc` (SIGTERM, then SIGKILL) if it still runs."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
