#include "toolkit/forms/property_bag.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "toolkit/text/utf8.h"

namespace tivaro::forms {
namespace {

[[noreturn]] void TypeMismatch(const char* wanted) {
    throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                           std::string("type mismatch: the value is not ") + wanted);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// What a font object in the form data may hold; the writer refuses what the reader would.
constexpr double kLargestFontSize = 2048;  // points
constexpr std::int16_t kHeaviestWeight = 1000;
constexpr std::int16_t kLastCharset = 255;

bool StorableFontSize(double size) {
    return std::isfinite(size) && size > 0 && size <= kLargestFontSize;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c);
}

bool IsName(std::string_view s) {
    if (s.empty() || !IsNameStart(s.front())) return false;
    for (char c : s) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

// A text that reads wholly as a number: decimal with optional fraction and exponent
// (E or D), or &H / &O radix numbers; blanks around it are allowed.
std::optional<double> NumericText(std::string_view text) {
    const std::string_view s = Trim(text);
    std::size_t i = 0;
    auto digits = [&](auto accept) {
        const std::size_t start = i;
        while (i < s.size() && accept(s[i])) ++i;
        return i - start;
    };
    if (s.size() >= 2 && s[0] == '&') {
        const char radix = LowerAscii(s[1]);
        i = 2;
        std::size_t n = 0;
        if (radix == 'h') {
            n = digits([](char c) {
                return IsDigit(c) || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f');
            });
        } else if (radix == 'o') {
            n = digits([](char c) { return c >= '0' && c <= '7'; });
        }
        if (n == 0 || i != s.size()) return std::nullopt;
        return rt::ReadNumber(s);
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissa = digits(IsDigit);
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits(IsDigit);
    }
    if (mantissa == 0) return std::nullopt;
    if (i < s.size() && (LowerAscii(s[i]) == 'e' || LowerAscii(s[i]) == 'd')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits(IsDigit) == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    return rt::ReadNumber(s);
}

std::optional<bool> BooleanText(std::string_view text) {
    const std::string lower = Lower(Trim(text));
    if (lower == "true") return true;
    if (lower == "false") return false;
    return std::nullopt;
}

// The number a text stands for when the bag compares values. A text shaped like a number
// but beyond every number ("1e999") stands for none: it then equals no number, where
// converting it (ToLong, ...) raises Overflow.
std::optional<double> ComparableNumber(std::string_view text) {
    try {
        return NumericText(text);
    } catch (const rt::RuntimeError& e) {
        if (e.number() == rt::ErrorNumber::Overflow) return std::nullopt;
        throw;
    }
}

// The numeric value of a number or boolean; nothing for texts and fonts.
std::optional<double> NumberOf(const PropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::optional<double> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? -1.0 : 0.0;
            } else if constexpr (std::is_integral_v<T>) {
                return static_cast<double>(v);
            } else {
                return std::nullopt;
            }
        },
        value);
}

// What a value converts to as a number, or a type mismatch.
double NumberFor(const PropertyValue& value, const char* wanted) {
    if (auto n = NumberOf(value)) return *n;
    if (const auto* s = std::get_if<std::string>(&value)) {
        if (auto n = NumericText(*s)) return *n;
    }
    TypeMismatch(wanted);
}

}  // namespace

rt::Bool16 ToBoolean(const PropertyValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        if (auto b = BooleanText(*s)) return rt::ToBool16(*b);
    }
    return rt::ToBool16(NumberFor(value, "a boolean") != 0.0);
}

std::string ToText(const PropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? "True" : "False";
            } else if constexpr (std::is_integral_v<T>) {
                return std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return v;
            } else {
                return v.name;  // the font object's default property
            }
        },
        value);
}

std::uint8_t ToByte(const PropertyValue& value) {
    return rt::RoundToU8(NumberFor(value, "a number"));
}
std::int16_t ToInteger(const PropertyValue& value) {
    return rt::RoundToI16(NumberFor(value, "a number"));
}
std::int32_t ToLong(const PropertyValue& value) {
    return rt::RoundToI32(NumberFor(value, "a number"));
}

