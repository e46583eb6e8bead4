#include "settings/background_gradient.h"

#include <cmath>

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::settings {

void PaintBackgroundGradient(gfx::Surface& image, float clientWidth, float clientHeight,
                             std::int16_t& loopIndex) {
    float height = 0.0f;
    double divisor = 0.0;
    std::int16_t value = 0;  // kept from row to row: a row whose value fails reuses it
    rt::StepsIgnoringErrors(
        [&] { height = rt::StoreF32(clientHeight); },
        // 3.142, not pi: the last row lands a hair past the half-wave, the sine again ~0.
        [&] { divisor = static_cast<double>(height) / 3.142; },
        [&] {
            // A failing bound skips the loop; a step that overflows (past 32767) ends it.
            const std::int16_t last = rt::RoundToI16(height);
            for (loopIndex = 0; loopIndex <= last; loopIndex = rt::AddI16(loopIndex, 1)) {
                rt::StepsIgnoringErrors(
                    [&] {
                        const double wave = std::sin(rt::Divide(loopIndex, divisor));
                        value = rt::RoundToI16(std::abs(220.0 * wave));
                    },
                    [&] {
                        const std::int32_t right = rt::RoundToI32(clientWidth);
                        const auto v = static_cast<std::uint32_t>(value);
                        image.Line(0, loopIndex, right, loopIndex, gfx::RGB(v, v, v + 30));
                    });
            }
        });
}

}  // namespace tivaro::settings
