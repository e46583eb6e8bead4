// The Win32 backend on real windows (under Wine here): captions and the window search,
// frames, native messages turned into events, windows of other programs, presenting a
// surface and repainting it, the system's modal loops, pointers and icons.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
// Last: windows.h defines macros (RGB) that must not reach our headers.
#include "platform/win32/win32_backend.h"

namespace tivaro::platform::win32 {
namespace {

// The settings dialog's caption, with its full-width question mark.
constexpr char kJapaneseCaption[] = "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A";

// The picture the program hands over (app/pointer_pictures.cpp).
PointerPicture StoredHand() {
    image::RgbaPicture hand = image::DecodeRgba(assets::Find("hand.png"));
    return PointerPicture{std::move(hand.pixels), hand.width, hand.height, {12, 1}};
}

class Win32BackendTest : public ::testing::Test {
protected:
    NativeWindow Make(WindowKind kind, Rect bounds, NativeWindow parent = 0,
                      const char* caption = "Tivaro test") {
        WindowDesc desc;
        desc.kind = kind;
        desc.caption = caption;
        desc.bounds = bounds;
        desc.parent = parent;
        return backend.MakeWindow(desc);
    }

    std::vector<Event> Poll() {
        std::vector<Event> events;
        backend.PollEvents(events);
        return events;
    }

    static std::vector<Event> OfType(const std::vector<Event>& events, EventType type) {
        std::vector<Event> out;
        std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                     [type](const Event& e) { return e.type == type; });
        return out;
    }

