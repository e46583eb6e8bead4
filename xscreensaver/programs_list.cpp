#include "programs_list.h"

#include <cstddef>
#include <optional>

namespace tivaro::xss {
namespace {

struct Lines {
    std::vector<std::string> lines;
    bool endsWithNewline = false;
};

Lines Split(std::string_view text) {
    Lines result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            result.lines.emplace_back(text.substr(start));
            return result;
        }
        result.lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    result.endsWithNewline = !text.empty();
    return result;
}

std::string Join(const Lines& text) {
    std::string out;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        out += text.lines[i];
        if (i + 1 < text.lines.size() || text.endsWithNewline) out += '\n';
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A line continues on the next when it ends in an odd number of backslashes ("\\" is an
// escaped backslash).
bool Continues(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size() && line[line.size() - 1 - n] == '\\') ++n;
    return n % 2 == 1;
}

bool EndsWithEscapedNewline(std::string_view value) {
    value = Trim(value);
    return value.size() >= 2 && value.substr(value.size() - 2) == "\\n";
}

// Where the value of a "programs:" line starts, or nullopt when the line names another
// resource. Accepts "programs:", "*programs:" and "XScreenSaver.programs:".
std::optional<std::size_t> ProgramsValueStart(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::string_view rest = line.substr(i);
    for (std::string_view prefix : {"*", "XScreenSaver.", "XScreenSaver*"}) {
        if (rest.starts_with(prefix)) {
            rest.remove_prefix(prefix.size());
            i += prefix.size();
            break;
        }
    }
    constexpr std::string_view kName = "programs";
    if (!rest.starts_with(kName)) return std::nullopt;
    i += kName.size();
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size() || line[i] != ':') return std::nullopt;
    return i + 1;
}

// The physical lines [first, last] of the programs resource.
struct Range {
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t valueStart = 0;  // in lines[first]
};

std::optional<Range> FindPrograms(const std::vector<std::string>& lines) {
    bool continued = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (continued) {
            continued = Continues(line);
            continue;
        }
        std::string_view trimmed = Trim(line);
        if (trimmed.starts_with('#') || trimmed.starts_with('!')) continue;
        continued = Continues(line);
        if (auto start = ProgramsValueStart(line)) {
            Range range{i, i, *start};
            while (range.last + 1 < lines.size() && Continues(lines[range.last])) ++range.last;
            return range;
        }
    }
    return std::nullopt;
}

// The value of the resource from line `first` (at `valueStart`) to line `end` (excluded),
// continuation marks removed and lines joined as the resource reader joins them.
std::string Value(const std::vector<std::string>& lines, const Range& range, std::size_t end) {
    std::string value;
    for (std::size_t i = range.first; i < end; ++i) {
        std::string_view line = lines[i];
        if (i == range.first) line.remove_prefix(range.valueStart);
        if (Continues(line)) line.remove_suffix(1);
        value += line;
    }
    return value;
}

std::optional<ProgramEntry> ParseEntry(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    ProgramEntry entry;
    if (text.front() == '-') {
        entry.enabled = false;
        text = Trim(text.substr(1));
    }
    // A visual ("GL:", "mono:", "TrueColor:") comes first, then an optional "label".
    std::size_t word = 0;
    while (word < text.size() && !IsBlank(text[word]) && text[word] != ':' && text[word] != '"')
        ++word;
    if (word > 0 && word < text.size() && text[word] == ':') text = Trim(text.substr(word + 1));
    if (!text.empty() && text.front() == '"') {
        std::size_t close = text.find('"', 1);
        text = Trim(close == std::string_view::npos ? std::string_view{} : text.substr(close + 1));
    }
    if (text.empty()) return std::nullopt;
    entry.command = std::string(text);
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    std::string_view program = text.substr(0, end);
    if (std::size_t slash = program.rfind('/'); slash != std::string_view::npos)
        program.remove_prefix(slash + 1);
    entry.program = std::string(program);
    return entry;
}

