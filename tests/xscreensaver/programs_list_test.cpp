// The programs list of the X screen-saver daemon's settings files: Tivaro is added at the
// end of the list and no other line changes.
#include "programs_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tivaro::xss {
namespace {

constexpr const char* kCommand = "tivaro --root";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// `after` is `before` with `inserted` lines put in at `at` (and nothing else changed).
void ExpectInserted(const std::string& before, const std::string& after, std::size_t at,
                    const std::vector<std::string>& inserted) {
    std::vector<std::string> expected = Lines(before);
    expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(),
                    inserted.end());
    EXPECT_EQ(Lines(after), expected);
}

// As the daemon's settings program writes a user's file: custom settings, a disabled
// entry, a labelled entry continued on a second line, the list ended by "\n\" and blank
// lines, then more settings.
const std::string kUserFile =
    "# XScreenSaver Preferences File\n"
    "timeout:\t0:42:00\n"
    "mode:\t\tone\n"
    "selected:\t2\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "-\t\t\t\tqix --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "  \"My flame\" \tflame --root \\\n"
    "\t\t  -delay 5\t\t\t\t    \\n\\\n"
    "\n"
    "\n"
    "pointerHysteresis:  10\n";

TEST(ProgramsList, ReadsEntriesWithDashesVisualsLabelsAndContinuedLines) {
    std::vector<ProgramEntry> entries = ListPrograms(kUserFile);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries[0].enabled);
    EXPECT_EQ(entries[0].program, "maze");
    EXPECT_FALSE(entries[1].enabled);
    EXPECT_EQ(entries[1].program, "qix");
    EXPECT_FALSE(entries[2].enabled);
    EXPECT_EQ(entries[2].command, "superquadrics --root");
    EXPECT_TRUE(entries[3].enabled);
    EXPECT_EQ(entries[3].program, "flame");
    EXPECT_EQ(entries[3].command, "flame --root \t\t  -delay 5");
}

TEST(ProgramsList, EntryLineIsLaidOutAsTheSettingsProgramWritesIt) {
    EXPECT_EQ(EntryLine(kCommand), "\t\t\t\ttivaro --root\t\t\t\t    \\n\\");
}

TEST(ProgramsList, AddsTheEntryBeforeTheBlankLineThatEndsTheList) {
    std::string added = AddProgram(kUserFile, "", kCommand);
    ExpectInserted(kUserFile, added, 11, {EntryLine(kCommand)});
    std::vector<ProgramEntry> entries = ListPrograms(added);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].program, "qix");  // "selected: 2" still names the same entry
    EXPECT_EQ(entries[4].command, kCommand);
    EXPECT_TRUE(entries[4].enabled);
}

TEST(ProgramsList, ListEndingOnItsOwnLastLineGetsAContinuationMark) {
    const std::string file =
        "timeout:\t0:05:00\n"
        "programs:\tmaze --root \\n\\\n"
        "\t\tqix --root \\n\n"
        "lock:\t\tFalse\n";
    std::string added = AddProgram(file, "", kCommand);
    EXPECT_EQ(added,
              "timeout:\t0:05:00\n"
              "programs:\tmaze --root \\n\\\n"
              "\t\tqix --root \\n\\\n" +
                  EntryLine(kCommand) +
                  "\n"
                  "\n"
                  "lock:\t\tFalse\n");
    std::vector<ProgramEntry> entries = ListPrograms(added);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].program, "tivaro");
}

TEST(ProgramsList, LastEntryWithoutEscapedNewlineGetsOne) {
    std::string added = AddProgram("programs:\tmaze --root\n", "", kCommand);
    EXPECT_EQ(added, "programs:\tmaze --root\\n\\\n" + EntryLine(kCommand) + "\n\n");
    EXPECT_EQ(ListPrograms(added).size(), 2u);
}

TEST(ProgramsList, ListContinuedOntoTheFilesEndKeepsItsLastLine) {
    const std::string file = "programs:\t\\\n\t\t\t\tmaze --root\t\\n\\\n";  // no line after
    std::string added = AddProgram(file, "", kCommand);
    EXPECT_EQ(added, file + EntryLine(kCommand) + "\n\n");
    std::vector<ProgramEntry> entries = ListPrograms(added);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].command, kCommand);
}

const std::string kSystemDefaults =
    "! the system's settings\n"
    "*timeout:\t\t0:10:00\n"
    "*programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "-\t\t\t\tnoseguy --root\t\t\t\t    \\n\n"
    "\n"
    "*hacks.maze.name: Maze\n";

TEST(ProgramsList, NoFileYetGetsTheSystemListAndTivaro) {
    std::string added = AddProgram("", kSystemDefaults, kCommand);
    std::vector<std::string> lines = Lines(added);
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], "# XScreenSaver Preferences File");
    std::vector<ProgramEntry> system = ListPrograms(kSystemDefaults);
    std::vector<ProgramEntry> entries = ListPrograms(added);
    ASSERT_EQ(entries.size(), system.size() + 1);
    for (std::size_t i = 0; i < system.size(); ++i) {
        EXPECT_EQ(entries[i].command, system[i].command);
        EXPECT_EQ(entries[i].enabled, system[i].enabled);
    }
    EXPECT_EQ(entries.back().command, kCommand);
    // Only the list is written: the user's file names no other setting.
    EXPECT_EQ(added.find("timeout"), std::string::npos);
    EXPECT_NE(added.find("\nprograms:\t\t\t\t\t\t\t\t      \\\n\t\t\t\tmaze --root"),
              std::string::npos);
}

TEST(ProgramsList, FileWithoutAListKeepsItsLinesAndGainsTheSystemListAtItsEnd) {
    const std::string file = "# mine\ntimeout:\t0:42:00\nlock:\t\tTrue";  // no final newline
    std::string added = AddProgram(file, kSystemDefaults, kCommand);
    EXPECT_EQ(added.substr(0, file.size() + 1), file + "\n");
    EXPECT_EQ(ListPrograms(added).size(), ListPrograms(kSystemDefaults).size() + 1);
    EXPECT_EQ(added.find("# XScreenSaver Preferences File"), std::string::npos);
}

TEST(ProgramsList, CommentsAndOtherResourcesAreNotTheList) {
    const std::string file =
        "# programs: old notes \\\n"
        "textProgram:\tfortune\n"
        "programs:\t\\\n"
        "\t\t\t\tmaze --root\t\\n\\\n"
        "\n";
    std::vector<ProgramEntry> entries = ListPrograms(file);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].program, "maze");
    EXPECT_FALSE(HasProgramsResource("textProgram:\tfortune\n"));
}

TEST(ProgramsList, ProgramIsTheCommandsFirstWordWithoutItsFolder) {
    std::vector<ProgramEntry> entries =
        ListPrograms("programs: - \"Mine\" /usr/libexec/xscreensaver/tivaro --root \\n\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_EQ(entries[0].program, "tivaro");
}

TEST(ProgramsList, SystemFileWithoutAListIsAnError) {
    EXPECT_THROW(AddProgram("", "*timeout: 0:10:00\n", kCommand), ListError);
}

}  // namespace
}  // namespace tivaro::xss
