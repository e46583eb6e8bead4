// The push button's four states, driven by the events its window receives: pointer
// motion (on the face or on the caption that covers most of it), button presses and
// releases, focus moving through the form, and the 100 ms hover-tracking tick.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "assets/assets.h"
#include "controls/command.h"
#include "controls/set_command_controls.h"
#include "toolkit/forms/application.h"
#include "toolkit/forms/form.h"
#include "toolkit/image/decode.h"
#include "platform/testing/recording_backend.h"

namespace tivaro::controls {
namespace {

using platform::Event;
using platform::EventType;
using Skin = Command::Skin;

constexpr std::int16_t kLeft = 1;
constexpr std::int16_t kRight = 2;
constexpr std::int16_t kKeyTab = 9;
constexpr std::int16_t kKeyReturn = 13;
constexpr std::int16_t kKeySpace = 32;

class CommandInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.auto_redraw = true;
        form.Move(0, 0, 200, 60);
        other.tab_stop = true;  // first in the tab order: the form starts with it focused
        other.Move(100, 10, 40, 40);
        button = std::make_unique<Command>(&form, "Cmd_Test");
        button->Move(10, 10, 73, 25);
        button->SetCaption("");
        button->Click = [this] { ++clicks; };
        form.Load();
        button->Enabled();  // the first reading turns a new control on
        form.SetFocusTo(&other);
    }
    void TearDown() override {
        forms::Application::Get().DoEvents();
        button.reset();
        form.Unload();
    }

    void Send(EventType type, std::int32_t x = 36, std::int32_t y = 12, std::int16_t b = 0) {
        backend.Queue(Event{type, button->hWnd(), x, y, b});
        forms::Application::Get().DoEvents();
    }
    // The pointer comes onto the face (on the caption: it covers the middle rows).
    void Enter() {
        backend.window_under_cursor = button->hWnd();
        Send(EventType::Motion);
    }
    // The pointer goes onto the container, and the hover timer ticks.
    void LeaveAndTick() {
        backend.window_under_cursor = form.hWnd();
        Tick();
    }
    void Tick() { button->TmrMouse().Fire(forms::Timer::Clock::now()); }
    void Press(std::int16_t b = kLeft) { Send(EventType::ButtonDown, 36, 12, b); }
    void Release(std::int16_t b = kLeft, std::int32_t x = 36, std::int32_t y = 12) {
        Send(EventType::ButtonUp, x, y, b);
    }
    void Key(std::int16_t key) {
        backend.Queue(Event{EventType::KeyDown, form.hWnd(), 0, 0, 0, key});
        forms::Application::Get().DoEvents();
    }
    int Presents() const { return backend.Count("Present " + std::to_string(button->hWnd())); }

    // Which skin the face shows, by its frame's side columns (unscaled at 25 px high).
    // HighLightSelect has the pixels of HighLight and reads as HighLight.
    std::string Look() {
        button->Refresh();
        const auto& face = backend.presented.at(button->hWnd());
        static const char* const kNames[] = {"Normal",   "HighLight", "HighLightSelect",
                                             "Selected", "Pressed",   "Disable"};
        for (int s = 0; s < 6; ++s) {
            const gfx::Surface skin =
                image::DecodePicture(assets::Find(Command::SkinFile(static_cast<Skin>(s))));
            bool same = true;
            for (std::int32_t y = 0; y < 25 && same; ++y) {
                for (std::int32_t d = 0; d < 4; ++d) {
                    same = same && face[y * 73 + d] == skin.pixels()[y * 64 + d] &&
                           face[y * 73 + 72 - d] == skin.pixels()[y * 64 + 63 - d];
                }
            }
            if (same) return kNames[s];
        }
        return "none";
    }

    platform::testing::RecordingBackend backend;
    forms::Form form{"frmInput", platform::WindowKind::TopLevelDialog, "Input"};
    forms::Widget other{&form, "picOther"};
    std::unique_ptr<Command> button;
    int clicks = 0;
};

TEST_F(CommandInputTest, BeforeInitializeHoverCannotStartButFocusWorks) {
    EXPECT_EQ(button->State(), 0);
    EXPECT_FALSE(button->TmrMouse().Active());
    Enter();
    EXPECT_EQ(button->State(), 0);  // hover starts only from Idle
    EXPECT_EQ(Look(), "Normal");
    Key(kKeyTab);  // the focus moves on to the button
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    Key(kKeyTab);  // and back to the other control
    EXPECT_EQ(button->State(), Command::Idle);
    EXPECT_EQ(Look(), "Normal");
    Enter();
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_FALSE(button->TmrMouse().Active());  // so nothing will ever end this hover
    button->Initialize();
    EXPECT_EQ(button->State(), Command::Idle);  // Initialize draws nothing
    EXPECT_EQ(Look(), "HighLight");
    EXPECT_TRUE(button->TmrMouse().Enabled());
    EXPECT_EQ(button->TmrMouse().Interval(), 100);
}

