// The display scale: the dialog laid out as at 96 DPI and drawn at 120, 144 and 192; the
// preview still filling its pane at 192; the surface's conversion; Xft.dpi.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/velkor_r.h"
#include "toolkit/forms/application.h"
#include "toolkit/runtime/numeric.h"
#include "platform/scale/display_scale.h"
#include "platform/testing/recording_backend.h"
#include "settings/velkor_p.h"

namespace tivaro {
namespace {

// A presented pixel (0x00RRGGBB) at a device point of a window.
std::uint32_t Shown(platform::testing::RecordingBackend& backend, const forms::Widget& w,
                    std::int32_t width, std::int32_t x, std::int32_t y) {
    return backend.presented.at(w.hWnd()).at(static_cast<std::size_t>(y * width + x));
}

// Rows, from the top, of the first and last pixel within a column that is not `back`.
std::pair<std::int32_t, std::int32_t> InkRows(const gfx::Surface& frame, std::int32_t x0,
                                              std::int32_t x1, std::uint32_t back) {
    std::int32_t first = -1, last = -1;
    for (std::int32_t y = 0; y < frame.device_height(); ++y) {
        for (std::int32_t x = x0; x < x1; ++x) {
            if (frame.pixels()[y * frame.device_width() + x] != back) {
                if (first < 0) first = y;
                last = y;
            }
        }
    }
    return {first, last};
}

class DialogAtScale : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(DialogAtScale, LaysOutAsAt96AndDrawsAtTheDisplaysResolution) {
    const std::int32_t dpi = GetParam();
    const double s = dpi / 96.0;
    platform::testing::RecordingBackend backend;
    backend.dpi = dpi;
    settings::Velkor_P dialog;
    dialog.Load();
    forms::Application::Get().DoEvents();

    // The layout is the 96-DPI one; twips per layout pixel stay 15, and the display's
    // twips per pixel is the real 1440 / DPI.
    EXPECT_EQ(dialog.Width(), 413);
    EXPECT_EQ(dialog.Height(), 359);
    EXPECT_DOUBLE_EQ(dialog.TwipsPerPixelX(), 15.0);
    EXPECT_DOUBLE_EQ(platform::WindowSystem::TwipsPerPixel(dpi), 1440.0 / dpi);
    EXPECT_EQ(dialog.WidthTwips(), 6285);

    // The window: a client area of 413 x 359 times the scale, within a pixel.
    const platform::Rect client = backend.windows.at(dialog.hWnd()).desc.bounds;
    const auto& calls = backend.calls;
    std::string last_bounds;
    for (const std::string& c : calls) {
        if (c.rfind("SetBounds " + std::to_string(dialog.hWnd()) + " ", 0) == 0) last_bounds = c;
    }
    const std::int32_t cw = dialog.Image().device_width();
    const std::int32_t ch = dialog.Image().device_height();
    EXPECT_NEAR(cw, 413 * s, 1.0);
    EXPECT_NEAR(ch, 359 * s, 1.0);
    EXPECT_NE(last_bounds.find(std::to_string(cw) + "x" + std::to_string(ch)), std::string::npos)
        << last_bounds;
    (void)client;

    // Controls at their 96-DPI places times the scale.
    const platform::Rect view = backend.windows.at(dialog.picWindow.hWnd()).desc.bounds;
    EXPECT_NEAR(view.left, 16 * s, 1.0);
    EXPECT_NEAR(view.top, 20 * s, 1.0);
    EXPECT_NEAR(view.right - view.left, 377 * s, 1.0);
    EXPECT_NEAR(view.bottom - view.top, 285 * s, 1.0);
    const platform::Rect button = backend.windows.at(dialog.Cmd_Can.hWnd()).desc.bounds;
    EXPECT_NEAR(button.left, 320 * s, 1.0);
    EXPECT_NEAR(button.top, 316 * s, 1.0);
    const std::int32_t bw = rt::RoundToI32(73 * s);
    const std::int32_t bh = rt::RoundToI32(25 * s);
    EXPECT_EQ(button.right - button.left, bw);
    EXPECT_EQ(button.bottom - button.top, bh);

