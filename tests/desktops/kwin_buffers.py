"""What a Wayland client hands the compositor, read from the client's side: the frames in
the shared-memory buffers (wl_shm) it draws into, for a compositor that gives no pictures
of its own. Mesa, drawing in software, keeps each buffer of a window mapped in the client
for as long as the buffer lives (a shared mapping of a memory file that the compositor maps
too); these are read through /proc (the test runs as root, or as the client's parent)."""
import os
import re
import signal

from sway_harness import Picture, bright_centroid, centred, shows_fountain

MAPPING = re.compile(r"^([0-9a-f]+)-([0-9a-f]+) rw.s ")  # shared, writable


def shared_frames(pid, width, height):
    """The XRGB8888 buffers of width x height that process `pid` shares, as Pictures (RGB).
    The process is stopped while they are read, so that none changes half way; a buffer
    the compositor holds is one the client does not draw into."""
    size = width * 4 * height
    frames = []
    os.kill(pid, signal.SIGSTOP)
    try:
        with open(f"/proc/{pid}/maps") as maps, open(f"/proc/{pid}/mem", "rb", 0) as mem:
            for line in maps:
                m = MAPPING.match(line)
                if not m or int(m.group(2), 16) - int(m.group(1), 16) != size:
                    continue
                mem.seek(int(m.group(1), 16))
                raw = mem.read(size)
                rgb = bytearray(width * height * 3)  # B G R X in memory, as wl_shm's XRGB8888
                rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]
                frames.append(Picture(width, height, bytes(rgb)))
    except OSError:
        pass  # the process has gone: what was read so far
    finally:
        try:
            os.kill(pid, signal.SIGCONT)
        except ProcessLookupError:
            pass
    return frames


def fountain_frames(pid, size, outputs):
    """(ok, details): whether the buffers of `size` device pixels that the saver `pid` shares
    with the compositor, at least one for each of `outputs` surfaces, all show a fountain
    centred in them."""
    frames = shared_frames(pid, *size)
    found = [(shows_fountain(f)[0], bright_centroid(f)) for f in frames]
    ok = len(found) >= outputs and all(shown and centred(c) for shown, c in found)
    return ok, [(shown, c and tuple(round(v, 2) for v in c)) for shown, c in found]
