// One tivaro-idle per session: the lock file in the session's runtime folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "idle/failure.h"
#include "idle/session_lock.h"

namespace tivaro::idle {
namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

class SessionLockTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(runtime_);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        setenv("DISPLAY", ":5", 1);
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override { fs::remove_all(runtime_); }

    const fs::path runtime_ =
        fs::temp_directory_path() / ("tivaro-idle-runtime-" + std::to_string(getpid()));
};

// The lock names its holder to a second start, which is refused; when the holder ends, the
// file goes and the next start takes it.
TEST_F(SessionLockTest, ASecondStartIsRefusedAndTheHolderNamed) {
    std::optional<SessionLock> first;
    first.emplace();
    EXPECT_EQ(SessionLock::Holder(), getpid());
    try {
        SessionLock second;
        ADD_FAILURE() << "a second lock was taken";
    } catch (const Failure& refused) {
        EXPECT_EQ(std::string(refused.what()), "another tivaro-idle runs in this session (pid " +
                                                   std::to_string(getpid()) + ")");
    }
    first.reset();
    EXPECT_FALSE(fs::exists(SessionLock::Path()));
    EXPECT_EQ(SessionLock::Holder(), 0);
    const SessionLock again;
    EXPECT_EQ(SessionLock::Holder(), getpid());
}

// Where the pid cannot be written (here: no file may grow), the start fails with its reason
// and leaves neither a descriptor open nor the file behind, so a later start may take it.
TEST_F(SessionLockTest, APidThatCannotBeWrittenLeavesNothingBehind) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    const auto saved_handler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    const std::size_t before = OpenDescriptors();
    EXPECT_THROW(SessionLock{}, Failure);
    const std::size_t after = OpenDescriptors();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, saved_handler);
    EXPECT_EQ(after, before) << "the lock's descriptor is closed";
    EXPECT_FALSE(fs::exists(SessionLock::Path()));
    const SessionLock taken;
    EXPECT_EQ(SessionLock::Holder(), getpid());
}

}  // namespace
}  // namespace tivaro::idle