std::vector<ProgramEntry> Entries(std::string_view value) {
    std::vector<ProgramEntry> entries;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find("\\n", start);
        std::string_view piece = value.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (auto entry = ParseEntry(piece)) entries.push_back(*entry);
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    return entries;
}

// Appends the entry line to the resource at `range` in `text`; adds no line elsewhere.
void AppendEntry(Lines& text, const Range& range, std::string_view command) {
    std::vector<std::string>& lines = text.lines;
    const std::string entry = EntryLine(command);
    std::string_view lastLine = lines[range.last];
    if (range.last > range.first && Trim(lastLine).empty()) {
        // The daemon's own layout: the list ends with "\n\" and a blank line. The new entry
        // goes before that blank line, which still ends the resource.
        std::string before = Value(lines, range, range.last);
        bool needsNewline = !Trim(before).empty() && !EndsWithEscapedNewline(before);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(range.last),
                     (needsNewline ? "\\n" : "") + entry);
        return;
    }
    // The list's last line ends the resource itself: it gets the continuation mark (and the
    // escaped newline its entry lacks), then the entry and a blank line to end the resource.
    // A last line that continues already is the file's last: only the entry follows it.
    std::string value = Value(lines, range, range.last + 1);
    bool needsNewline = !Trim(value).empty() && !EndsWithEscapedNewline(value);
    std::string first = entry;
    if (Continues(lastLine)) {
        if (needsNewline) first = "\\n" + entry;
    } else {
        lines[range.last] += needsNewline ? "\\n\\" : "\\";
    }
    auto at = lines.begin() + static_cast<std::ptrdiff_t>(range.last + 1);
    at = lines.insert(at, first);
    lines.insert(at + 1, "");
}

}  // namespace

std::vector<ProgramEntry> ListPrograms(std::string_view file) {
    Lines text = Split(file);
    std::optional<Range> range = FindPrograms(text.lines);
    if (!range) return {};
    return Entries(Value(text.lines, *range, range->last + 1));
}

bool HasProgramsResource(std::string_view file) {
    return FindPrograms(Split(file).lines).has_value();
}

std::string EntryLine(std::string_view command) {
    // Tab stops of 8 columns: the command starts at column 32, the "\n\" column is 4 spaces
    // after the tab stop at or past column 72 (as far as the command allows).
    std::string line = "\t\t\t\t";
    line += command;
    std::size_t column = 32 + command.size();
    do {
        line += '\t';
        column = (column / 8 + 1) * 8;
    } while (column < 72);
    line += "    \\n\\";
    return line;
}

std::string AddProgram(std::string_view userFile, std::string_view systemDefaults,
                       std::string_view command) {
    Lines user = Split(userFile);
    if (std::optional<Range> range = FindPrograms(user.lines)) {
        AppendEntry(user, *range, command);
        return Join(user);
    }

    // No list of the user's own yet: the system's list, with the entry added, as a resource
    // of the user's file ("programs:", not the app-defaults "*programs:").
    Lines system = Split(systemDefaults);
    std::optional<Range> range = FindPrograms(system.lines);
    if (!range) throw ListError("the system's settings file has no list of programs");
    Lines block;
    block.endsWithNewline = true;
    std::string_view firstLine = system.lines[range->first];
    block.lines.push_back("programs:" + std::string(firstLine.substr(range->valueStart)));
    for (std::size_t i = range->first + 1; i <= range->last; ++i)
        block.lines.push_back(system.lines[i]);
    Range blockRange{0, block.lines.size() - 1, std::string_view("programs:").size()};
    AppendEntry(block, blockRange, command);

    std::string out = Join(user);
    if (!out.empty() && out.back() != '\n') out += '\n';
    if (out.empty()) {
        out += "# XScreenSaver Preferences File\n";
        out +=
            "# The system's list of screen savers with Tivaro added, by tivaro-xscreensaver-add.\n";
        out +=
            "# The other settings are still the system's; xscreensaver-settings adds them here\n";
        out += "# when you change one.\n";
    }
    out += '\n';
    out += Join(block);
    out += '\n';
    return out;
}

}  // namespace tivaro::xss
