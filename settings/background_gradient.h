// The credits dialog's background: a blue-tinged band of horizontal lines, dark at the
// top and bottom and brightest at half the height, drawn into the dialog's persistent
// image whenever its client area changes size.
#pragma once

#include <cstdint>

#include "toolkit/surface/surface.h"

namespace tivaro::settings {

// Paints rows 0 to the client height (inclusive: the last row lies just outside the client
// area) with RGB(v, v, v + 30), v = |220 sin(i / (H / 3.142))| rounded. Errors are ignored
// statement by statement. Counts with `loopIndex`, the dialog's shared loop index.
void PaintBackgroundGradient(gfx::Surface& image, float clientWidth, float clientHeight,
                             std::int16_t& loopIndex);

}  // namespace tivaro::settings
