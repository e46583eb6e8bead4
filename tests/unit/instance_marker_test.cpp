// The per-session mark that keeps one instance across the Linux window systems.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/posix/instance_marker.h"

namespace tivaro {
namespace {

// Two windows of ours held by one process are seen from another descriptor as another
// process sees them; the mark goes with the window, and without a runtime directory (or
// with a caption that cannot name a file) nothing is marked.
TEST(InstanceMarkers, ACaptionIsMarkedWhileItsWindowLives) {
    using platform::posix::InstanceMarkers;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tivaro-marker-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        InstanceMarkers markers;
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        markers.Hold(7, "Tivaro_Main");
        markers.Hold(8, "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A");
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere(
            "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A"));
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro"));
        markers.Release(7);
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        EXPECT_EQ(InstanceMarkers::PathFor("a/b"), "");
        EXPECT_EQ(InstanceMarkers::PathFor(".."), "");
    }
    EXPECT_FALSE(
        InstanceMarkers::HeldElsewhere("Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A"))
        << "the marks go with the process";
    setenv("XDG_RUNTIME_DIR", "relative", 1);
    EXPECT_EQ(InstanceMarkers::PathFor("Tivaro_Main"), "");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceMarkers::PathFor("Tivaro_Main"), "");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tivaro