    // The button's skin is whole: its dark-blue outline crosses the middle of all four
    // edges within the skin's 4-pixel frame.
    dialog.Cmd_Can.Refresh();
    const std::uint32_t outline = 0x003C74;
    const std::int32_t frame_px = rt::RoundToI32(4 * s);
    auto crosses = [&](auto point) {
        for (std::int32_t i = 0; i < frame_px; ++i) {
            if (point(i) == outline) return true;
        }
        return false;
    };
    auto at = [&](std::int32_t x, std::int32_t y) {
        return Shown(backend, dialog.Cmd_Can, bw, x, y);
    };
    EXPECT_TRUE(crosses([&](std::int32_t i) { return at(bw / 2, i); })) << "top";
    EXPECT_TRUE(crosses([&](std::int32_t i) { return at(bw / 2, bh - 1 - i); })) << "bottom";
    EXPECT_TRUE(crosses([&](std::int32_t i) { return at(i, bh / 2); })) << "left";
    EXPECT_TRUE(crosses([&](std::int32_t i) { return at(bw - 1 - i, bh / 2); })) << "right";

    // The credit line's text is rasterised for the DPI: its ink is about s times as tall
    // as at 96 DPI (9 px of ink there), not stretched pixels of it.
    gfx::Surface frame(dialog.lbl.Width(), dialog.lbl.Height(), gfx::RGB(0, 0, 0), s);
    dialog.lbl.PaintOver(frame, 0, 0);
    const auto [top, bottom] = InkRows(frame, 0, frame.device_width(), 0);
    ASSERT_GE(top, 0);
    gfx::Surface base(dialog.lbl.Width(), dialog.lbl.Height(), gfx::RGB(0, 0, 0));
    dialog.lbl.PaintOver(base, 0, 0);
    const auto [base_top, base_bottom] = InkRows(base, 0, base.device_width(), 0);
    const double height = bottom - top + 1;
    const double base_height = base_bottom - base_top + 1;
    EXPECT_NEAR(height, base_height * s, 0.2 * base_height * s);
    EXPECT_EQ(text::OpenFont(*dialog.lbl.Font(), dpi)->PixelSize(),
              text::PointsToPixels(9.75, dpi));
    // Each label, fitted to its text as drawn at this DPI, keeps its caption on one line:
    // broken by the same font at the same width.
    for (const forms::Label* label : {&dialog.lbl, &dialog.lbl_URL}) {
        EXPECT_EQ(label->Lines(), std::vector<std::string>{label->Caption()}) << label->Caption();
    }

