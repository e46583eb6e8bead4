// The settings file tivaro-idle shares with the settings window: what the writer puts down
// reads back the same, and a damaged, half-written or out-of-range file is refused with the
// line that is wrong, while a missing one means the defaults.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "idle/idle_settings.h"

namespace tivaro::idle {
namespace {

namespace fs = std::filesystem;

class IdleSettingsTest : public testing::Test {
protected:
    void TearDown() override { fs::remove_all(home_); }

    std::string Text() const {
        std::ifstream in(file_);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Put(const std::string& text) const {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }
    // The one line ReadIdleSettings raises for the file as it is; "" when it reads it.
    std::string Refusal() const {
        try {
            ReadIdleSettings(file_);
        } catch (const SettingsError& error) {
            return error.what();
        }
        return "";
    }

    const fs::path home_ =
        fs::temp_directory_path() / ("tivaro-idle-settings-" + std::to_string(getpid()));
    const fs::path file_ = home_ / "config" / "tivaro" / "idle.conf";
};

// Written into folders that do not exist yet, every value (a command with a backslash, spaces
// at its ends and a tab among them) reads back as it was; no temporary file stays beside it.
// A person's file with comments, spaces, keys left out and a group of another's reads too.
TEST_F(IdleSettingsTest, WhatIsWrittenReadsBack) {
    EXPECT_EQ(ReadIdleSettings(file_), IdleSettings{}) << "no file, no folder: the defaults";
    IdleSettings settings;
    settings.enabled = false;
    settings.minutes = kLongestMinutes;
    settings.lock_on_resume = true;
    settings.lock_grace_seconds = 0;
    settings.lock_command = " swaylock -c 000000\t--font \\mono ";
    WriteIdleSettings(settings, file_);
    EXPECT_EQ(ReadIdleSettings(file_), settings) << Text();
    EXPECT_NE(Text().find("\nMinutes=1440\n"), std::string::npos) << Text();
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file_.parent_path())) ++files;
    EXPECT_EQ(files, 1u);

    Put("# by hand\n\n[Other]\nMinutes=not ours\n  [Saver]  \n  Minutes = 7 \n#Enabled=false\n"
        "LockCommand=\n");
    IdleSettings seven;
    seven.minutes = 7;
    EXPECT_EQ(ReadIdleSettings(file_), seven);
}

// Each damage is named with its line; nothing of such a file is taken.
TEST_F(IdleSettingsTest, DamagedFilesAreRefusedWithTheirLine) {
    using namespace std::string_literals;
    const struct {
        std::string text;
        const char* line;
    } kDamaged[] = {
        // Cut short in the middle of a line: "Minutes=15" lost its end, and its newline.
        {"[Saver]\nEnabled=false\nMinutes=1", "idle.conf line 3: the line has no end"},
        {"[Saver]\nEnabled=fal", "idle.conf line 2: the line has no end"},
        // Out of range, or no number.
        {"[Saver]\nMinutes=0\n", "line 2: Minutes wants whole minutes from 1 to 1440, not \"0\""},
        {"[Saver]\nMinutes=1441\n", "line 2: Minutes wants whole minutes from 1 to 1440"},
        {"[Saver]\nMinutes=5m\n", "line 2: Minutes wants whole minutes"},
        {"[Saver]\nLockGraceSeconds=-1\n", "line 2: LockGraceSeconds wants whole seconds from 0"},
        {"[Saver]\nLockGraceSeconds=3601\n", "line 2: LockGraceSeconds wants whole seconds"},
        {"[Saver]\nEnabled=yes\n", "line 2: Enabled wants true or false, not \"yes\""},
        // Broken shapes.
        {"Minutes=3\n[Saver]\n", "line 1: \"Minutes\" comes before any group"},
        {"[Saver]\nMinuts=3\n", "line 2: [Saver] has no key \"Minuts\""},
        {"[Saver]\nMinutes=3\nMinutes=4\n", "line 3: Minutes comes twice"},
        {"[Saver]\n[Saver]\n", "line 2: [Saver] comes twice"},
        {"[Saver\nMinutes=3\n", "line 1: \"[Saver\" is no group"},
        {"[Saver]\nMinutes 3\n", "line 2: \"Minutes 3\" is neither a comment"},
        {"[Saver]\n=3\n", "line 2: \"=3\" has no key"},
        {"[Saver]\nLockCommand=lock\\q\n", "line 2: unknown escape \\q"},
        // Blocks of zeros where a crash left the file's end.
        {"[Saver]\nMinutes=3\n\0\0\0\n"s, "line 3: a control character (0x00)"},
    };
    for (const auto& damaged : kDamaged) {
        Put(damaged.text);
        const std::string refusal = Refusal();
        EXPECT_NE(refusal.find(damaged.line), std::string::npos)
            << "for " << testing::PrintToString(Text()) << ": " << refusal;
        EXPECT_EQ(refusal.rfind("idle.conf line ", 0), 0u) << refusal;
    }
    fs::remove(file_);
    fs::create_directory(file_);
    EXPECT_EQ(Refusal(), "idle.conf: is no plain file");
}

// The writer refuses a value out of range before anything is touched, and a folder that
// cannot be made, saying where.
TEST_F(IdleSettingsTest, TheWriterRefusesWhatCannotBeReadBack) {
    IdleSettings two;
    two.minutes = 2;
    WriteIdleSettings(two, file_);
    const std::string before = Text();
    for (const int minutes : {0, kLongestMinutes + 1}) {
        IdleSettings wrong;
        wrong.minutes = minutes;
        EXPECT_THROW(WriteIdleSettings(wrong, file_), SettingsError) << minutes;
    }
    IdleSettings grace;
    grace.lock_grace_seconds = -1;
    EXPECT_THROW(WriteIdleSettings(grace, file_), SettingsError);
    IdleSettings bell;
    bell.lock_command = "lock\a";
    EXPECT_THROW(WriteIdleSettings(bell, file_), SettingsError);
    EXPECT_EQ(Text(), before);

    const fs::path blocked = home_ / "a-file" / "tivaro" / "idle.conf";
    std::ofstream(home_ / "a-file") << "not a folder\n";
    try {
        WriteIdleSettings(two, blocked);
        ADD_FAILURE() << "wrote under a file";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("a-file"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace tivaro::idle