    // A plain window of another kind than ours, standing for another program's window.
    static HWND ForeignWindow(int width, int height) {
        return CreateWindowExW(0, L"STATIC", L"pane", WS_POPUP | WS_VISIBLE, 200, 150, width,
                               height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }

    Win32Backend backend;
};

TEST_F(Win32BackendTest, CaptionsAreFoundWholeAndInUnicode) {
    const NativeWindow dialog =
        Make(WindowKind::TopLevelDialog, {10, 20, 110, 70}, 0, kJapaneseCaption);
    EXPECT_EQ(backend.FindWindowByCaption(kJapaneseCaption), dialog);
    EXPECT_EQ(backend.FindWindowByCaption("Tivaro"), 0u);  // whole captions only
    wchar_t text[64] = {};
    GetWindowTextW(ToHwnd(dialog), text, 64);
    EXPECT_EQ(std::wstring(text), L"Tivaro\xFF1F\x306E\x8A2D\x5B9A");

    backend.SetCaption(dialog, "Tivaro_Main");
    EXPECT_EQ(backend.FindWindowByCaption("Tivaro_Main"), dialog);
    EXPECT_EQ(backend.FindWindowByCaption(kJapaneseCaption), 0u);

    backend.DestroyWindow(dialog);
    EXPECT_FALSE(backend.IsWindow(dialog));
    EXPECT_EQ(backend.FindWindowByCaption("Tivaro_Main"), 0u);
    EXPECT_TRUE(OfType(Poll(), EventType::Destroyed).empty());  // we asked for it
    backend.DestroyWindow(dialog);                              // twice does nothing
}

TEST_F(Win32BackendTest, BoundsAreTheInnerSizeAtTheOuterPosition) {
    const NativeWindow dialog = Make(WindowKind::TopLevelDialog, {40, 30, 240, 180});
    RECT client{};
    GetClientRect(ToHwnd(dialog), &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 150);
    const std::optional<Rect> outer = backend.GetWindowRect(dialog);
    ASSERT_TRUE(outer.has_value());
    EXPECT_EQ(outer->left, 40);
    EXPECT_EQ(outer->top, 30);
    EXPECT_GT(outer->bottom - outer->top, 150);  // the caption bar is outside

    const NativeWindow plain = Make(WindowKind::TopLevelPlain, {0, 0, 64, 48});
    const NativeWindow child = Make(WindowKind::Child, {5, 6, 25, 16}, plain);
    EXPECT_EQ(GetParent(ToHwnd(child)), ToHwnd(plain));
    EXPECT_TRUE(GetWindowLongW(ToHwnd(child), GWL_STYLE) & WS_CHILD);
    backend.SetBounds(child, {1, 2, 41, 32});
    GetClientRect(ToHwnd(child), &client);
    EXPECT_EQ(client.right, 40);
    EXPECT_EQ(client.bottom, 30);
    // The size we set is not reported back as a resize.
    EXPECT_TRUE(OfType(Poll(), EventType::Resized).empty());
    // A size set behind our back is.
    SetWindowPos(ToHwnd(child), nullptr, 0, 0, 50, 20, SWP_NOZORDER | SWP_NOMOVE);
    const auto resized = OfType(Poll(), EventType::Resized);
    ASSERT_EQ(resized.size(), 1u);
    EXPECT_EQ(resized[0].window, child);
    EXPECT_EQ(resized[0].x, 50);
    EXPECT_EQ(resized[0].y, 20);

    EXPECT_FALSE(backend.GetWindowRect(0).has_value());
    EXPECT_FALSE(backend.GetWindowRect(0x7FFFFFF0).has_value());
    EXPECT_FALSE(backend.IsWindow(0));
}

TEST_F(Win32BackendTest, KeysClicksAndCloseRequestsBecomeEvents) {
    const NativeWindow form = Make(WindowKind::TopLevelPlain, {0, 0, 100, 100});
    const NativeWindow child = Make(WindowKind::Child, {10, 10, 60, 60}, form);
    HWND f = ToHwnd(form);
    HWND c = ToHwnd(child);
    PostMessageW(f, WM_KEYDOWN, 'A', 0);
    PostMessageW(f, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(f, WM_KEYUP, VK_RETURN, 0);
    PostMessageW(c, WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(7, 9));
    PostMessageW(c, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(-3 & 0xFFFF, 12));
    PostMessageW(c, WM_RBUTTONUP, 0, MAKELPARAM(8, 9));
    PostMessageW(c, WM_MBUTTONDOWN, MK_MBUTTON | MK_CONTROL, MAKELPARAM(1, 2));
    PostMessageW(f, WM_CLOSE, 0, 0);
    backend.WaitEvents(5000);  // returns at once: messages are waiting
    const auto events = Poll();

    const auto keys = OfType(events, EventType::KeyDown);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, 'A');
    EXPECT_EQ(keys[0].window, form);
    EXPECT_EQ(keys[1].key, 27);
    ASSERT_EQ(OfType(events, EventType::KeyUp).size(), 1u);
    EXPECT_EQ(OfType(events, EventType::KeyUp)[0].key, 13);

    const auto downs = OfType(events, EventType::ButtonDown);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].window, child);
    EXPECT_EQ(downs[0].button, 2);
    EXPECT_EQ(downs[0].x, 7);
    EXPECT_EQ(downs[0].y, 9);
    EXPECT_EQ(downs[0].shift, 1);
    EXPECT_EQ(downs[1].button, 4);
    EXPECT_EQ(downs[1].shift, 2);
    const auto moves = OfType(events, EventType::Motion);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().x, -3);  // outside the window while the button is held
    EXPECT_EQ(moves.back().button, 2);
    EXPECT_EQ(OfType(events, EventType::Enter).size(), 1u);  // the first move enters
    const auto ups = OfType(events, EventType::ButtonUp);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].button, 2);

    ASSERT_EQ(OfType(events, EventType::CloseRequest).size(), 1u);
    EXPECT_TRUE(backend.IsWindow(form));  // closing is the program's decision
    EXPECT_EQ(ShiftState(true, true, true), 7);
    EXPECT_EQ(ShiftState(false, false, true), 4);
}

TEST_F(Win32BackendTest, AWindowDestroyedBehindOurBackIsReported) {
    const NativeWindow form = Make(WindowKind::TopLevelPlain, {0, 0, 50, 50});
    ::DestroyWindow(ToHwnd(form));
    const auto destroyed = OfType(Poll(), EventType::Destroyed);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].window, form);
    backend.DestroyWindow(form);  // already gone: nothing happens
    EXPECT_TRUE(OfType(Poll(), EventType::Destroyed).empty());
}

TEST_F(Win32BackendTest, APreviewBecomesAChildOfAForeignPaneAndEndsWithIt) {
    HWND pane = ForeignWindow(152, 112);
    ASSERT_NE(pane, nullptr);
    const NativeWindow preview = Make(WindowKind::TopLevelPlain, {0, 0, 10, 10});
    const std::optional<Rect> r = backend.GetWindowRect(ToNative(pane));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->right - r->left, 152);
    EXPECT_EQ(r->bottom - r->top, 112);

    backend.SetParent(preview, ToNative(pane));
    const auto style = static_cast<DWORD>(GetWindowLongW(ToHwnd(preview), GWL_STYLE));
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_POPUP);
    EXPECT_EQ(GetParent(ToHwnd(preview)), pane);
    backend.SetBounds(preview, {0, 0, 152, 112});
    backend.ShowWindow(preview, true);
    EXPECT_TRUE(IsWindowVisible(ToHwnd(preview)));
    EXPECT_EQ(backend.FindWindowByCaption("Tivaro test"), 0u);  // no longer top-level

    ::DestroyWindow(pane);
    const auto destroyed = OfType(Poll(), EventType::Destroyed);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].window, preview);
    EXPECT_FALSE(backend.IsWindow(preview));
}

