// The Linux fonts: faces found through fontconfig, rendered with FreeType.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text/font.h"

namespace tivaro::text {

// The families fontconfig is asked for, first choice first. Face names of the Windows
// system that Debian does not know are mapped to the closest installed families
// ("ＭＳ Ｐゴシック" to IPAPGothic, then any proportional sans-serif face).
std::vector<std::string> FamiliesFor(std::string_view face_name);

// The font file fontconfig chooses for a description.
struct ResolvedFace {
    std::string file;
    int index = 0;
    std::string family;
    bool embolden = false;  // the file has no bold: FreeType thickens the outlines
    bool oblique = false;   // the file has no italic: FreeType slants the outlines
};

// Asks fontconfig; raises InvalidProcedureCall when no scalable face is installed at all.
ResolvedFace ResolveFace(const FontDesc& desc);

}  // namespace tivaro::text
