"""tivaro --still, run with no display and no compositor named: the PNG it writes is the still
that /p shows (the preview picture at its own size in a pane of that size, doubled at twice
the scale); bad sizes, scales, paths and argument counts end with one line and a non-zero
code, never a crash."""
import os
import subprocess
import sys
import tempfile

TIVARO = os.environ["TIVARO_BIN"]
PICTURE = os.environ["TIVARO_PREVIEW_PICTURE"]
ENV = {k: v for k, v in os.environ.items()
       if k not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET")}
failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def pixels(png):
    """(width, height, RGB bytes) of PNG bytes, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", "png:-"], input=png,
                          capture_output=True, check=True).stdout.split()
    raw = subprocess.run(["convert", "png:-", "-depth", "8", "rgb:-"], input=png,
                         capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), raw


def still(*args):
    return subprocess.run([TIVARO, "--still", *args], env=ENV, capture_output=True, timeout=20)


with open(PICTURE, "rb") as f:
    _, _, expected = pixels(f.read())

run = still("152x112", "-")
check(run.returncode == 0 and run.stdout.startswith(b"\x89PNG") and not run.stderr,
      f"152x112 to standard output with no display: a PNG ({run.returncode}, {run.stderr!r})")
if run.returncode == 0:
    check(pixels(run.stdout) == (152, 112, expected),
          "... holding the preview picture, pixel for pixel")

with tempfile.TemporaryDirectory() as tmp:
    path = os.path.join(tmp, "still.png")
    run = still("304x224@2", path)
    check(run.returncode == 0 and os.path.exists(path),
          f"304x224 at scale 2 into a file ({run.returncode}, {run.stderr!r})")
    if os.path.exists(path):
        with open(path, "rb") as f:
            w, h, raw = pixels(f.read())
        doubled = all(raw[((y * 2) * w + x * 2) * 3:((y * 2) * w + x * 2) * 3 + 3] ==
                      expected[(y * 152 + x) * 3:(y * 152 + x) * 3 + 3]
                      for y in range(112) for x in range(152))
        check((w, h) == (304, 224) and doubled, "... the picture at twice its size")

    bad = [[], ["152x112"], ["152x112", "-", "more"], ["0x112", "-"], ["152x-1", "-"],
           ["3000x112", "-"], ["152", "-"], ["axb", "-"], ["152x112@0", "-"],
           ["152x112@9", "-"], ["152x112@two", "-"], ["152x112", ""]]
    for args in bad:
        run = still(*args)
        lines = run.stderr.decode(errors="replace").strip().splitlines()
        check(run.returncode == 2 and len(lines) == 1 and lines[0].startswith("tivaro: --still:")
              and not run.stdout, f"--still {args}: exit 2, one line ({run.returncode}: {lines})")
    for target in (tmp, os.path.join(tmp, "no such folder", "still.png")):
        run = still("152x112", target)
        lines = run.stderr.decode(errors="replace").strip().splitlines()
        check(run.returncode == 1 and len(lines) == 1 and "cannot write" in lines[0],
              f"unwritable {target}: exit 1, one line ({run.returncode}: {lines})")

print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