TEST_F(Win32BackendTest, AWatchedForeignWindowReportsItsSizeAndItsEnd) {
    HWND host = ForeignWindow(300, 200);
    backend.WatchWindow(ToNative(host));
    EXPECT_TRUE(Poll().empty());
    SetWindowPos(host, nullptr, 0, 0, 320, 240, SWP_NOZORDER | SWP_NOMOVE);
    auto events = Poll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EventType::Resized);
    EXPECT_EQ(events[0].window, ToNative(host));
    EXPECT_EQ(events[0].x, 320);
    EXPECT_EQ(events[0].y, 240);
    ::DestroyWindow(host);
    events = Poll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EventType::Destroyed);
    EXPECT_TRUE(Poll().empty());  // reported once
}

TEST_F(Win32BackendTest, PresentedPixelsReachTheWindowWithStrideAndOffset) {
    const NativeWindow form = Make(WindowKind::TopLevelPlain, {0, 0, 40, 30});
    backend.ShowWindow(form, true);
    Poll();
    // 3 x 2 pixels in rows of 4: the fourth column must not show.
    const std::uint32_t pixels[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                    0x123456, 0x000000, 0xABCDEF, 0xFFFFFF};
    backend.Present(form, PixelView{pixels, 3, 2, 4}, {5, 7});
    HDC dc = GetDC(ToHwnd(form));
    auto at = [&](int x, int y) {
        const COLORREF c = GetPixel(dc, x, y);  // 0x00BBGGRR
        return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
    };
    EXPECT_EQ(at(5, 7), 0xFF0000u);
    EXPECT_EQ(at(6, 7), 0x00FF00u);
    EXPECT_EQ(at(7, 7), 0x0000FFu);
    EXPECT_EQ(at(5, 8), 0x123456u);
    EXPECT_EQ(at(7, 8), 0xABCDEFu);
    EXPECT_NE(at(8, 7), 0xFFFFFFu);  // outside the image
    ReleaseDC(ToHwnd(form), dc);
    backend.Present(form, PixelView{nullptr, 0, 0, 0}, {0, 0});  // nothing to show
}

TEST_F(Win32BackendTest, ARepaintShowsACopyOfTheLastPresentedImageAtOnce) {
    WindowDesc desc;
    desc.kind = WindowKind::TopLevelPlain;
    desc.bounds = {0, 0, 40, 30};
    desc.back_colour = 0x00008000;  // RGB(0, 128, 0)
    const NativeWindow form = backend.MakeWindow(desc);
    backend.ShowWindow(form, true);
    Poll();
    std::uint32_t first[] = {0x111111, 0x222222};
    backend.Present(form, PixelView{first, 2, 1, 2}, {1, 1});
    // The last image counts, with its own place; the rows' padding is not kept.
    std::uint32_t pixels[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                              0x123456, 0x000000, 0xABCDEF, 0xFFFFFF};
    backend.Present(form, PixelView{pixels, 3, 2, 4}, {5, 7});
    pixels[0] = 0x444444;  // the caller's buffer may change: the window keeps its copy

    // Everything is invalidated and erased: the system repaints at once, without waiting
    // for the program to poll.
    HWND hwnd = ToHwnd(form);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    HDC dc = GetDC(hwnd);
    auto at = [&](int x, int y) {
        const COLORREF c = GetPixel(dc, x, y);  // 0x00BBGGRR
        return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
    };
    EXPECT_EQ(at(5, 7), 0xFF0000u);
    EXPECT_EQ(at(7, 7), 0x0000FFu);
    EXPECT_EQ(at(5, 8), 0x123456u);
    EXPECT_EQ(at(7, 8), 0xABCDEFu);
    EXPECT_EQ(at(8, 7), 0x008000u);  // the back colour beside the image
    EXPECT_EQ(at(1, 1), 0x008000u);  // and where the earlier image was
    ReleaseDC(hwnd, dc);
    const auto paints = OfType(Poll(), EventType::Paint);
    ASSERT_FALSE(paints.empty());  // the program still hears of it
    EXPECT_EQ(paints[0].window, form);
}

