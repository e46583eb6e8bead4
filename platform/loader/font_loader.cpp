// The program's fonts come from the text module (tivaro-text.so: FreeType + fontconfig),
// loaded when the first font is opened: the saver draws no text and maps neither library.
#include <cstdio>
#include <cstdlib>

#include "platform/loader/modules.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/text/font.h"

namespace tivaro::text {

std::shared_ptr<const Font> OpenFont(const FontDesc& desc, std::int32_t dpi) {
    static platform::loader::OpenFontFunction open = nullptr;
    if (open == nullptr) {
        try {
            open = reinterpret_cast<platform::loader::OpenFontFunction>(platform::loader::Entry(
                platform::loader::Module::Text, platform::loader::kOpenFontSymbol));
        } catch (const rt::SetupError& e) {
            // Reported as the program reports a missing backend module, wherever the first
            // font is opened.
            std::fprintf(stderr, "tivaro: %s\n", e.what());
            std::exit(1);
        }
    }
    std::shared_ptr<const Font> font;
    open(desc, dpi, font);
    return font;
}

}  // namespace tivaro::text