    // The gradient, drawn per layout row: device row r shows layout row floor(r / s).
    const gfx::Surface& image = dialog.Image();
    for (std::int32_t y : {0, 1, 100, 179, 358}) {
        const std::int32_t row = image.ToDevice(y);
        EXPECT_EQ(image.pixels()[row * image.device_width() + 4],
                  image.pixels()[image.ToDevice(y) * image.device_width() + cw - 2])
            << "row " << y;
        const std::uint32_t v = (image.pixels()[row * image.device_width() + 4] >> 8) & 0xFF;
        const std::uint32_t base_v = static_cast<std::uint32_t>(
            rt::RoundToI16(std::abs(220.0 * std::sin(y / (359.0 / 3.142)))));
        EXPECT_EQ(v, base_v) << "row " << y;
    }
    dialog.Unload();
}

INSTANTIATE_TEST_SUITE_P(Dpis, DialogAtScale, ::testing::Values(96, 120, 144, 192));

TEST(DisplayScale, ADpiChangeRedrawsTheDialogAtTheNewScaleKeepingItsLayout) {
    platform::testing::RecordingBackend backend;
    settings::Velkor_P dialog;
    dialog.Load();
    backend.Queue(platform::Event{platform::EventType::DpiChanged, dialog.hWnd(), 192, 0});
    forms::Application::Get().DoEvents();
    EXPECT_EQ(dialog.Width(), 413);
    EXPECT_EQ(dialog.Image().device_width(), 826);
    EXPECT_EQ(dialog.Image().device_height(), 718);
    EXPECT_EQ(dialog.Cmd_Can.Image().device_width(), 146);
    EXPECT_EQ(
        backend.Count("SetBounds " + std::to_string(dialog.Cmd_Can.hWnd()) + " 640,632,146x50"), 1);
    // Moved on to monitors of other scales, the labels still hold their captions on one line.
    for (const std::int32_t dpi : {120, 144}) {
        backend.Queue(platform::Event{platform::EventType::DpiChanged, dialog.hWnd(), dpi, 0});
        forms::Application::Get().DoEvents();
        for (const forms::Label* label : {&dialog.lbl, &dialog.lbl_URL}) {
            EXPECT_EQ(label->Lines(), std::vector<std::string>{label->Caption()}) << dpi;
        }
    }
    dialog.Unload();
}

// The system's DPI (fixed at sign-in) and the one the dialog's window shows at differ: it
// lays itself out at its window's, labels fitted again, and opens where it would had the
// user signed in at its window's DPI: in the middle of the monitor, inside it, on a large
// monitor and on a laptop's 1366 x 768 (at 192 DPI the dialog is taller than that: its
// caption bar stays on the screen).
TEST(DisplayScale, ADialogShowingAtAnotherDpiThanTheSystemsLaysItselfOutAtItsWindows) {
    const auto open = [](std::int32_t system, std::int32_t window, platform::Rect monitor,
                         const std::string& at) {
        platform::testing::RecordingBackend backend;
        backend.monitors = {monitor};
        backend.system_dpi = system;
        backend.dpi = window;
        settings::Velkor_P dialog;
        dialog.Load();
        forms::Application::Get().DoEvents();
        const double s = window / 96.0;
        EXPECT_EQ(dialog.Width(), 413) << at;
        EXPECT_EQ(dialog.Image().device_width(), rt::RoundToI32(413 * s)) << at;
        for (const forms::Label* label : {&dialog.lbl, &dialog.lbl_URL}) {
            EXPECT_EQ(label->Lines(), std::vector<std::string>{label->Caption()}) << at;
        }
        const platform::Rect r = backend.windows.at(dialog.hWnd()).desc.bounds;
        dialog.Unload();
        return r;
    };
    for (const auto& [system, window, monitor] :
         {std::tuple{144, 96, platform::Rect{0, 0, 1920, 1080}},
          std::tuple{96, 144, platform::Rect{0, 0, 1920, 1080}},
          std::tuple{96, 192, platform::Rect{0, 0, 1920, 1080}},
          std::tuple{192, 120, platform::Rect{0, 0, 1920, 1080}},
          std::tuple{96, 168, platform::Rect{0, 0, 1366, 768}},
          std::tuple{96, 192, platform::Rect{0, 0, 1366, 768}}}) {
        const std::string at = std::to_string(system) + " / " + std::to_string(window) + " on " +
                               std::to_string(monitor.right) + "x" + std::to_string(monitor.bottom);
        const platform::Rect r = open(system, window, monitor, at);
        const platform::Rect want = open(window, window, monitor, at + " (signed in at it)");
        const std::string where = at + ": " + std::to_string(r.left) + "," + std::to_string(r.top) +
                                  " " + std::to_string(r.right) + "," + std::to_string(r.bottom) +
                                  ", signed in at it " + std::to_string(want.left) + "," +
                                  std::to_string(want.top);
        EXPECT_NEAR(r.left, want.left, 3) << where;
        EXPECT_NEAR(r.top, want.top, 3) << where;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= monitor.right) << where;
        if (r.bottom - r.top <= monitor.bottom) {
            EXPECT_LE(r.bottom, monitor.bottom) << where;
        }
    }
}

// A 1024-wide monitor on the left and a 1920-wide primary on its right: the dialog is
// asked for in the middle of the primary monitor, at every scale combination.
TEST(DisplayScale, TheDialogOpensInTheMiddleOfAPrimaryMonitorThatIsNotAtTheOrigin) {
    for (const auto& [system, window] :
         {std::pair{96, 96}, std::pair{144, 96}, std::pair{96, 144}, std::pair{144, 144}}) {
        platform::testing::RecordingBackend backend;
        backend.monitors = {{1024, 0, 2944, 1080}, {0, 0, 1024, 768}};  // the primary first
        backend.system_dpi = system;
        backend.dpi = window;
        settings::Velkor_P dialog;
        dialog.Load();
        const std::string at = std::to_string(system) + " / " + std::to_string(window);
        const platform::Rect r = backend.windows.at(dialog.hWnd()).desc.bounds;
        EXPECT_TRUE(r.left >= 1024 && r.top >= 0 && r.right <= 2944 && r.bottom <= 1080)
            << at << ": " << r.left << "," << r.top << " " << r.right << "," << r.bottom;
        if (system == window) {
            const double centre = (r.left + r.right) / 2.0;
            EXPECT_NEAR(centre, (1024 + 2944) / 2.0, 6 * window / 96.0) << at;
        }
        dialog.Unload();
    }
}

TEST(DisplayScale, ThePreviewStillFillsItsShareOfAPaneAt192Dpi) {
    platform::testing::RecordingBackend backend;
    constexpr platform::NativeWindow kPane = 0x4242;
    backend.foreign_windows[kPane] = platform::Rect{0, 0, 304, 224};
    backend.window_dpi[kPane] = 192;
    app::HostPreview(static_cast<std::int32_t>(kPane));
    forms::Application::Get().DoEvents();
    app::Velkor_R& form = app::Velkor_R::Instance();
    EXPECT_EQ(form.Width(), 152);
    EXPECT_EQ(form.Height(), 112);
    const auto& shown = backend.presented.at(form.hWnd());
    ASSERT_EQ(shown.size(), 304u * 224u);
    // Each pixel of the still is a 2 x 2 block, and the blocks cover the whole pane.
    const gfx::Surface& still = form.Img_Prev.Picture();
    std::int32_t mismatches = 0;
    for (std::int32_t y = 0; y < 224; ++y) {
        for (std::int32_t x = 0; x < 304; ++x) {
            if (shown[static_cast<std::size_t>(y * 304 + x)] !=
                still.pixels()[(y / 2) * still.width() + x / 2]) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    form.SetDpi(96);  // the form is the program's one instance: as the next test expects it
    form.Unload();
}

TEST(DisplayScale, SurfaceDrawsLayoutPixelsAsBlocksOfDevicePixels) {
    gfx::Surface s(10, 4, gfx::RGB(0, 0, 0), 1.5);
    EXPECT_EQ(s.device_width(), 15);
    EXPECT_EQ(s.device_height(), 6);
    s.FillRect(1, 1, 2, 1, gfx::RGB(255, 0, 0));  // device columns 2..4 (1.5 -> 2, 4.5 -> 4)
    std::int32_t red = 0;
    for (std::int32_t i = 0; i < 15 * 6; ++i) red += s.pixels()[i] == 0xFF0000 ? 1 : 0;
    EXPECT_EQ(red, 2 * 1 + 0);  // columns 2, 3; row 2 (1.5 rounds to 2, 3 ends it)
    EXPECT_EQ(s.Point(1, 1), gfx::RGB(255, 0, 0));
    // A picture copied across scales: masks stay black and white at a fractional scale.
    gfx::Surface mask(2, 1, gfx::RGB(255, 255, 255));
    mask.SetPixel(0, 0, 0);
    gfx::Surface view(2, 1, gfx::RGB(10, 20, 30), 1.25);
    view.BitBlt(0, 0, 2, 1, mask, 0, 0, gfx::RasterOp::SrcAnd);
    for (std::int32_t i = 0; i < view.device_width(); ++i) {
        const std::uint32_t p = view.pixels()[i];
        EXPECT_TRUE(p == 0 || p == 0x0A141E) << i;
    }
}

TEST(DisplayScale, XftDpiFromTheResourceString) {
    EXPECT_EQ(platform::DpiFromResources(""), 96);
    EXPECT_EQ(platform::DpiFromResources("Xft.antialias:\t1\nXft.dpi:\t192\n"), 192);
    EXPECT_EQ(platform::DpiFromResources("Xft.dpi: 120.4\n"), 120);
    EXPECT_EQ(platform::DpiFromResources("Xft.dpi:\tnonsense\n"), 96);
    EXPECT_EQ(platform::DpiFromResources("Xft.dpi: 5000\n"), 96);
    EXPECT_EQ(platform::DpiFromResources("Xft.dpiX: 192\n"), 96);
}

}  // namespace
}  // namespace tivaro
