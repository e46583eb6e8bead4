"""The credits dialog on a desktop at 200 % (Xft.dpi: 192 loaded with xrdb): laid out as
at 96 DPI and drawn at twice the resolution. Compared with the dialog at 96 DPI on the
same server, doubled: the gradient rows exactly, the view's frame and the button's outline
at twice their places (within 1 pixel), the credit line's ink about twice as tall."""
import os
import subprocess
import tempfile

from harness import check, find_window, finish, geometry, screenshot, start, stop

CAPTION = "Tivaro\uff1f\u306e\u8a2d\u5b9a"
OUTLINE = (0x00, 0x3C, 0x74)
tmp = tempfile.mkdtemp()


def shot(dpi):
    subprocess.run(["xrdb", "-nocpp", "-merge"], input=f"Xft.dpi:\t{dpi}\n", text=True,
                   check=True)
    proc = start("/c")
    win = find_window(CAPTION, timeout=5)
    check(win is not None, f"the dialog opens at {dpi} DPI")
    if win is None:
        stop(proc)
        return None
    x, y, w, h = geometry(win)
    _, _, rows = screenshot(os.path.join(tmp, f"{dpi}.png"), win)
    stop(proc)
    return w, h, rows


def ink_height(rows, x0, y0, x1, y1):
    """Rows between the first and the last white pixel of the credit line's box."""
    lit = [y for y in range(y0, y1) if any(rows[y][x] == (255, 255, 255) for x in range(x0, x1))]
    return lit[-1] - lit[0] + 1 if lit else 0


base = shot(96)
big = shot(192)
if base and big:
    w1, h1, r1 = base
    w2, h2, r2 = big
    check((w1, h1) == (413, 359), f"at 96 DPI the client area is 413 x 359: {w1} x {h1}")
    check(abs(w2 - 826) <= 1 and abs(h2 - 718) <= 1,
          f"at 192 DPI it is 826 x 718 within a pixel: {w2} x {h2}")
    # Gradient: column 4 (left of every control), each 96-DPI row as two rows.
    bad = [y for y in range(min(h1, h2 // 2)) if r2[2 * y][4] != r1[y][4] or r2[2 * y + 1][4] != r1[y][4]]
    check(not bad, f"every gradient row is the 96-DPI row doubled (rows off: {bad[:5]})")
    # The view's sunken frame: its outer dark-grey edge at (16, 20) doubled.
    for px, py, what in ((32, 40 + 200, "left"), (32 + 200, 40, "top")):
        found = any(r2[py if what == "left" else py + d][px + d if what == "left" else px]
                    == (128, 128, 128) for d in (-1, 0, 1))
        check(found, f"the view's frame edge ({what}) lies at twice its 96-DPI place")
    # The button's outline on all four edges, within its 8-pixel frame at 192 DPI.
    bx, by, bw, bh = 640, 632, 146, 50
    for edge, points in (("top", [(bx + bw // 2, by + i) for i in range(8)]),
                         ("bottom", [(bx + bw // 2, by + bh - 1 - i) for i in range(8)]),
                         ("left", [(bx + i, by + bh // 2) for i in range(8)]),
                         ("right", [(bx + bw - 1 - i, by + bh // 2) for i in range(8)])):
        check(any(r2[y][x] == OUTLINE for x, y in points),
              f"the button's outline crosses its {edge} edge at 192 DPI")
    # The credit line, rasterised for 192 DPI: ink about twice as tall (within 20 %).
    small = ink_height(r1, 20, 312, 185, 326)
    large = ink_height(r2, 40, 624, 370, 652)
    check(small > 0 and abs(large - 2 * small) <= 0.2 * 2 * small,
          f"the credit line's ink is about twice as tall: {small} px, then {large} px")
    # The view: its back colour still fills most of it, at twice the area.
    view = sum(1 for y in range(44, 44 + 560, 4) for x in range(36, 36 + 740, 4)
               if r2[y][x] == (128, 128, 255))
    check(view > 0.5 * (560 // 4) * (740 // 4), "the sprite view fills the doubled frame")
finish()
