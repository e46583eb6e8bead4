// The X11 backend on a real X server (run under Xvfb): errors trapped where a request may
// fail and reported anywhere else, the events this client asked for on the root window kept
// by the saver's cover, a key typed before the cover given to the cover's view, and GL in a
// view inside another program's window.
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

// The colour of one pixel of a window, 0xRRGGBB.
unsigned long PixelAt(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return ~0UL;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

// One frame of a single colour, shown.
void DrawFrame(X11Backend& backend, NativeWindow view, int width, int height, float red,
               float green) {
    glViewport(0, 0, width, height);
    glClearColor(red, green, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    backend.SwapBuffers(view);
    XSync(backend.display(), False);
}

TEST(X11Gl, AViewInAnotherProgramsWindowShowsEachFrameAtItsSizeAndOutlivesThatWindow) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const Window host =
        XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 120, 80, 0, 0, 0);
    XMapWindow(other, host);
    XSync(other, False);
    X11Backend backend;
    CaptureStderr();
    SaverWindows windows = MakeSaverWindows(backend);
    WindowDesc gl_view;
    gl_view.parent = windows.window;
    gl_view.bounds = {0, 0, 120, 80};
    gl_view.gl_capable = true;
    windows.view = backend.MakeWindow(gl_view);
    backend.SetParent(windows.window, host);
    backend.SetBounds(windows.window, {0, 0, 120, 80});
    backend.ShowWindow(windows.view, true);
    backend.ShowWindow(windows.window, true);
    ASSERT_EQ(backend.ChoosePixelFormat(windows.view), 1);
    const GlContext context = backend.CreateContext(windows.view);
    ASSERT_NE(context, 0U);
    backend.MakeCurrent(windows.view, context);
    const Window view = static_cast<Window>(windows.view);
    DrawFrame(backend, windows.view, 120, 80, 1.0f, 0.0f);
    EXPECT_EQ(PixelAt(other, view, 0, 0), 0xFF0000UL);
    EXPECT_EQ(PixelAt(other, view, 119, 79), 0xFF0000UL);

    // The host grows, and the view with it: the next frame fills the new size.
    XResizeWindow(other, host, 160, 100);
    XSync(other, False);
    backend.SetBounds(windows.window, {0, 0, 160, 100});
    backend.SetBounds(windows.view, {0, 0, 160, 100});
    DrawFrame(backend, windows.view, 160, 100, 0.0f, 1.0f);
    EXPECT_EQ(PixelAt(other, view, 0, 0), 0x00FF00UL);
    EXPECT_EQ(PixelAt(other, view, 159, 99), 0x00FF00UL);

    // The host goes (and our windows with it) between two frames: the next frame is drawn and
    // shown without an error, and the events say the view went.
    XDestroyWindow(other, host);
    XSync(other, False);
    DrawFrame(backend, windows.view, 160, 100, 1.0f, 1.0f);
    std::vector<Event> events;
    backend.PollEvents(events);
    const auto view_gone = [&](const Event& e) {
        return e.type == EventType::Destroyed && e.window == windows.view;
    };
    EXPECT_EQ(std::count_if(events.begin(), events.end(), view_gone), 1);
    DrawFrame(backend, windows.view, 160, 100, 1.0f, 1.0f);
    backend.MakeCurrent(0, 0);
    backend.DeleteContext(context);
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
