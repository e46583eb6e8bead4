// The text module's entry (tivaro-text.so): FreeType + fontconfig. Built with hidden
// symbols, so that its OpenFont is its own, not the program's that loads it.
#include "platform/loader/modules.h"

using namespace tivaro;

extern "C" __attribute__((visibility("default"))) void tivaro_module_open_font(
    const text::FontDesc& desc, std::int32_t dpi, std::shared_ptr<const text::Font>& out) {
    out = text::OpenFont(desc, dpi);
}
