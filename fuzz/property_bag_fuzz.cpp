// The form-data reader and the write-back: malformed data raises FormDataError and
// nothing else; what was read is written back to a text that reads as the same bag and
// writes as the same text; writing every value again gives the same text, and writing a
// value whatever the default (another value of the bag, numeric-looking text included)
// never raises.
#include <string>

#include "check.h"
#include "toolkit/forms/property_bag.h"

using namespace tivaro;
using forms::PropertyBag;
using forms::PropertyValue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    PropertyBag bag;
    try {
        bag = PropertyBag::FromFormData(input);
    } catch (const forms::FormDataError&) {
        return 0;
    }
    const std::string text = bag.FormDataText();
    const PropertyBag back = PropertyBag::FromFormData(text);
    TIVARO_FUZZ_EXPECT(back.Entries() == bag.Entries(), input);
    TIVARO_FUZZ_EXPECT(back.FormDataText() == text, input);

    // A default no value read from form data can equal: a font of no storable size.
    text::FontDesc never;
    never.size = -1;
    PropertyBag written;
    const auto& entries = bag.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [key, value] = entries[i];
        written.WriteProperty(key, value, value);  // equal to its default: not stored
        TIVARO_FUZZ_EXPECT(!written.Contains(key), input);
        written.WriteProperty(key, value, PropertyValue(never));
    }
    TIVARO_FUZZ_EXPECT(written.FormDataText() == text, input);

    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        const PropertyValue& other = entries[i + 1].second;
        PropertyBag one;
        one.WriteProperty(entries[i].first, entries[i].second, other);
        TIVARO_FUZZ_EXPECT(one.Contains(entries[i].first) ==
                               !forms::ValuesEqual(entries[i].second, other),
                           input);
    }
    return 0;
}
