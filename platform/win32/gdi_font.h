// The Windows fonts: GDI faces, drawn into a DIB section whose ink is then blended into
// the portable surface.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/text/font.h"
#include "platform/win32/win32_backend.h"  // windows.h after our own headers

namespace tivaro::text {

// True when a face of that name is installed (its localised or its English name).
bool FaceInstalled(std::wstring_view face_name);

// The face to use when the asked one is missing: the first installed family of the
// character set (or, when the set has none, of any set) whose Latin letters are of
// different widths, a sans-serif one before others. Empty when there is none.
std::wstring ProportionalSansFace(std::int16_t charset);

// The GDI description of a font with the given face; with no face, only a proportional
// sans-serif family is asked for and the system picks. The em is PointsToPixels(size)
// high; small text is unsmoothed.
LOGFONTW LogFontFor(const FontDesc& desc, std::wstring_view face, std::int32_t dpi = 96);

}  // namespace tivaro::text