text::FontDesc ToFont(const PropertyValue& value) {
    if (const auto* f = std::get_if<text::FontDesc>(&value)) return *f;
    TypeMismatch("a font object");
}

bool ValuesEqual(const PropertyValue& a, const PropertyValue& b) {
    const auto* fa = std::get_if<text::FontDesc>(&a);
    const auto* fb = std::get_if<text::FontDesc>(&b);
    if (fa != nullptr || fb != nullptr) return fa != nullptr && fb != nullptr && *fa == *fb;
    const auto* sa = std::get_if<std::string>(&a);
    const auto* sb = std::get_if<std::string>(&b);
    if (sa != nullptr && sb != nullptr) return *sa == *sb;
    // At most one text: it must read as the other side's number or boolean.
    const std::optional<double> na = sa != nullptr ? ComparableNumber(*sa) : NumberOf(a);
    const std::optional<double> nb = sb != nullptr ? ComparableNumber(*sb) : NumberOf(b);
    if (na && nb) return *na == *nb;
    const std::string* text = sa != nullptr ? sa : sb;
    const PropertyValue& other = sa != nullptr ? b : a;
    if (text != nullptr && std::holds_alternative<bool>(other)) {
        const auto b_text = BooleanText(*text);
        return b_text.has_value() && *b_text == std::get<bool>(other);
    }
    return false;
}

FormDataError::FormDataError(int line, const std::string& reason)
    : rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                       "form data line " + std::to_string(line) + ": " + reason),
      line_(line),
      reason_(reason) {}

PropertyValue PropertyBag::ReadProperty(std::string_view name,
                                        const PropertyValue& default_value) const {
    const std::string key = Lower(name);
    for (const Entry& e : entries_) {
        if (e.first == key) return e.second;
    }
    return default_value;
}

bool PropertyBag::Contains(std::string_view name) const {
    const std::string key = Lower(name);
    for (const Entry& e : entries_) {
        if (e.first == key) return true;
    }
    return false;
}

namespace {

// Refuses a value that the form data could hold only in a form it would not read back.
void CheckStorable(std::string_view key, const PropertyValue& value) {
    auto refuse = [&](const std::string& why) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "cannot store \"" + std::string(key) + "\": " + why);
    };
    if (const auto* s = std::get_if<std::string>(&value)) {
        if (!text::IsValidUtf8(*s)) refuse("the text is not valid UTF-8");
    } else if (const auto* f = std::get_if<text::FontDesc>(&value)) {
        if (!text::IsValidUtf8(f->name)) refuse("the font name is not valid UTF-8");
        if (!StorableFontSize(f->size)) refuse("the font size is not a size in points");
        if (f->weight < 0 || f->weight > kHeaviestWeight) refuse("the font weight is out of range");
        if (f->charset < 0 || f->charset > kLastCharset) {
            refuse("the character set is out of range");
        }
    }
}

}  // namespace

void PropertyBag::WriteProperty(std::string_view name, const PropertyValue& value,
                                const PropertyValue& default_value) {
    if (!IsName(name)) {
        throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall,
                               "not a property name: \"" + std::string(name) + "\"");
    }
    const std::string key = Lower(name);
    auto it = entries_.begin();
    while (it != entries_.end() && it->first != key) ++it;
    if (ValuesEqual(value, default_value)) {
        if (it != entries_.end()) entries_.erase(it);
        return;
    }
    CheckStorable(name, value);
    if (it != entries_.end()) {
        it->second = value;
    } else {
        entries_.emplace_back(key, value);
    }
}

// ---- Writing the form data text ----

