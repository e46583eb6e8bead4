// The reader and writer of the daemon's programs list (a user's ~/.xscreensaver, the
// system's app-defaults file): adding Tivaro keeps every entry there was, in order, and puts
// one more, enabled, at the end; every line of the file is still there, in order, at most
// one of them lengthened by the continuation mark it needs, and nothing else is added but
// the new entry's line and a blank line that may end the list.
#include <string>
#include <vector>

#include "check.h"
#include "programs_list.h"

using namespace tivaro;

namespace {

constexpr std::string_view kCommand = "tivaro --root";

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool SameEntries(const std::vector<xss::ProgramEntry>& before,
                 const std::vector<xss::ProgramEntry>& after) {
    if (after.size() != before.size() + 1) return false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (after[i].command != before[i].command || after[i].enabled != before[i].enabled)
            return false;
    }
    return after.back().command == kCommand && after.back().enabled &&
           after.back().program == "tivaro";
}

// Each line of `before` is a line of `after`, in order; one of them may have gained the
// continuation mark ("\\") or an escaped newline and one ("\\n\\"). What `after` has more is
// the new entry's line and at most one blank line that ends the list.
bool LinesKept(std::string_view before, std::string_view after) {
    std::vector<std::string> old = Lines(before);
    std::vector<std::string> now = Lines(after);
    std::vector<bool> matched(now.size(), false);
    std::size_t j = 0;
    int lengthened = 0;
    for (const std::string& line : old) {
        auto kept = [&](const std::string& l) {
            return l == line || l == line + "\\" || l == line + "\\n\\";
        };
        while (j < now.size() && !kept(now[j])) ++j;
        if (j == now.size()) return false;
        if (now[j] != line) ++lengthened;
        matched[j++] = true;
    }
    int entries = 0;
    int blank = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (matched[i]) continue;
        if (now[i].find_first_not_of(" \t") == std::string::npos) {
            ++blank;
        } else if (now[i].find(kCommand) != std::string::npos) {
            ++entries;
        } else {
            return false;  // a line that is neither kept nor the new entry
        }
    }
    return lengthened <= 1 && entries == 1 && blank <= 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    std::vector<xss::ProgramEntry> before = xss::ListPrograms(text);
    if (xss::HasProgramsResource(text)) {
        // The input as a user's file with a list of its own.
        std::string added = xss::AddProgram(text, "", kCommand);
        TIVARO_FUZZ_EXPECT(SameEntries(before, xss::ListPrograms(added)), text);
        TIVARO_FUZZ_EXPECT(LinesKept(text, added), text);
        // The input as the system's list, for a user who has none yet.
        std::string made = xss::AddProgram("", text, kCommand);
        TIVARO_FUZZ_EXPECT(SameEntries(before, xss::ListPrograms(made)), text);
    } else {
        TIVARO_FUZZ_EXPECT(before.empty(), text);
        try {
            xss::AddProgram("", text, kCommand);
            TIVARO_FUZZ_EXPECT(false, text);  // no system list: an error, not a guess
        } catch (const xss::ListError&) {
        }
    }
    return 0;
}
