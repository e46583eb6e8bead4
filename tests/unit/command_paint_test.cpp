// The push button's face, read back pixel by pixel from what its window shows: the skin's
// 4-pixel frame (corners as they are, edges stretched), the vertical gradient inside it,
// and the caption laid over it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "assets/assets.h"
#include "controls/command.h"
#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/numeric.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::controls {
namespace {

using platform::Event;
using platform::EventType;
using Skin = Command::Skin;

// Pixels as windows show them: 0xRRGGBB.
constexpr std::uint32_t kLight = 0xFFFFFF;
constexpr std::uint32_t kShade = 0xC6C5D7;
constexpr std::uint32_t kFormBack = 0x808080;

gfx::Surface SkinPicture(Skin skin) {
    return image::DecodePicture(assets::Find(Command::SkinFile(skin)));
}

std::uint32_t SkinPixel(const gfx::Surface& skin, std::int32_t x, std::int32_t y) {
    return skin.pixels()[static_cast<std::size_t>(y) * skin.width() + x];
}

int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// The gradient's colour at row `y` of a face `h` pixels high, top colour `top`: the
// straight line between the two colours, from the top row to the last one.
bool GradientRowMatches(std::uint32_t pixel, std::uint32_t top, std::uint32_t bottom,
                        std::int32_t y, std::int32_t h) {
    for (int shift : {16, 8, 0}) {
        const double want =
            Channel(top, shift) + (Channel(bottom, shift) - Channel(top, shift)) * y / (h - 1.0);
        if (std::abs(Channel(pixel, shift) - want) > 1.0) return false;
    }
    return true;
}

class CommandFaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.auto_redraw = true;
        form.back_colour = gfx::RGB(128, 128, 128);
        form.Move(0, 0, 200, 60);
        button = std::make_unique<Command>(&form, "Cmd_Test");
        button->Move(10, 10, 73, 25);
        button->SetCaption("");  // the whole centre shows the gradient
        form.Load();
        button->Enabled();  // the first reading turns a new control on
    }
    void TearDown() override {
        Application().DoEvents();
        button.reset();
        form.Unload();
    }
    static forms::Application& Application() { return forms::Application::Get(); }

    // The frame the button's window shows now.
    const std::vector<std::uint32_t>& Face() {
        button->Refresh();
        return backend.presented.at(button->hWnd());
    }
    std::uint32_t At(std::int32_t x, std::int32_t y) {
        return Face()[static_cast<std::size_t>(y) * button->Width() + x];
    }
    // Pixels of the outer 4-pixel frame that differ from `skin` mapped onto the face:
    // corners unscaled, edges stretched from the skin's edge strips (nearest pixel).
    int FrameMismatches(Skin skin) {
        const gfx::Surface picture = SkinPicture(skin);
        const auto& face = Face();
        const std::int32_t w = button->Width();
        const std::int32_t h = button->Height();
        auto source = [&](std::int32_t d, std::int32_t size, std::int32_t skin_size) {
            if (d < 4) return d;
            if (d >= size - 4) return d - size + skin_size;
            return 4 + (d - 4) * (skin_size - 8) / (size - 8);
        };
        int wrong = 0;
        for (std::int32_t y = 0; y < h; ++y) {
            for (std::int32_t x = 0; x < w; ++x) {
                if (x >= 4 && x < w - 4 && y >= 4 && y < h - 4) continue;
                const std::uint32_t want = SkinPixel(picture, source(x, w, 64), source(y, h, 25));
                wrong += face[static_cast<std::size_t>(y) * w + x] != want ? 1 : 0;
            }
        }
        return wrong;
    }
    // Pixels of the centre (inside the frame) that are not the gradient from top to bottom.
    int CentreMismatches(std::uint32_t top, std::uint32_t bottom) {
        const auto& face = Face();
        const std::int32_t w = button->Width();
        const std::int32_t h = button->Height();
        int wrong = 0;
        for (std::int32_t y = 4; y < h - 4; ++y) {
            for (std::int32_t x = 4; x < w - 4; ++x) {
                const std::uint32_t p = face[static_cast<std::size_t>(y) * w + x];
                wrong += GradientRowMatches(p, top, bottom, y, h) ? 0 : 1;
            }
        }
        return wrong;
    }
    void PointerMovesOn() {
        backend.window_under_cursor = button->hWnd();
        backend.Queue(Event{EventType::Motion, button->hWnd(), 5, 5});
        Application().DoEvents();
    }

    platform::testing::RecordingBackend backend;
    forms::Form form{"frmFace", platform::WindowKind::TopLevelDialog, "Face"};
    std::unique_ptr<Command> button;
};

