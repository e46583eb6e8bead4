// The label: a windowless widget painted over its form's image.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
#include "toolkit/forms/label.h"
#include "toolkit/runtime/errors.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::forms {
namespace {

constexpr gfx::Colour kWhite = gfx::RGB(255, 255, 255);

struct Box {
    std::int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
    int grey = 0;   // pixels exactly RGB(128, 128, 128)
    int black = 0;  // pixels exactly black
};

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.auto_redraw = true;
        form.back_colour = kWhite;
        form.Move(0, 0, 120, 40);
        label = std::make_unique<Label>(&form, "lbl");
        label->Move(10, 5, 73, 13);
        label->SetCaption("Exit");
        form.Load();
    }
    void TearDown() override {
        Application::Get().DoEvents();
        label.reset();
        form.Unload();
    }

    // The ink of the last frame shown in the form's window.
    Box Shown() {
        form.Refresh();
        const auto& px = backend.presented.at(form.hWnd());
        Box b;
        for (std::int32_t y = 0; y < form.Height(); ++y) {
            for (std::int32_t x = 0; x < form.Width(); ++x) {
                const std::uint32_t p = px[static_cast<std::size_t>(y) * form.Width() + x];
                if (p == 0xFFFFFF) continue;
                ++b.count;
                b.grey += p == 0x808080 ? 1 : 0;
                b.black += p == 0 ? 1 : 0;
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
        }
        return b;
    }

    platform::testing::RecordingBackend backend;
    Form form{"frmTest", platform::WindowKind::TopLevelDialog, "Test"};
    std::unique_ptr<Label> label;
};

TEST_F(LabelTest, CentredCaptionStaysInsideItsRectangle) {
    label->SetAlignment(Alignment::Center);
    const Box ink = Shown();
    ASSERT_GT(ink.count, 10);
    EXPECT_GT(ink.black, 0);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 82);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 17);
    const int left_gap = ink.left - 10;
    const int right_gap = 82 - ink.right;
    EXPECT_LE(std::abs(left_gap - right_gap), 2) << left_gap << " vs " << right_gap;
}

TEST_F(LabelTest, LeftAndRightAlignmentPutTheTextAgainstThatSide) {
    label->SetAlignment(Alignment::Left);
    const Box left = Shown();
    EXPECT_LE(left.left, 12);
    label->SetAlignment(Alignment::Right);
    const Box right = Shown();
    EXPECT_GE(right.right, 80);
    EXPECT_GT(right.left, left.left + 20);
}

TEST_F(LabelTest, TextIsClippedToTheLabel) {
    label->Move(10, 5, 20, 8);  // narrower than the word and lower than the line
    label->SetCaption("Wwwwwwww");
    const Box ink = Shown();
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 29);
    EXPECT_LE(ink.bottom, 12);
}

TEST_F(LabelTest, DisabledCaptionIsEngraved) {
    label->SetEnabled(false);
    const Box ink = Shown();
    EXPECT_GT(ink.grey, 0);
    EXPECT_EQ(ink.black, 0);
    label->SetEnabled(true);
    const Box again = Shown();
    EXPECT_GT(again.black, 0);
    EXPECT_EQ(again.grey, 0);
}

TEST_F(LabelTest, OpaqueBackgroundFillsTheRectangle) {
    label->back_colour = gfx::RGB(0, 0, 255);
    label->SetBackStyle(BackStyle::Opaque);
    form.Refresh();
    const auto& px = backend.presented.at(form.hWnd());
    EXPECT_EQ(px[5 * 120 + 10], 0x0000FFu);   // the label's corner
    EXPECT_EQ(px[17 * 120 + 82], 0x0000FFu);  // its last pixel
    EXPECT_EQ(px[18 * 120 + 82], 0xFFFFFFu);  // just below it
    EXPECT_EQ(px[5 * 120 + 83], 0xFFFFFFu);   // just right of it
}

