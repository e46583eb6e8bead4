// The X11 backend on a real X server (run under Xvfb): errors trapped where a request may
// fail and reported anywhere else, the events this client asked for on the root window kept
// by the saver's cover, and a key typed before the cover given to the cover's view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_errors.h"

namespace {

using namespace tivaro::platform;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using x11::ErrorTrap;
using x11::X11Backend;

constexpr auto npos = std::string::npos;

// The id of a window that was made and destroyed: it names no window now.
Window GoneWindow(Display* display) {
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, window);
    XSync(display, False);
    return window;
}

long RootEvents(Display* display) {
    XWindowAttributes attrs{};
    XGetWindowAttributes(display, DefaultRootWindow(display), &attrs);
    return attrs.your_event_mask;
}

// The saver's window and its view, as the saver makes them.
struct SaverWindows {
    NativeWindow window = 0;
    NativeWindow view = 0;
};

SaverWindows MakeSaverWindows(X11Backend& backend) {
    WindowDesc top;
    top.kind = WindowKind::TopLevelPlain;
    top.caption = "backend test";
    top.bounds = {0, 0, 200, 100};
    SaverWindows made;
    made.window = backend.MakeWindow(top);
    WindowDesc child;
    child.parent = made.window;
    child.bounds = top.bounds;
    made.view = backend.MakeWindow(child);
    return made;
}

CoverRequest TakingInput(const SaverWindows& windows) {
    CoverRequest request;
    request.window = windows.window;
    request.view = windows.view;
    request.take_input = true;
    return request;
}

TEST(X11Errors, AnErrorNoTrapWaitsForIsReportedOnceAndTheProgramGoesOn) {
    X11Backend backend;
    Display* display = backend.display();
    const Window gone = GoneWindow(display);
    CaptureStderr();
    XMapWindow(display, gone);
    XMapWindow(display, gone);  // the same kind of error again
    XSync(display, False);
    const std::string said = GetCapturedStderr();
    EXPECT_NE(said.find("tivaro: the X server refused X_MapWindow"), npos) << said;
    EXPECT_NE(said.find("BadWindow"), npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST(X11Errors, ATrapKeepsTheErrorsOfTheRequestsMadeInsideIt) {
    X11Backend backend;
    Display* display = backend.display();
    const Window gone = GoneWindow(display);
    CaptureStderr();
    XRaiseWindow(display, gone);  // before the trap: not the trap's
    ErrorTrap trap(display);
    XUnmapWindow(display, gone);
    const int code = trap.Release();
    ErrorTrap clean(display);
    XNoOp(display);
    const int clean_code = clean.Release();
    const std::string said = GetCapturedStderr();
    EXPECT_EQ(code, BadWindow);
    EXPECT_EQ(clean_code, Success);
    EXPECT_NE(said.find("X_ConfigureWindow"), npos) << said;
    EXPECT_EQ(said.find("X_UnmapWindow"), npos) << said;
}

TEST(X11Errors, AnExcuseDropsItsRequestsErrorsWhenTheyComeLaterWithoutARoundTrip) {
    X11Backend backend;
    Display* display = backend.display();
    const Window gone = GoneWindow(display);
    CaptureStderr();
    const unsigned long before = LastKnownRequestProcessed(display);
    {
        const x11::ErrorExcuse excuse(display);
        XUnmapWindow(display, gone);
    }
    const bool waited = LastKnownRequestProcessed(display) != before;
    XClearWindow(display, gone);  // after it: reported
    XSync(display, False);
    const std::string said = GetCapturedStderr();
    EXPECT_FALSE(waited);
    EXPECT_EQ(said.find("X_UnmapWindow"), npos) << said;
    EXPECT_NE(said.find("X_ClearArea"), npos) << said;
}

TEST(X11Errors, AnotherProgramsWindowThatWentIsNoWindowAndNothingIsSaid) {
    X11Backend backend;
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const Window gone = GoneWindow(other);
    CaptureStderr();
    EXPECT_FALSE(backend.GetWindowRect(gone).has_value());
    backend.WatchWindow(gone);
    EXPECT_EQ(backend.FindWindowByCaption("no window has this caption"), 0U);
    const NativeWindow window = MakeSaverWindows(backend).window;
    backend.SetParent(window, gone);
    XSync(backend.display(), False);
    EXPECT_EQ(GetCapturedStderr(), "");
    XCloseDisplay(other);
}

TEST(X11Cover, KeepsTheRootWindowsEventsThisClientAskedForAndTakesBackOnlyItsOwn) {
    X11Backend backend;
    Display* display = backend.display();
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    const SaverWindows windows = MakeSaverWindows(backend);
    backend.Cover(TakingInput(windows));
    EXPECT_EQ(RootEvents(display), PropertyChangeMask | StructureNotifyMask);
    backend.Uncover();
    EXPECT_EQ(RootEvents(display), PropertyChangeMask);

    // Asked for before the cover, the root window's size changes stay asked for after it.
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
    backend.Cover(TakingInput(windows));
    backend.Uncover();
    EXPECT_EQ(RootEvents(display), StructureNotifyMask);
}

TEST(X11Input, AKeyTypedBeforeTheCoverIsTheCoversViewsOnceItComes) {
    X11Backend backend(/*take_input_now=*/true);
    ASSERT_EQ(std::system("xdotool key a"), 0);
    XSync(backend.display(), False);
    std::vector<Event> before;
    backend.PollEvents(before);  // read, and kept: no window is there to take it yet
    const SaverWindows windows = MakeSaverWindows(backend);
    backend.Cover(TakingInput(windows));
    std::vector<Event> after;
    backend.PollEvents(after);
    const auto key_down = [](const Event& e) { return e.type == EventType::KeyDown; };
    EXPECT_EQ(std::count_if(before.begin(), before.end(), key_down), 0);
    const auto key = std::find_if(after.begin(), after.end(), key_down);
    ASSERT_NE(key, after.end());
    EXPECT_EQ(key->window, windows.view);
    EXPECT_EQ(key->key, 'A');
    backend.Uncover();
}

}  // namespace