TEST(CommandSkins, TopAndBottomStripsAreUniformAlongTheirLength) {
    // What lets the face tests map a stretched top or bottom edge back to the skin
    // whatever filter stretches it. (The side strips shade from top to bottom.)
    for (int s = 0; s < 6; ++s) {
        const gfx::Surface skin = SkinPicture(static_cast<Skin>(s));
        ASSERT_EQ(skin.width(), 64);
        ASSERT_EQ(skin.height(), 25);
        for (std::int32_t d = 0; d < 4; ++d) {
            for (std::int32_t x = 5; x < 60; ++x) {
                EXPECT_EQ(SkinPixel(skin, x, d), SkinPixel(skin, 4, d)) << s;
                EXPECT_EQ(SkinPixel(skin, x, 24 - d), SkinPixel(skin, 4, 24 - d)) << s;
            }
        }
    }
}

TEST_F(CommandFaceTest, DialogSizeStretchesTheEdgesAroundA65By17Gradient) {
    ASSERT_EQ(button->Width(), 73);
    EXPECT_EQ(FrameMismatches(Skin::Normal), 0);
    EXPECT_EQ(CentreMismatches(kLight, kShade), 0);
    // The edges end where the corners begin: 4 + 65 + 4 across, 4 + 17 + 4 down.
    const gfx::Surface normal = SkinPicture(Skin::Normal);
    EXPECT_EQ(At(68, 1), SkinPixel(normal, 30, 1));  // last pixel of the top edge
    EXPECT_EQ(At(69, 1), SkinPixel(normal, 60, 1));  // top-right corner
    EXPECT_EQ(At(1, 20), SkinPixel(normal, 1, 12));  // last pixel of the left edge
    EXPECT_EQ(At(1, 21), SkinPixel(normal, 1, 21));  // bottom-left corner
    // The outline's rounded corner is in the corner piece, not smeared over the edge.
    EXPECT_NE(SkinPixel(normal, 1, 1), SkinPixel(normal, 4, 1));
    EXPECT_EQ(At(1, 1), SkinPixel(normal, 1, 1));
    EXPECT_EQ(At(71, 23), SkinPixel(normal, 62, 23));
}

TEST_F(CommandFaceTest, AtTheSkinsOwnSizeEveryLookReproducesItsFrameExactly) {
    button->Move(10, 10, 64, 25);
    EXPECT_EQ(FrameMismatches(Skin::Normal), 0);
    EXPECT_EQ(CentreMismatches(kLight, kShade), 0);
    button->Initialize();
    PointerMovesOn();  // Hover
    EXPECT_EQ(FrameMismatches(Skin::HighLight), 0);
    backend.Queue(Event{EventType::ButtonDown, button->hWnd(), 5, 5, 1});
    Application().DoEvents();  // FocusedHover, pressed
    EXPECT_EQ(FrameMismatches(Skin::Pressed), 0);
    backend.Queue(Event{EventType::ButtonUp, button->hWnd(), 5, 5, 1});
    Application().DoEvents();
    EXPECT_EQ(FrameMismatches(Skin::HighLightSelect), 0);
    backend.window_under_cursor = form.hWnd();
    button->TmrMouse().Fire(forms::Timer::Clock::now());  // Focused
    EXPECT_EQ(FrameMismatches(Skin::Selected), 0);
    button->SetEnabled(rt::kFalse);
    EXPECT_EQ(FrameMismatches(Skin::Disable), 0);
}