TEST_F(LabelTest, ChangesRepaintTheFormOnceTheHandlerIsDone) {
    Application::Get().DoEvents();
    const int before = backend.Count("Present " + std::to_string(form.hWnd()));
    label->SetCaption("Quit");
    label->SetForeColor(gfx::RGB(255, 0, 0));
    EXPECT_EQ(backend.Count("Present " + std::to_string(form.hWnd())), before);
    Application::Get().DoEvents();
    EXPECT_EQ(backend.Count("Present " + std::to_string(form.hWnd())), before + 1);
}

TEST_F(LabelTest, AChildWindowOverTheWholeFormLeavesTheFormToTheSystem) {
    const std::string form_id = std::to_string(form.hWnd());
    form.Refresh();
    ASSERT_EQ(backend.Count("Present " + form_id), 1);
    Widget view(&form, "view");
    view.gl_capable = true;
    view.Move(0, 0, 120, 40);
    view.CreateWindows(form.hWnd());
    form.Refresh();
    // The label is out of sight: what was shown is dropped for the form's colour, and no
    // frame is kept, only the form's own image.
    EXPECT_EQ(backend.Count("Present " + form_id), 1);
    EXPECT_EQ(backend.Count("ShowBackColour " + form_id), 1);
    EXPECT_EQ(form.PixelBytes(), 120u * 40u * 4u);
    // A column of the form shows again: it is composed and presented again.
    view.Move(0, 0, 119, 40);
    form.Refresh();
    EXPECT_EQ(backend.Count("Present " + form_id), 2);
}

TEST_F(LabelTest, TwipsReadBackExactlyWhileThePixelsAgree) {
    label->SetTopTwips(80.0f);
    EXPECT_EQ(label->TopTwips(), 80.0f);
    EXPECT_EQ(label->Bounds().top, 5);  // 5.33 px
    label->SetTopTwips(82.5f);          // 5.5 px rounds to even
    EXPECT_EQ(label->Bounds().top, 6);
    EXPECT_EQ(label->TopTwips(), 82.5f);
    label->Move(label->Bounds().left, 9, label->Width(), label->Height());
    EXPECT_EQ(label->TopTwips(), 135.0f);  // moved in pixels: the kept twips no longer hold
    label->SetWidthTwips(1095.0f);
    EXPECT_EQ(label->Width(), 73);
    EXPECT_EQ(label->HeightTwips(), 195.0f);
    label->SetLeftTwips(22.0f);
    EXPECT_EQ(label->Bounds().left, 1);
    EXPECT_EQ(label->LeftTwips(), 22.0f);
}

TEST_F(LabelTest, CaptionBreaksAtLineBreaksAndBetweenWords) {
    label->Move(0, 0, 200, 40);
    label->SetCaption("one\ntwo\r\nthree");
    EXPECT_EQ(label->Lines(), (std::vector<std::string>{"one", "two", "three"}));
    label->SetCaption("alpha beta gamma");
    EXPECT_EQ(label->Lines(), (std::vector<std::string>{"alpha beta gamma"}));
    const auto font = text::OpenFont(*label->Font());
    const std::int32_t two_words = font->Measure("alpha beta").width;
    label->Move(0, 0, two_words, 40);
    EXPECT_EQ(label->Lines(), (std::vector<std::string>{"alpha beta", "gamma"}));
    label->Move(0, 0, 5, 40);  // every word is wider: one word a line, none split
    EXPECT_EQ(label->Lines(), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    label->SetCaption("");
    EXPECT_EQ(label->Lines(), (std::vector<std::string>{""}));
}

TEST_F(LabelTest, TheFontObjectIsSharedByReference) {
    auto font = std::make_shared<text::FontDesc>(text::DefaultUiFont());
    label->SetFont(font);
    label->SetFontName("DejaVu Sans");
    EXPECT_EQ(font->name, "DejaVu Sans");
    font->size = 20;
    EXPECT_EQ(label->Font()->size, 20);
    EXPECT_THROW(label->SetFont(nullptr), rt::RuntimeError);
    EXPECT_EQ(label->Font(), font);
}

}  // namespace
}  // namespace tivaro::forms
