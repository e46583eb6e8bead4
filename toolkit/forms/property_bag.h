// The property bag a container hands its user controls when it saves or loads its form
// data: typed values under case-insensitive keys, a value equal to its writing default is
// not stored, and an absent key reads as the reading default. The form data itself is a
// small text format of ours, one property per line:
//
//     # comment
//     enabled = false            boolean: true or false
//     caption = "Exit"           text: UTF-8 in double quotes, escapes \" \\ \n \r \t \uXXXX
//     firstrun = u8 0            8-bit unsigned
//     visible = i16 7            16-bit signed
//     fontcolour = i32 255       32-bit signed
//     font = font {              font object; every field but name may be left out
//         name = "ＭＳ Ｐゴシック"
//         size = 9.75
//         weight = 400
//         italic = false
//         underline = false
//         strikethrough = false
//         charset = 128
//     }
//
// Keys are written in lower case, in the order the control wrote them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"
#include "toolkit/text/font.h"

namespace tivaro::forms {

// One stored value. An int literal makes a 32-bit value, a string literal a text.
using PropertyValue =
    std::variant<bool, std::string, std::uint8_t, std::int16_t, std::int32_t, text::FontDesc>;

// The runtime's conversions of a stored value. A text converts when it reads wholly as a
// number (or, for a boolean, as "True"/"False"); a font object converts to text as its
// face name and to nothing else. A value that cannot convert raises InvalidProcedureCall
// (type mismatch); a number out of the target's range raises Overflow.
rt::Bool16 ToBoolean(const PropertyValue& value);
std::string ToText(const PropertyValue& value);
std::uint8_t ToByte(const PropertyValue& value);
std::int16_t ToInteger(const PropertyValue& value);
std::int32_t ToLong(const PropertyValue& value);
text::FontDesc ToFont(const PropertyValue& value);

// Equality as the bag decides "equals the default": numbers and booleans (true is -1)
// compare by value, a text that reads as a number equals that number, texts compare
// exactly, fonts compare field by field. A text shaped like a number but too large for one
// ("1e999") equals no number; comparing never raises.
bool ValuesEqual(const PropertyValue& a, const PropertyValue& b);

// Malformed form data: says which line and why.
class FormDataError : public rt::RuntimeError {
public:
    FormDataError(int line, const std::string& reason);
    int line() const noexcept { return line_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    int line_;
    std::string reason_;
};

class PropertyBag {
public:
    using Entry = std::pair<std::string, PropertyValue>;  // key in lower case

    // The stored value, or `default_value` when the key is absent.
    PropertyValue ReadProperty(std::string_view name, const PropertyValue& default_value) const;
    // Stores `value`, or removes the key when the value equals `default_value` (as
    // ValuesEqual decides, so "1e999" against a number default is stored as text). A key
    // that is not a name (letters, digits, underscores), and a value the form data could
    // not read back (text that is not UTF-8, a font field out of range), raise
    // InvalidProcedureCall; nothing else raises.
    void WriteProperty(std::string_view name, const PropertyValue& value,
                       const PropertyValue& default_value);

    bool Contains(std::string_view name) const;
    const std::vector<Entry>& Entries() const { return entries_; }

    // The form data text of the bag, and the bag of a form data text. Parsing raises
    // FormDataError for malformed data.
    std::string FormDataText() const;
    static PropertyBag FromFormData(std::string_view form_data);

private:
    std::vector<Entry> entries_;
};

// A user control reports a changed property to its container, which then knows that its
// form data must be written again.
using PropertyChangedHandler = std::function<void(std::string_view name)>;

}  // namespace tivaro::forms