TEST_F(CommandInputTest, PressAndReleaseOverTheButtonClicksOnce) {
    button->Initialize();
    Enter();
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(Look(), "HighLight");
    Tick();  // still over its own window: nothing changes
    EXPECT_EQ(button->State(), Command::Hover);
    Press();
    EXPECT_EQ(form.FocusedWidget(), button.get());
    EXPECT_EQ(button->State(), Command::FocusedHover);
    EXPECT_EQ(button->MouseIsDown(), rt::kTrue);
    EXPECT_EQ(Look(), "Pressed");
    EXPECT_EQ(clicks, 0);
    Release();
    EXPECT_EQ(button->MouseIsDown(), rt::kFalse);
    EXPECT_EQ(Look(), "HighLight");  // HighLightSelect
    EXPECT_EQ(clicks, 1);
    LeaveAndTick();
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    EXPECT_EQ(clicks, 1);
}

TEST_F(CommandInputTest, APressDraggedOffIsCancelledOnceATickSawItLeave) {
    button->Initialize();
    Enter();
    Press();
    Send(EventType::Motion, -30, 40);  // dragged off, the button still held
    LeaveAndTick();
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    Enter();  // back while still held: no FocusedHover
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    LeaveAndTick();
    Release(kLeft, -30, 40);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    // Released back over the face it is cancelled too: the state is still Focused.
    Enter();  // not held any more: FocusedHover
    EXPECT_EQ(button->State(), Command::FocusedHover);
    Press();
    LeaveAndTick();
    Enter();
    Release();
    EXPECT_EQ(clicks, 0);
}

TEST_F(CommandInputTest, APressDraggedOffAndBackBetweenTwoTicksStillClicks) {
    button->Initialize();
    Enter();
    Press();
    backend.window_under_cursor = form.hWnd();
    Send(EventType::Motion, -30, 40);
    backend.window_under_cursor = button->hWnd();
    Send(EventType::Motion, 36, 12);
    Tick();
    Release();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->State(), Command::FocusedHover);
}

TEST_F(CommandInputTest, OtherButtonsClickOnReleaseButTheirPressDrawsNothing) {
    button->Initialize();
    Enter();
    const int before = Presents();
    Press(kRight);
    EXPECT_EQ(Presents(), before);
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(button->MouseIsDown(), rt::kFalse);
    EXPECT_NE(form.FocusedWidget(), button.get());  // only the left button takes the focus
    Release(kRight);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Presents(), before);
    Press(4);  // the middle button
    Release(4);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(Look(), "HighLight");
}

TEST_F(CommandInputTest, AReleaseInHoverClicksAndLeavesTheNormalLookUntilTheNextEntry) {
    button->Initialize();
    Enter();
    Release();  // the press happened before the pointer came: no focus, Hover
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(Look(), "Normal");
    Enter();
    EXPECT_EQ(Look(), "Normal");  // moving within Hover draws nothing
    LeaveAndTick();
    EXPECT_EQ(button->State(), Command::Idle);
    Enter();
    EXPECT_EQ(Look(), "HighLight");
    EXPECT_EQ(button->InvertGradient(), rt::kTrue);
}

TEST_F(CommandInputTest, KeyboardFocusWhileHoveredShowsPressedAndKeysNeverClick) {
    button->Initialize();
    Enter();
    Key(kKeyTab);
    EXPECT_EQ(button->State(), Command::FocusedHover);
    EXPECT_EQ(Look(), "Pressed");
    EXPECT_EQ(button->InvertGradient(), rt::kTrue);  // kept from Hover
    Key(kKeyReturn);
    Key(kKeySpace);
    EXPECT_EQ(clicks, 0);
    LeaveAndTick();
    EXPECT_EQ(button->State(), Command::Focused);
    EXPECT_EQ(Look(), "Selected");
    EXPECT_EQ(button->InvertGradient(), rt::kFalse);
    Enter();
    EXPECT_EQ(button->State(), Command::FocusedHover);
    EXPECT_EQ(Look(), "HighLight");                   // HighLightSelect
    EXPECT_EQ(button->InvertGradient(), rt::kFalse);  // kept from Focused
    Key(kKeyTab);  // the focus leaves while the pointer stays: Idle all the same
    EXPECT_EQ(button->State(), Command::Idle);
    EXPECT_EQ(Look(), "Normal");
    Enter();
    EXPECT_EQ(button->State(), Command::Hover);
}

