"""How the saver ends when its Wayland compositor stops answering during start-up: a
measurement, not a test. Run it inside tests/wayland/run_under_sway.sh.

Each run puts a relay between `tivaro /s` and the real compositor that passes everything
(file descriptors too) but stops passing the compositor's words after its first `cut` bytes,
`cut` drawn from [low, high]; the program then waits on a compositor that says nothing. A
second later it gets SIGTERM, and the run records whether it ended, with which status, how
long after the signal, and whether it left a lock file behind.

Usage: python3 bench/frozen_compositor.py path/to/tivaro [runs=20] [low=2250] [high=5900]
                                         [seed=1]
"""
import array
import os
import random
import select
import signal
import socket
import subprocess
import sys
import threading
import time

import key_senders

MAX_FDS = 28


def pump(source, sink, limit, stop):
    """Passes bytes and descriptors from source to sink; after `limit` bytes (None: none)
    it keeps reading but passes nothing more."""
    passed = 0
    while not stop.is_set():
        ready, _, _ = select.select([source], [], [], 0.1)
        if not ready:
            continue
        try:
            data, ancdata, _, _ = source.recvmsg(65536, socket.CMSG_LEN(MAX_FDS * 4))
        except OSError:
            return
        if not data:
            return
        fds = array.array("i")
        for level, kind, payload in ancdata:
            if level == socket.SOL_SOCKET and kind == socket.SCM_RIGHTS:
                fds.frombytes(payload[:len(payload) - len(payload) % fds.itemsize])
        if limit is not None and passed >= limit:
            for fd in fds:
                os.close(fd)
            continue
        if limit is not None:
            data = data[:limit - passed]
        anc = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, fds)] if len(fds) else []
        try:
            sink.sendmsg([data], anc)
        except OSError:
            return
        finally:
            for fd in fds:
                os.close(fd)
        passed += len(data)


def one_run(tivaro, cut, runtime, compositor):
    path = os.path.join(runtime, "frozen-relay")
    if os.path.exists(path):
        os.unlink(path)
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(1)
    saver = subprocess.Popen([tivaro, "/s"], env=dict(os.environ, WAYLAND_DISPLAY=path),
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    listener.settimeout(5)
    client, _ = listener.accept()
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.connect(compositor)
    stop = threading.Event()
    threads = [threading.Thread(target=pump, args=(client, server, None, stop)),
               threading.Thread(target=pump, args=(server, client, cut, stop))]
    for t in threads:
        t.start()
    time.sleep(1.0)
    sent = time.monotonic()
    saver.send_signal(signal.SIGTERM)
    gone = key_senders.ended_at(saver, 5)
    took = None if gone is None else gone - sent
    key_senders.stop(saver)
    stop.set()
    for t in threads:
        t.join()
    for s in (client, server, listener):
        s.close()
    return saver.returncode, took, saver.stderr.read().decode(errors="replace").strip()


def main():
    tivaro = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    low = int(sys.argv[3]) if len(sys.argv) > 3 else 2250
    high = int(sys.argv[4]) if len(sys.argv) > 4 else 5900
    rng = random.Random(int(sys.argv[5]) if len(sys.argv) > 5 else 1)
    runtime = os.environ["XDG_RUNTIME_DIR"]
    compositor = os.path.join(runtime, os.environ["WAYLAND_DISPLAY"])
    ended, times, statuses, lines, litter = 0, [], {}, set(), 0
    for _ in range(runs):
        code, took, err = one_run(tivaro, rng.randint(low, high), runtime, compositor)
        for name in os.listdir(runtime):
            if name.startswith("Tivaro") and name.endswith(".lock"):
                litter += 1
                os.unlink(os.path.join(runtime, name))
        statuses[code] = statuses.get(code, 0) + 1
        if took is not None:
            ended += 1
            times.append(took)
        if err:
            lines.add(err.splitlines()[-1])
    times.sort()
    print(f"{runs} runs, compositor silent after {low}-{high} bytes, SIGTERM 1 s after start")
    print(f"ended within 5 s: {ended}; exit statuses: {statuses}; lock files left: {litter}")
    if times:
        print(f"signal to end: median {times[len(times) // 2] * 1000:.0f} ms, "
              f"max {times[-1] * 1000:.0f} ms")
    for line in sorted(lines):
        print(f"said: {line}")


if __name__ == "__main__":
    main()
