// The per-session mark that keeps one instance across the Linux window systems.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
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
    const char* display = std::getenv("DISPLAY");
    const std::string saved_display = display != nullptr ? display : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", ":1.0", 1);
    {
        InstanceMarkers markers;
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        markers.Hold(7, "Tivaro_Main");
        markers.Hold(8, "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A");
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere(
            "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A"));
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro"));
        // Another X server of the same user is another session; another screen of this
        // one is not.
        setenv("DISPLAY", ":2", 1);
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        setenv("DISPLAY", ":1", 1);
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        // Under a Wayland session the compositor's display names it, for X clients too.
        setenv("WAYLAND_DISPLAY", "wayland-1", 1);
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        markers.Hold(9, "Tivaro_Main");
        setenv("DISPLAY", ":7", 1);
        EXPECT_TRUE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        unsetenv("WAYLAND_DISPLAY");
        setenv("DISPLAY", ":1", 1);
        const std::string path = InstanceMarkers::PathFor("Tivaro_Main");
        EXPECT_TRUE(std::filesystem::exists(path));
        markers.Release(7);
        EXPECT_FALSE(InstanceMarkers::HeldElsewhere("Tivaro_Main"));
        EXPECT_FALSE(std::filesystem::exists(path)) << "no file is left behind";
        // However the program ends, what it still holds leaves no file either.
        InstanceMarkers::RemoveHeldFiles();
        EXPECT_TRUE(std::filesystem::is_empty(dir));
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
    if (saved_display.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", saved_display.c_str(), 1);
    }
}

}  // namespace
}  // namespace tivaro