namespace {

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    static const char kHex[] = "0123456789ABCDEF";
                    const auto u = static_cast<unsigned char>(c);
                    out += "\\u00";
                    out += kHex[u >> 4];
                    out += kHex[u & 15];
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string NumberText(double v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

std::string ValueText(const PropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? "true" : "false";
            } else if constexpr (std::is_same_v<T, std::uint8_t>) {
                return "u8 " + std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::int16_t>) {
                return "i16 " + std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                return "i32 " + std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return Quoted(v);
            } else {
                std::string out = "font {\n";
                out += "    name = " + Quoted(v.name) + "\n";
                out += "    size = " + NumberText(v.size) + "\n";
                out += "    weight = " + std::to_string(v.weight) + "\n";
                out += std::string("    italic = ") + (v.italic ? "true" : "false") + "\n";
                out += std::string("    underline = ") + (v.underline ? "true" : "false") + "\n";
                out += std::string("    strikethrough = ") + (v.strikethrough ? "true" : "false") +
                       "\n";
                out += "    charset = " + std::to_string(v.charset) + "\n";
                return out + "}";
            }
        },
        value);
}

}  // namespace

std::string PropertyBag::FormDataText() const {
    std::string out;
    for (const Entry& e : entries_) out += e.first + " = " + ValueText(e.second) + "\n";
    return out;
}

// ---- Reading the form data text ----

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::vector<PropertyBag::Entry> Read();

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw FormDataError(line_, reason); }
    bool NextLine();  // the next line that is not blank or a comment; false at the end
    std::string Key(std::string_view& rest) const;
    PropertyValue Value(std::string_view rest, const std::string& key);
    text::FontDesc FontBlock();
    std::string String(std::string_view& rest) const;
    std::int64_t Integer(std::string_view text, std::int64_t lo, std::int64_t hi,
                         const char* type) const;
    bool Boolean(std::string_view text) const;

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 0;
    std::string_view current_;
};

bool Reader::NextLine() {
    while (pos_ < text_.size()) {
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++line_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        current_ = line;
        return true;
    }
    return false;
}

std::string Reader::Key(std::string_view& rest) const {
    std::size_t n = 0;
    while (n < rest.size() && IsNameChar(rest[n])) ++n;
    const std::string_view key = rest.substr(0, n);
    if (!IsName(key)) Fail("expected a property name at \"" + std::string(rest) + "\"");
    rest = Trim(rest.substr(n));
    if (rest.empty() || rest.front() != '=') {
        Fail("expected '=' after \"" + std::string(key) + "\"");
    }
    rest = Trim(rest.substr(1));
    if (rest.empty()) Fail("no value for \"" + std::string(key) + "\"");
    return Lower(key);
}

std::string Reader::String(std::string_view& rest) const {
    // rest starts with the opening quote.
    std::string out;
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= rest.size()) Fail("text not closed with '\"'");
        const char c = rest[i];
        if (c == '"') break;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= rest.size()) Fail("text not closed with '\"'");
        switch (rest[i]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t code = 0;
                const auto hex = rest.substr(i + 1, 4);
                const auto r = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
                if (hex.size() != 4 || r.ptr != hex.data() + 4) {
                    Fail("\\u needs four hexadecimal digits");
                }
                if (code >= 0xD800 && code <= 0xDFFF) Fail("\\u names a surrogate");
                text::AppendUtf8(out, static_cast<char32_t>(code));
                i += 4;
                break;
            }
            default:
                Fail(std::string("unknown escape \\") + rest[i]);
        }
    }
    if (!text::IsValidUtf8(out)) Fail("text is not valid UTF-8");
    rest = Trim(rest.substr(i + 1));
    return out;
}

std::int64_t Reader::Integer(std::string_view text, std::int64_t lo, std::int64_t hi,
                             const char* type) const {
    text = Trim(text);
    std::int64_t value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || r.ec == std::errc::invalid_argument || r.ptr != text.data() + text.size()) {
        Fail("expected a whole number for " + std::string(type) + ", found \"" + std::string(text) +
             "\"");
    }
    if (r.ec == std::errc::result_out_of_range || value < lo || value > hi) {
        Fail("value " + std::string(text) + " does not fit " + type);
    }
    return value;
}