// Ends the system's modal loop the test is in, as the Escape key does.
void EndSystemLoop() {
    PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
}

// Should the hook never run, this ends the loop all the same (and the test fails).
bool g_loop_ended_by_guard = false;
void CALLBACK GuardEndsTheLoop(HWND, UINT, UINT_PTR, DWORD) {
    g_loop_ended_by_guard = true;
    EndSystemLoop();
}

TEST_F(Win32BackendTest, TheHookRunsWhileTheSystemMovesAWindowOrTracksAMenu) {
    const NativeWindow dialog = Make(WindowKind::TopLevelDialog, {100, 100, 300, 250});
    const NativeWindow plain = Make(WindowKind::TopLevelPlain, {400, 100, 500, 200});
    backend.ShowWindow(dialog, true);
    Poll();
    HWND hwnd = ToHwnd(dialog);
    int calls = 0;
    backend.SetModalLoopHook([&] {
        if (++calls == 3) EndSystemLoop();
    });
    const UINT_PTR guard = SetTimer(nullptr, 0, 5000, &GuardEndsTheLoop);

    // The system menu's Move, from the keyboard: the system's loop runs until Escape.
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE, 0);
    EXPECT_FALSE(g_loop_ended_by_guard);
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(KillTimer(hwnd, kModalLoopTimer));  // stopped with the loop

    calls = 0;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"One");
    AppendMenuW(menu, MF_STRING, 2, L"Two");
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, hwnd, nullptr), 0);
    DestroyMenu(menu);
    EXPECT_FALSE(g_loop_ended_by_guard);
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(KillTimer(hwnd, kModalLoopTimer));

    // Messages that only look like a loop's: the timer starts and stops on each window.
    SendMessageW(ToHwnd(plain), WM_ENTERMENULOOP, FALSE, 0);
    SendMessageW(ToHwnd(plain), WM_ENTERSIZEMOVE, 0, 0);
    SendMessageW(ToHwnd(plain), WM_EXITMENULOOP, FALSE, 0);
    SendMessageW(ToHwnd(plain), WM_TIMER, kModalLoopTimer, 0);
    EXPECT_EQ(calls, 4);
    SendMessageW(ToHwnd(plain), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(KillTimer(ToHwnd(plain), kModalLoopTimer));  // the last loop stopped it
    KillTimer(nullptr, guard);
}

