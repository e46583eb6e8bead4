// Writing a user's ~/.xscreensaver as tivaro-xscreensaver-add does: the file as it was is
// copied beside it, then replaced. A private file stays private, in the copy too, and a
// link to a file that does not exist yet stays a link.
#include "user_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tivaro::xss {
namespace {

namespace fs = std::filesystem;

class UserFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = (fs::path(::testing::TempDir()) / "user_file_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        home_ = fs::canonical(name);
        mask_ = umask(022);
    }
    void TearDown() override {
        umask(mask_);
        fs::remove_all(home_);
    }
    static mode_t Mode(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }
    static void Write(const fs::path& path, const std::string& text, mode_t mode) {
        std::ofstream(path) << text;
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }

    fs::path home_;
    mode_t mask_ = 022;
};

TEST_F(UserFileTest, TheCopyAndTheNewFileKeepAPrivateFilesPermissions) {
    const fs::path file = home_ / ".xscreensaver";
    const fs::path backup = home_ / ".xscreensaver.before-tivaro";
    Write(file, "programs: old\n", 0600);
    Write(backup, "from an earlier run\n", 0644);  // a copy made readable to all before

    ReplaceFile(backup, *ReadFile(file), PermissionsOf(file));
    ReplaceFile(file, "programs: new\n");

    EXPECT_EQ(Mode(backup), 0600u);
    EXPECT_EQ(Mode(file), 0600u);
    EXPECT_EQ(ReadFile(backup), "programs: old\n");
    EXPECT_EQ(ReadFile(file), "programs: new\n");
}

TEST_F(UserFileTest, ALinkToAFileNotMadeYetIsWrittenThroughAndStays) {
    fs::create_directory(home_ / "dotfiles");
    const fs::path link = home_ / ".xscreensaver";
    fs::create_symlink("dotfiles/xscreensaver", link);

    const fs::path file = ResolveLinks(link);
    EXPECT_EQ(file, home_ / "dotfiles" / "xscreensaver");
    EXPECT_EQ(ReadFile(file), std::nullopt);
    ReplaceFile(file, "programs: tivaro --root\n");

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(home_ / "dotfiles" / "xscreensaver"), "programs: tivaro --root\n");

    // A link to itself names no file.
    fs::create_symlink("loop", home_ / "loop");
    EXPECT_THROW(ResolveLinks(home_ / "loop"), FileError);
}

}  // namespace
}  // namespace tivaro::xss