bool Reader::Boolean(std::string_view text) const {
    if (text == "true") return true;
    if (text == "false") return false;
    Fail("expected true or false, found \"" + std::string(text) + "\"");
}

text::FontDesc Reader::FontBlock() {
    const int opened = line_;
    text::FontDesc font;
    std::vector<std::string> seen;
    for (;;) {
        if (!NextLine()) {
            line_ = opened;
            Fail("font block opened here is not closed with '}'");
        }
        std::string_view rest = current_;
        if (rest == "}") break;
        const std::string field = Key(rest);
        for (const std::string& s : seen) {
            if (s == field) Fail("font field \"" + field + "\" given twice");
        }
        seen.push_back(field);
        if (field == "name") {
            if (rest.front() != '"') Fail("the font name must be a quoted text");
            font.name = String(rest);
            if (!rest.empty()) Fail("unexpected \"" + std::string(rest) + "\" after the name");
        } else if (field == "size") {
            double size = 0;
            const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), size);
            if (r.ec != std::errc() || r.ptr != rest.data() + rest.size() ||
                !StorableFontSize(size)) {
                Fail("font size \"" + std::string(rest) + "\" is not a size in points");
            }
            font.size = size;
        } else if (field == "weight") {
            font.weight =
                static_cast<std::int16_t>(Integer(rest, 0, kHeaviestWeight, "a font weight"));
        } else if (field == "charset") {
            font.charset =
                static_cast<std::int16_t>(Integer(rest, 0, kLastCharset, "a character set"));
        } else if (field == "italic") {
            font.italic = Boolean(rest);
        } else if (field == "underline") {
            font.underline = Boolean(rest);
        } else if (field == "strikethrough") {
            font.strikethrough = Boolean(rest);
        } else {
            Fail("unknown font field \"" + field + "\"");
        }
    }
    bool named = false;
    for (const std::string& s : seen) named = named || s == "name";
    if (!named) {
        line_ = opened;
        Fail("font block without a name");
    }
    return font;
}

PropertyValue Reader::Value(std::string_view rest, const std::string& key) {
    if (rest.front() == '"') {
        std::string s = String(rest);
        if (!rest.empty()) Fail("unexpected \"" + std::string(rest) + "\" after the text");
        return s;
    }
    if (rest == "true" || rest == "false") return rest == "true";
    const std::size_t space = rest.find_first_of(" \t{");
    const std::string_view type = rest.substr(0, space);
    const std::string_view operand =
        space == std::string_view::npos ? std::string_view() : Trim(rest.substr(space));
    if (type == "u8") return static_cast<std::uint8_t>(Integer(operand, 0, 255, "u8"));
    if (type == "i16") {
        return static_cast<std::int16_t>(Integer(operand, -32768, 32767, "i16"));
    }
    if (type == "i32") {
        return static_cast<std::int32_t>(Integer(operand, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max(), "i32"));
    }
    if (type == "font") {
        if (operand != "{") Fail("expected '{' after font");
        return FontBlock();
    }
    Fail("cannot read the value of \"" + key + "\": \"" + std::string(rest) +
         "\" (expected true, false, a quoted text, u8, i16, i32 or font)");
}

std::vector<PropertyBag::Entry> Reader::Read() {
    std::vector<PropertyBag::Entry> entries;
    while (NextLine()) {
        std::string_view rest = current_;
        if (rest == "}") Fail("'}' without a font block");
        std::string key = Key(rest);
        for (const auto& e : entries) {
            if (e.first == key) Fail("property \"" + key + "\" given twice");
        }
        PropertyValue value = Value(rest, key);
        entries.emplace_back(std::move(key), std::move(value));
    }
    return entries;
}

}  // namespace

PropertyBag PropertyBag::FromFormData(std::string_view form_data) {
    PropertyBag bag;
    bag.entries_ = Reader(form_data).Read();
    return bag;
}

}  // namespace tivaro::forms
