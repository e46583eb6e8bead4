// The X11 backend on a real X server (run under Xvfb): a key typed before the cover given to
// the cover's view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/x11_backend.h"

namespace {

using namespace tivaro::platform;
using x11::X11Backend;

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
