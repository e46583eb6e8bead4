// The start-up module: the program-wide variables and the small routines other parts use.
#pragma once

#include <cstdint>

#include "platform/backend.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::Velkor_B {

// Number of fragments the particle engine animates: 300 in every mode but preview.
inline std::int16_t FragmentCount = 0;
// Timer ticks since the last burst of the particle engine.
inline std::int16_t ZoomTicks = 0;
// The saver's drawing surface (its window) and its GL rendering context.
inline platform::NativeWindow glDeviceContext = 0;
inline platform::GlContext glRenderContext = 0;

// 4 * atan(1) rounded to a 32-bit float (3.1415927).
float Pi();
// ln(x) / ln(2) in double precision; x <= 0 raises the invalid-argument error.
double Log2(float x);
// Sets the system's screen-saver-running flag to the complement of `enabled`.
void SetSystemKeysEnabled(rt::Bool16 enabled);

}  // namespace tivaro::Velkor_B
