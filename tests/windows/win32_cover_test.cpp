// The saver's cover in the Win32 backend (under Wine here): the window over the monitors
// that takes keys, clicks and the loss of the foreground for its view until Uncover, a
// host's window filled instead, and the keys in the portable vocabulary.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/win32_backend.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::platform::win32 {
namespace {

class Win32CoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowDesc desc;
        desc.kind = WindowKind::TopLevelPlain;
        desc.bounds = {0, 0, 200, 100};
        window = backend.MakeWindow(desc);
        desc.kind = WindowKind::Child;
        desc.parent = window;
        desc.bounds = {10, 20, 190, 90};
        desc.gl_capable = true;
        view = backend.MakeWindow(desc);
    }

    CoverRequest Request(bool take_input) const {
        CoverRequest request;
        request.window = window;
        request.view = view;
        request.caption = "Tivaro test";
        request.take_input = take_input;
        return request;
    }

    std::vector<Event> Poll() {
        std::vector<Event> events;
        backend.PollEvents(events);
        return events;
    }

    static const Event* First(const std::vector<Event>& events, EventType type) {
        const auto it = std::find_if(events.begin(), events.end(),
                                     [type](const Event& e) { return e.type == type; });
        return it == events.end() ? nullptr : &*it;
    }

    static bool Topmost(NativeWindow w) {
        return (GetWindowLongPtrW(ToHwnd(w), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }

    Win32Backend backend;
    NativeWindow window = 0;
    NativeWindow view = 0;
};

TEST_F(Win32CoverTest, TakingTheInputGivesTheViewKeysClicksAndTheLossOfTheForeground) {
    const CoverAnswer answer = backend.Cover(Request(true));
    const std::vector<Output> outputs = backend.Outputs();
    ASSERT_FALSE(outputs.empty());
    EXPECT_TRUE(outputs.front().primary);
    ASSERT_EQ(answer.areas.size(), outputs.size());
    EXPECT_EQ(answer.areas[0].surface, view);
    EXPECT_EQ(answer.window.right - answer.window.left, answer.areas[0].surface_size.x);
    const auto ex_style = GetWindowLongPtrW(ToHwnd(window), GWL_EXSTYLE);
    EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);  // out of the task bar
    EXPECT_TRUE(ex_style & WS_EX_TOPMOST);

    HWND w = ToHwnd(window);
    PostMessageW(w, WM_KEYDOWN, 'Q', 0);
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 50));
    PostMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(31, 50));
    SendMessageW(w, WM_ACTIVATEAPP, FALSE, 0);
    SendMessageW(w, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    std::vector<Event> events = Poll();
    const Event* key = First(events, EventType::KeyDown);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->window, view);
    EXPECT_EQ(key->key, 'Q');
    const Event* down = First(events, EventType::ButtonDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, view);
    EXPECT_EQ(down->x, 20);  // in the view's pixels
    EXPECT_EQ(down->y, 30);
    const Event* up = First(events, EventType::ButtonUp);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->window, view);
    EXPECT_EQ(up->x, 21);
    ASSERT_NE(First(events, EventType::Deactivated), nullptr);
    EXPECT_EQ(First(events, EventType::Deactivated)->window, view);
    ASSERT_NE(First(events, EventType::DisplayChanged), nullptr);
    EXPECT_EQ(First(events, EventType::DisplayChanged)->window, view);

    backend.Uncover();
    PostMessageW(w, WM_KEYDOWN, 'Q', 0);
    SendMessageW(w, WM_ACTIVATEAPP, FALSE, 0);
    events = Poll();
    key = First(events, EventType::KeyDown);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->window, window);  // its own window's again
    EXPECT_EQ(First(events, EventType::Deactivated), nullptr);
}

TEST_F(Win32CoverTest, OnlyTheCoversWindowIsKeptAboveTheOthers) {
    // As large as the screen, but no cover's: an ordinary window.
    WindowDesc desc;
    desc.kind = WindowKind::TopLevelPlain;
    desc.bounds = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const NativeWindow large = backend.MakeWindow(desc);
    backend.ShowWindow(large, true);
    EXPECT_FALSE(Topmost(large));

    backend.Cover(Request(false));
    EXPECT_FALSE(Topmost(window));  // without the input, until it shows
    backend.ShowWindow(window, true);
    EXPECT_TRUE(Topmost(window));
    Poll();
}

TEST_F(Win32CoverTest, AHostsWindowIsFilledAndNoWindowOrBehindAreRefused) {
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 50, 60, 320, 240,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    CoverRequest request = Request(false);
    request.host = 0x7FFFFFF0;
    EXPECT_THROW(backend.Cover(request), rt::SetupError);
    request.host = ToNative(host);
    const CoverAnswer answer = backend.Cover(request);
    EXPECT_EQ(GetParent(ToHwnd(window)), host);
    EXPECT_EQ(answer.window.left, 0);
    EXPECT_EQ(answer.window.top, 0);
    EXPECT_EQ(answer.window.right, 320);
    EXPECT_EQ(answer.window.bottom, 240);
    ASSERT_EQ(answer.areas.size(), 1u);
    EXPECT_EQ(answer.areas[0].surface, view);
    EXPECT_EQ(answer.areas[0].surface_size.x, 320);
    // The host is watched: its end is reported.
    DestroyWindow(host);
    const std::vector<Event> events = Poll();
    const bool host_gone = std::any_of(events.begin(), events.end(), [&](const Event& e) {
        return e.type == EventType::Destroyed && e.window == ToNative(host);
    });
    EXPECT_TRUE(host_gone);

    CoverRequest behind = Request(false);
    behind.window = behind.view = 0;
    behind.layer = CoverLayer::Background;
    EXPECT_THROW(backend.Cover(behind), rt::RuntimeError);
}

TEST_F(Win32CoverTest, KeysAreThePortableCodesAndAnyOtherKeyIsNoneOfThem) {
    HWND w = ToHwnd(window);
    const WPARAM pressed[] = {VK_TAB, VK_SPACE, '7', 'Z', VK_F5, VK_SHIFT, VK_NUMPAD1};
    for (const WPARAM vk : pressed) PostMessageW(w, WM_KEYDOWN, vk, 0);
    std::vector<std::int16_t> codes;
    for (const Event& e : Poll()) {
        if (e.type == EventType::KeyDown) codes.push_back(e.key);
    }
    const std::vector<std::int16_t> expected = {keys::kTab,
                                                keys::kSpace,
                                                '7',
                                                'Z',
                                                keys::Other(VK_F5),
                                                keys::Other(VK_SHIFT),
                                                keys::Other(VK_NUMPAD1)};
    // F5 and the keypad's 1 are 't' and 'a' as virtual keys: never taken for letters.
    EXPECT_EQ(codes, expected);
}

}  // namespace
}  // namespace tivaro::platform::win32
