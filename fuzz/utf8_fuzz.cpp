// UTF-8 decoding: it always makes progress and yields only Unicode scalar values; valid
// text decodes and re-encodes to the very same bytes; whatever is decoded re-encodes to
// valid UTF-8.
#include <string>

#include "check.h"
#include "toolkit/text/utf8.h"

using namespace tivaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    const bool valid = text::IsValidUtf8(text);
    std::string again;
    bool replaced = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t before = pos;
        const char32_t c = text::NextCodePoint(text, pos);
        TIVARO_FUZZ_EXPECT(pos > before && pos <= text.size(), text);
        TIVARO_FUZZ_EXPECT(c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF), text);
        if (c == text::kReplacementCharacter && pos == before + 1) replaced = true;
        text::AppendUtf8(again, c);
    }
    TIVARO_FUZZ_EXPECT(text::IsValidUtf8(again), text);
    if (valid) {
        TIVARO_FUZZ_EXPECT(again == text, text);
        TIVARO_FUZZ_EXPECT(!replaced, text);
    } else {
        TIVARO_FUZZ_EXPECT(replaced, text);
    }
    return 0;
}