TEST_F(Win32BackendTest, PointersFollowTheWindowOrItsParent) {
    const NativeWindow form = Make(WindowKind::TopLevelPlain, {0, 0, 100, 100});
    const NativeWindow child = Make(WindowKind::Child, {10, 10, 60, 60}, form);
    auto cursor_over = [&](NativeWindow window) {
        SendMessageW(ToHwnd(window), WM_SETCURSOR, reinterpret_cast<WPARAM>(ToHwnd(window)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursor_over(child), LoadCursorW(nullptr, IDC_ARROW));
    backend.SetPointer(form, Pointer::Busy);
    EXPECT_EQ(cursor_over(child), LoadCursorW(nullptr, IDC_WAIT));  // inherited
    backend.SetHandPicture(StoredHand());
    backend.SetPointer(child, Pointer::Hand);
    EXPECT_EQ(cursor_over(child), backend.HandCursor());
    EXPECT_NE(cursor_over(child), LoadCursorW(nullptr, IDC_HAND));  // the program's own hand
    EXPECT_EQ(cursor_over(form), LoadCursorW(nullptr, IDC_WAIT));
    backend.SetPointer(child, Pointer::Hidden);
    EXPECT_EQ(cursor_over(child), nullptr);
    backend.SetPointer(form, Pointer::Default);
    backend.SetPointer(child, Pointer::Default);
    EXPECT_EQ(cursor_over(child), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Win32BackendTest, TheIconAndTheWindowUnderThePointer) {
    const NativeWindow form = Make(WindowKind::TopLevelPlain, {300, 200, 400, 300});
    const NativeWindow child = Make(WindowKind::Child, {10, 10, 60, 60}, form);
    backend.ShowWindow(form, true);
    Poll();
    EXPECT_EQ(backend.WindowFromPoint({330, 230}), form);  // a hidden child is not hit
    backend.ShowWindow(child, true);
    EXPECT_EQ(backend.WindowFromPoint({330, 230}), child);
    EXPECT_EQ(backend.WindowFromPoint({390, 290}), form);
    SetCursorPos(333, 222);
    const Point p = backend.CursorPos();
    EXPECT_EQ(p.x, 333);
    EXPECT_EQ(p.y, 222);

    EXPECT_EQ(SendMessageW(ToHwnd(form), WM_GETICON, ICON_BIG, 0), 0);
    std::vector<std::uint32_t> icon(32 * 32, 0x336699);
    backend.SetIcon(form, PixelView{icon.data(), 32, 32, 32});
    EXPECT_NE(SendMessageW(ToHwnd(form), WM_GETICON, ICON_BIG, 0), 0);
    backend.SetIcon(form, PixelView{icon.data(), 32, 32, 32});  // the old icon is replaced
}

// The cursor's one-bit planes as the system keeps them: the AND rows over the XOR rows.
std::vector<BYTE> Planes(HCURSOR cursor) {
    ICONINFO ii{};
    EXPECT_TRUE(GetIconInfo(cursor, &ii));
    BITMAP mask{};
    GetObjectW(ii.hbmMask, sizeof(mask), &mask);
    std::vector<BYTE> bits(static_cast<std::size_t>(mask.bmWidthBytes) * mask.bmHeight);
    GetBitmapBits(ii.hbmMask, static_cast<LONG>(bits.size()), bits.data());
    if (ii.hbmColor != nullptr) DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    return bits;
}

// The cursor the stored hand.cur makes (its one image: a BITMAPINFOHEADER and its bits
// after the 6-byte header and the 16-byte entry, the hot spot given as two WORDs before it).
HCURSOR CursorOfStoredFile() {
    const std::span<const unsigned char> cur = assets::Find("hand.cur");
    const WORD hot[2] = {static_cast<WORD>(cur[10] | cur[11] << 8),
                         static_cast<WORD>(cur[12] | cur[13] << 8)};
    std::vector<BYTE> resource(reinterpret_cast<const BYTE*>(hot),
                               reinterpret_cast<const BYTE*>(hot) + sizeof(hot));
    resource.insert(resource.end(), cur.begin() + 22, cur.end());
    return reinterpret_cast<HCURSOR>(
        CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), FALSE,
                                 0x00030000, 32, 32, LR_DEFAULTCOLOR));
}

TEST(Win32Cursor, TheHandIsTheProgramsPictureWithItsHotSpot) {
    Win32Backend backend;
    backend.SetHandPicture(StoredHand());
    HCURSOR hand = backend.HandCursor();
    ASSERT_NE(hand, nullptr);
    EXPECT_NE(hand, LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(backend.HandCursor(), hand);  // made once
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(hand, &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 12u);
    EXPECT_EQ(ii.yHotspot, 1u);
    BITMAP mask{};
    ASSERT_NE(GetObjectW(ii.hbmMask, sizeof(mask), &mask), 0);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(ii.hbmColor, nullptr);
    EXPECT_EQ(mask.bmHeight, 64);  // monochrome: AND over XOR
    DeleteObject(ii.hbmMask);

    // Pixel for pixel the pointer that the stored cursor file makes.
    HCURSOR from_file = CursorOfStoredFile();
    ASSERT_NE(from_file, nullptr);
    const std::vector<BYTE> planes = Planes(hand);
    EXPECT_EQ(planes, Planes(from_file));
    DestroyCursor(from_file);
    EXPECT_NE(std::count(planes.begin(), planes.end(), BYTE{0xFF}), 0) << "see-through parts";
    EXPECT_NE(std::count(planes.begin(), planes.end(), BYTE{0}), 0) << "black parts";
}

TEST(Win32Cursor, TheHotSpotIsThePicturesAndNoPictureMakesTheSystemsHand) {
    PointerPicture moved = StoredHand();
    moved.hot_spot = {3, 30};
    HCURSOR cursor = CursorFromPicture(moved);
    ASSERT_NE(cursor, nullptr);
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(cursor, &ii));
    EXPECT_EQ(ii.xHotspot, 3u);
    EXPECT_EQ(ii.yHotspot, 30u);
    if (ii.hbmColor != nullptr) DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    DestroyCursor(cursor);

    EXPECT_EQ(CursorFromPicture({}), nullptr);
    PointerPicture short_of_pixels = StoredHand();
    short_of_pixels.pixels.pop_back();
    EXPECT_EQ(CursorFromPicture(short_of_pixels), nullptr);
    Win32Backend backend;  // handed no picture
    EXPECT_EQ(backend.HandCursor(), LoadCursorW(nullptr, IDC_HAND));
}

}  // namespace
}  // namespace tivaro::platform::win32