TEST_F(CommandFaceTest, PiecesWhosePlaceOverflows16BitsAreLeftOutOneByOne) {
    button->Move(0, 0, 2200, 25);  // W - 120 = 32880 twips
    const gfx::Surface normal = SkinPicture(Skin::Normal);
    EXPECT_EQ(At(1, 1), SkinPixel(normal, 1, 1));    // top-left corner
    EXPECT_EQ(At(1, 12), SkinPixel(normal, 1, 12));  // left edge
    EXPECT_EQ(At(1, 23), SkinPixel(normal, 1, 23));  // bottom-left corner
    // No top edge and no right-hand piece anywhere, least of all beside the left corner.
    for (std::int32_t x : {4, 5, 1000, 2196, 2198}) {
        EXPECT_TRUE(GradientRowMatches(At(x, 1), kLight, kShade, 1, 25)) << x;
    }
    // A face smaller than its frame has no defined look, but the pass runs to its end.
    button->Move(0, 0, 3, 2);
    EXPECT_EQ(Face().size(), 6u);
    EXPECT_EQ(button->LblMsg().TopTwips(), -92.5f);  // (30 - 195 - 20) / 2
}

TEST_F(CommandFaceTest, HoverRunsTheGradientFromShadeToLight) {
    button->Initialize();
    PointerMovesOn();
    ASSERT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(button->InvertGradient(), rt::kTrue);
    EXPECT_EQ(FrameMismatches(Skin::HighLight), 0);
    EXPECT_EQ(CentreMismatches(kShade, kLight), 0);
}

TEST_F(CommandFaceTest, ResizingAHoveredButtonDrawsNormalWithTheInvertedGradient) {
    button->Initialize();
    PointerMovesOn();
    button->Move(10, 10, 90, 30);
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(FrameMismatches(Skin::Normal), 0);
    EXPECT_EQ(CentreMismatches(kShade, kLight), 0);
}

TEST_F(CommandFaceTest, DisabledDrawsTheDisableSkinAndAnEngravedCaption) {
    button->SetCaption("Exit");
    button->SetEnabled(rt::kFalse);
    EXPECT_EQ(FrameMismatches(Skin::Disable), 0);
    int grey = 0;
    int black = 0;
    for (std::uint32_t p : Face()) {
        grey += p == 0x808080 ? 1 : 0;
        black += p == 0 ? 1 : 0;
    }
    EXPECT_GT(grey, 10);
    EXPECT_EQ(black, 0);
    button->SetEnabled(rt::kTrue);
    black = 0;
    for (std::uint32_t p : Face()) black += p == 0 ? 1 : 0;
    EXPECT_GT(black, 10);
}

TEST_F(CommandFaceTest, CaptionSitsTenTwipsAboveTheMiddleAcrossTheWholeWidth) {
    button->SetCaption("Exit");
    forms::Label& caption = button->LblMsg();
    EXPECT_EQ(caption.HeightTwips(), 195.0f);
    EXPECT_EQ(caption.TopTwips(), 80.0f);  // (375 - 195 - 20) / 2
    EXPECT_EQ(caption.Bounds().top, 5);
    EXPECT_EQ(caption.LeftTwips(), 0.0f);
    EXPECT_EQ(caption.WidthTwips(), 1095.0f);
    // The ink stays in the caption's rows and is centred across the face.
    const std::vector<std::uint32_t> face = Face();
    std::int32_t left = 99, right = -1, top = 99, bottom = -1;
    for (std::int32_t y = 0; y < 25; ++y) {
        for (std::int32_t x = 0; x < 73; ++x) {
            if (face[static_cast<std::size_t>(y) * 73 + x] != 0) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_GE(top, 5);
    EXPECT_LE(bottom, 17);
    EXPECT_LE(std::abs(left - (72 - right)), 2) << left << ".." << right;
    // An odd height: the top is kept unrounded in twips.
    button->Move(10, 10, 73, 30);
    EXPECT_EQ(caption.TopTwips(), 117.5f);  // (450 - 195 - 20) / 2
}

TEST_F(CommandFaceTest, TransparentBackgroundShowsTheContainerAndKeepsTheCaption) {
    button->SetCaption("Exit");
    button->SetVisible(0);
    int back = 0;
    int black = 0;
    for (std::uint32_t p : Face()) {
        back += p == kFormBack ? 1 : 0;
        black += p == 0 ? 1 : 0;
    }
    EXPECT_GT(black, 10);
    EXPECT_EQ(back + black, 73 * 25);
    button->SetVisible(1);
    EXPECT_EQ(FrameMismatches(Skin::Normal), 0);
}

}  // namespace
}  // namespace tivaro::controls
