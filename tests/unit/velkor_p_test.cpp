// The credits dialog against the recording backend: its load, its labels and link, the
// Exit button, and what a tick of its timer draws and shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "toolkit/forms/application.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"
#include "settings/velkor_p.h"
#include "sprite_test_scene.h"

namespace tivaro::settings {
namespace {

using platform::Event;
using platform::EventType;
using Clock = forms::Application::Clock;

// A backend whose opener can be made to fail the way a missing handler would.
struct Backend : platform::testing::RecordingBackend {
    void OpenAddress(std::string_view address) override {
        RecordingBackend::OpenAddress(address);
        if (fail_open) throw rt::RuntimeError(rt::ErrorNumber::InvalidProcedureCall);
    }
    bool fail_open = false;
};

// A presented pixel (0x00RRGGBB) in the runtime's colour order.
gfx::Colour AsColour(std::uint32_t pixel) {
    return gfx::RGB(pixel >> 16, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

class VelkorP : public ::testing::Test {
protected:
    ~VelkorP() override { dialog.Unload(); }

    std::string Id(const forms::Widget& w) const { return std::to_string(w.hWnd()); }
    void Send(const forms::Widget& target, EventType type, std::int32_t x, std::int32_t y) {
        backend.Queue(Event{type, target.hWnd(), x, y, 1});
        forms::Application::Get().DoEvents();
    }
    void Click(const forms::Widget& target, std::int32_t x, std::int32_t y) {
        Send(target, EventType::Motion, x, y);
        Send(target, EventType::ButtonDown, x, y);
        Send(target, EventType::ButtonUp, x, y);
    }
    // The pointer changes and openings asked for since the last call.
    std::vector<std::string> PointerAndOpen() {
        std::vector<std::string> out;
        for (; seen < backend.calls.size(); ++seen) {
            const std::string& c = backend.calls[seen];
            if (c.rfind("SetPointer", 0) == 0 || c.rfind("OpenAddress", 0) == 0) out.push_back(c);
        }
        return out;
    }
    gfx::Colour Shown(const forms::Widget& w, std::int32_t x, std::int32_t y) {
        return AsColour(
            backend.presented.at(w.hWnd()).at(static_cast<std::size_t>(y * w.Width() + x)));
    }

    Backend backend;
    Velkor_P dialog;
    std::size_t seen = 0;
};

TEST_F(VelkorP, LoadPaintsTheBackgroundPerSizeChangeThenStartsTheButtonAndMeasuresTheSprites) {
    dialog.Load();
    const std::string id = Id(dialog);
    const std::vector<std::string> tail(backend.calls.end() - 4, backend.calls.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{
                  "SetBounds " + id + " 302,188,413x359", "Present " + id + " 413x359 at 0,0",
                  "SetBounds " + id + " 302,188,413x359", "Present " + id + " 413x359 at 0,0"}));
    EXPECT_EQ(dialog.WidthTwips(), 6285);
    EXPECT_EQ(dialog.HeightTwips(), 5865);
    // Its icon, our burst of fragments, goes with the window.
    EXPECT_EQ(backend.Count("SetIcon " + id + " 32x32"), 1);
    EXPECT_EQ(dialog.Image().Point(412, 0), gfx::RGB(0, 0, 30));
    EXPECT_EQ(dialog.Image().Point(0, 179), gfx::RGB(220, 220, 250));

    EXPECT_EQ(dialog.Cmd_Can.State(), controls::Command::Idle);
    EXPECT_TRUE(dialog.Cmd_Can.TmrMouse().Enabled());
    EXPECT_EQ(dialog.spheres[240].angle, 720.0f);
    EXPECT_EQ(dialog.spheres[7].width, 10);
    EXPECT_EQ(dialog.spheres[7].height, 9);
    for (std::size_t k = 0; k < kAtomCount; ++k) {
        EXPECT_EQ(dialog.atoms[k].width, testing::kAtomSizes[k][0]) << k;
        EXPECT_EQ(dialog.atoms[k].height, testing::kAtomSizes[k][1]) << k;
    }
    EXPECT_EQ(dialog.viewWidth, 373);  // picWindow's inside its sunken border
    EXPECT_EQ(dialog.viewHeight, 281);
    EXPECT_EQ(dialog.loopIndex, 6);  // one index for every loop: the atoms' came last

    // The timer is left alone, and no frame exists before its first tick.
    EXPECT_TRUE(dialog.tmrTimer.Enabled());
    EXPECT_EQ(dialog.tmrTimer.Interval(), 1);
    EXPECT_EQ(dialog.spheres[0].angle, 0.0f);
    const gfx::Surface& view = dialog.picWindow.Image();
    for (std::int32_t y = 0; y < view.height(); y += 7) {
        for (std::int32_t x = 0; x < view.width(); x += 7) {
            ASSERT_EQ(view.Point(x, y), kViewBackColour) << x << "," << y;
        }
    }
}

TEST_F(VelkorP, TheViewComesFirstInTabOrderAndTheExitButtonLast) {
    dialog.Show();
    EXPECT_EQ(backend.windows.at(dialog.hWnd()).desc.caption, "Tivaro\uFF1F\u306E\u8A2D\u5B9A");
    EXPECT_TRUE(backend.windows.at(dialog.picWindow.hWnd()).desc.sunken_border);
    // Its stored properties make the button an enabled "Exit" in the gothic face.
    EXPECT_EQ(dialog.Cmd_Can.Caption(), "Exit");
    EXPECT_EQ(dialog.Cmd_Can.Font()->name, text::kUiGothicFace);
    EXPECT_EQ(dialog.Cmd_Can.EnabledFlag(), rt::kTrue);

    EXPECT_EQ(dialog.FocusedWidget(), &dialog.picWindow);
    dialog.FocusNext();
    EXPECT_EQ(dialog.FocusedWidget(), &dialog.Cmd_Can);
    dialog.FocusNext();
    EXPECT_EQ(dialog.FocusedWidget(), &dialog.picWindow);
}

TEST_F(VelkorP, LabelsShowTheCreditAndTheUnderlinedLinkOverTheGradient) {
    EXPECT_EQ(dialog.lbl.Caption(), "Designed by Ordune Ver.1.0.0");
    EXPECT_EQ(dialog.lbl_URL.Caption(), kHomePage);
    for (forms::Label* label : {&dialog.lbl, &dialog.lbl_URL}) {
        EXPECT_EQ(label->Font()->size, 9.75);
        EXPECT_EQ(label->Font()->underline, label == &dialog.lbl_URL);
    }
    EXPECT_NE(dialog.lbl.Font(), dialog.lbl_URL.Font());  // each its own font object
    // Grown where the stand-in face is wider or taller, never shrunk: each caption is
    // one whole line, and the cell (with the underline) fits.
    for (forms::Label* label : {&dialog.lbl, &dialog.lbl_URL}) {
        EXPECT_EQ(label->Lines(), std::vector<std::string>{label->Caption()});
        EXPECT_GE(label->Height(), text::OpenFont(*label->Font())->Measure("Ag").height);
    }
    EXPECT_GE(dialog.lbl.Width(), 165);
    EXPECT_GE(dialog.lbl_URL.Width(), 214);

    dialog.Show();
    dialog.Refresh();
    // White ink in the credit line, the link colour in the link with one row of it
    // running under the whole address; the background shows between the letters.
    auto count = [&](const forms::Label& label, gfx::Colour colour, std::int32_t& longestRow) {
        const platform::Rect r = label.Bounds();
        std::int32_t all = 0;
        longestRow = 0;
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            std::int32_t row = 0;
            for (std::int32_t x = r.left; x < r.right; ++x) row += Shown(dialog, x, y) == colour;
            all += row;
            longestRow = std::max(longestRow, row);
        }
        return all;
    };
    std::int32_t creditRow = 0;
    std::int32_t linkRow = 0;
    EXPECT_GT(count(dialog.lbl, gfx::RGB(255, 255, 255), creditRow), 150);
    EXPECT_GT(count(dialog.lbl_URL, gfx::RGB(255, 255, 192), linkRow), 150);
    EXPECT_LT(creditRow, 100);  // no rule under the credit line
    EXPECT_GT(linkRow, 150);    // the underline
    const platform::Rect r = dialog.lbl.Bounds();
    EXPECT_EQ(Shown(dialog, r.right - 1, r.top), dialog.Image().Point(r.right - 1, r.top));
}

TEST_F(VelkorP, TheLinkShowsTheHandAndOpensTheAddressOnceBetweenBusyAndDefault) {
    dialog.Show();
    const std::string id = Id(dialog);
    PointerAndOpen();
    Send(dialog, EventType::Motion, 30, 334);
    Send(dialog, EventType::Motion, 31, 334);
    EXPECT_EQ(PointerAndOpen(), std::vector<std::string>{"SetPointer " + id + " 2"});
    Send(dialog, EventType::Motion, 30, 318);  // the credit line
    EXPECT_EQ(PointerAndOpen(), std::vector<std::string>{"SetPointer " + id + " 0"});
    // Straight from the link into the child windows, which take the dialog's pointer.
    for (const forms::Widget* child : {static_cast<forms::Widget*>(&dialog.picWindow),
                                       static_cast<forms::Widget*>(&dialog.Cmd_Can)}) {
        Send(dialog, EventType::Motion, 30, 334);
        Send(*child, EventType::Motion, 5, 20);
        EXPECT_EQ(PointerAndOpen(),
                  (std::vector<std::string>{"SetPointer " + id + " 2", "SetPointer " + id + " 0"}));
    }

    Click(dialog, 30, 334);
    EXPECT_EQ(PointerAndOpen(),
              (std::vector<std::string>{"SetPointer " + id + " 2", "SetPointer " + id + " 1",
                                        "OpenAddress https://tivaro.example.org/",
                                        "SetPointer " + id + " 0"}));
    EXPECT_EQ(backend.opened_addresses, std::vector<std::string>{dialog.lbl_URL.Caption()});
    EXPECT_TRUE(dialog.IsLoaded());
    Send(dialog, EventType::Motion, 32, 334);  // the hand comes back on the next move
    EXPECT_EQ(PointerAndOpen(), std::vector<std::string>{"SetPointer " + id + " 2"});

    // An address nobody can open: no message, the pointer restored, the dialog open.
    backend.fail_open = true;
    Click(dialog, 30, 334);
    EXPECT_EQ(PointerAndOpen(), (std::vector<std::string>{"SetPointer " + id + " 1",
                                                          "OpenAddress https://tivaro.example.org/",
                                                          "SetPointer " + id + " 0"}));
    EXPECT_TRUE(dialog.IsLoaded());
}

TEST_F(VelkorP, ExitUnloadsTheModalDialogAndStopsTheTimer) {
    // The modal show returns once the button has been clicked.
    backend.on_poll = [&](platform::testing::RecordingBackend& b) {
        if (dialog.Cmd_Can.hWnd() == 0 || !b.queued_events.empty()) return;
        for (EventType type : {EventType::Motion, EventType::ButtonDown, EventType::ButtonUp}) {
            b.Queue(Event{type, dialog.Cmd_Can.hWnd(), 30, 12, 1});
        }
    };
    dialog.Load();
    const platform::NativeWindow window = dialog.hWnd();
    dialog.ShowModal();
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_TRUE(backend.windows.at(window).destroyed);
    EXPECT_FALSE(dialog.tmrTimer.Enabled());
    EXPECT_FALSE(dialog.tmrTimer.Due(Clock::now() + std::chrono::hours(1)));
}

TEST_F(VelkorP, ACloseRequestStopsTheTimerToo) {
    dialog.Show();
    Send(dialog, EventType::CloseRequest, 0, 0);
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_FALSE(dialog.tmrTimer.Enabled());
}

TEST_F(VelkorP, EscapeClosesItWhileEnterAndSpaceOnAFocusedExitDoNothing) {
    dialog.Show();
    dialog.FocusNext();
    ASSERT_EQ(dialog.FocusedWidget(), &dialog.Cmd_Can);
    for (const std::int16_t key : {std::int16_t{13}, std::int16_t{32}}) {
        for (const forms::Widget* target :
             {static_cast<forms::Widget*>(&dialog.Cmd_Can), static_cast<forms::Widget*>(&dialog)}) {
            backend.Queue(Event{EventType::KeyDown, target->hWnd(), 0, 0, 0, key, 0});
            backend.Queue(Event{EventType::KeyUp, target->hWnd(), 0, 0, 0, key, 0});
            forms::Application::Get().DoEvents();
            EXPECT_TRUE(dialog.IsLoaded()) << "key " << key;
        }
    }
    backend.Queue(Event{EventType::KeyDown, dialog.Cmd_Can.hWnd(), 0, 0, 0, 27, 0});
    forms::Application::Get().DoEvents();
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_FALSE(dialog.tmrTimer.Enabled());
}

TEST_F(VelkorP, ATickDrawsTheWholeFrameFromTheStoredPicturesAndShowsItOnce) {
    // The handler is run by hand, so that no tick of the real clock comes between.
    dialog.Show();
    dialog.tmrTimer.SetEnabled(false);
    forms::Application::Get().DoEvents();  // the first showing
    const std::string view = Id(dialog.picWindow);
    const int shownBefore = backend.Count("Present " + view);

    dialog.tmrTimer.OnTick();
    EXPECT_EQ(backend.Count("Present " + view), shownBefore);  // not while it is drawn

    // The same frame drawn from the decoded assets, outside the dialog.
    auto decoded = [](const std::string& name) { return image::DecodePicture(assets::Find(name)); };
    gfx::Surface expected(373, 281, kViewBackColour);
    const gfx::Surface sphereMask = decoded("sphere_mask.bmp");
    const gfx::Surface sphereSprite = decoded("sphere_sprite.bmp");
    std::array<gfx::Surface, kAtomCount> masks;
    std::array<gfx::Surface, kAtomCount> sprites;
    SpriteScene scene{expected, sphereMask, sphereSprite, {}, {}, nullptr, {}};
    for (std::size_t k = 0; k < kAtomCount; ++k) {
        masks[k] = decoded("atom" + std::to_string(k) + "_mask.jpg");
        sprites[k] = decoded("atom" + std::to_string(k) + "_sprite.jpg");
        scene.atomMasks[k] = &masks[k];
        scene.atomSprites[k] = &sprites[k];
    }
    SpriteState state;
    SetUpSpriteMetrics(state, scene, 373.0f, 281.0f);
    DrawFrame(state, scene);
    const gfx::Surface& image = dialog.picWindow.Image();
    std::int32_t differences = 0;
    for (std::int32_t y = 0; y < 281; ++y) {
        for (std::int32_t x = 0; x < 373; ++x)
            differences += image.Point(x, y) != expected.Point(x, y);
    }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(dialog.spheres[0].angle, 1.0f);

    // The finished frame is shown once, after the tick, inside the sunken border.
    forms::Application::Get().DoEvents();
    EXPECT_EQ(backend.Count("Present " + view), shownBefore + 1);
    EXPECT_EQ(Shown(dialog.picWindow, 2 + 307, 2 + 140), image.Point(307, 140));
    EXPECT_EQ(Shown(dialog.picWindow, 0, 0), gfx::RGB(128, 128, 128));  // the border
}

}  // namespace
}  // namespace tivaro::settings