TEST_F(CommandInputTest, ADisabledButtonIgnoresPointerFocusAndTicks) {
    button->Initialize();
    Enter();
    button->SetEnabled(rt::kFalse);
    EXPECT_EQ(Look(), "Disable");
    LeaveAndTick();
    EXPECT_EQ(button->State(), Command::Hover);  // keeps what it had
    Press();
    Release();
    Press(kRight);
    Release(kRight);
    Key(kKeyTab);
    Key(kKeyTab);
    Enter();
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->State(), Command::Hover);
    EXPECT_EQ(button->MouseIsDown(), rt::kFalse);
    EXPECT_EQ(Look(), "Disable");
    button->SetEnabled(rt::kTrue);
    EXPECT_EQ(Look(), "Normal");
    Release();
    EXPECT_EQ(clicks, 1);
}

TEST_F(CommandInputTest, APressWithNoMotionBeforeItFindsThePointerFromItsOwnPosition) {
    button->Initialize();
    // The pointer rested on the face before the window came: no motion was ever sent.
    Press();
    EXPECT_EQ(button->State(), Command::FocusedHover);
    EXPECT_EQ(Look(), "Pressed");
    Release();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Look(), "HighLight");  // HighLightSelect, not stuck on Pressed
    // The focus came from the keyboard while the pointer rested on the face.
    Key(kKeyTab);
    Key(kKeyTab);
    EXPECT_EQ(button->State(), Command::Focused);
    Press();
    Release();
    EXPECT_EQ(clicks, 2);
}

TEST_F(CommandInputTest, OnlyAReleaseOverTheControlClicks) {
    button->Initialize();
    Enter();
    Press(kRight);
    Release(kRight, -30, 40);  // dragged off before any tick saw it leave
    EXPECT_EQ(clicks, 0);
    Enter();
    Press();
    Release(kLeft, 36, 90);  // a quick drag off, released below the face
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->State(), Command::FocusedHover);
    Press();
    Release(kLeft, 72, 24);  // the bottom-right pixel is still the control's
    EXPECT_EQ(clicks, 1);
}

class SetCommandControlsTest : public ::testing::Test {
protected:
    SetCommandControlsTest() {
        inner.Move(0, 0, 100, 50);
        first.Move(0, 0, 73, 25);
        nested.Move(0, 0, 73, 25);
        second.Move(0, 30, 73, 25);
        first.Enabled();  // on; nested and second are still new (off, FirstRun 0)
    }

    platform::testing::RecordingBackend backend;
    forms::Form form{"frmButtons", platform::WindowKind::TopLevelDialog, "Buttons"};
    Command first{&form, "Cmd_First"};
    forms::Widget inner{&form, "picInner"};
    Command nested{&inner, "Cmd_Nested"};
    Command second{&form, "Cmd_Second"};
};

TEST_F(SetCommandControlsTest, InitializingStartsEveryButtonAndLeavesEnabledAlone) {
    Velkor_B::SetCommandControls(form, rt::kTrue, rt::kFalse);
    for (Command* b : {&first, &nested, &second}) {
        EXPECT_EQ(b->State(), Command::Idle) << b->Name();
        EXPECT_TRUE(b->TmrMouse().Active()) << b->Name();
    }
    EXPECT_EQ(first.EnabledFlag(), rt::kTrue);
    EXPECT_EQ(nested.EnabledFlag(), rt::kFalse);
    EXPECT_EQ(nested.FirstRun(), 0);
}

TEST_F(SetCommandControlsTest, OnlyMinusOneCountsAsTrue) {
    Velkor_B::SetCommandControls(form, 1, rt::kTrue);  // 1 is not true: set Enabled
    for (Command* b : {&first, &nested, &second}) {
        EXPECT_EQ(b->State(), 0) << b->Name();
        EXPECT_FALSE(b->TmrMouse().Active()) << b->Name();
        EXPECT_EQ(b->EnabledFlag(), rt::kTrue) << b->Name();
    }
    Velkor_B::SetCommandControls(form, rt::kFalse, 1);  // 1 is not true: disables
    for (Command* b : {&first, &nested, &second}) {
        EXPECT_EQ(b->EnabledFlag(), rt::kFalse) << b->Name();
    }
}

}  // namespace
}  // namespace tivaro::controls
