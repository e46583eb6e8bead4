// Command: the four-state machine of focus and pointer, hover tracking and Click.
//
//   event        condition                            new state      skin
//   GotFocus     State is not Hover                   Focused        Selected
//   GotFocus     State is Hover                       FocusedHover   Pressed
//   LostFocus    State is not Idle                    Idle           Normal
//   MouseDown    left button                          unchanged      Pressed (MouseIsDown)
//   MouseMove    State is Idle                        Hover          HighLight
//   MouseMove    Focused and the button is not down   FocusedHover   HighLightSelect
//   MouseUp      left button                          unchanged      Normal in Hover,
//                                                                    HighLightSelect in
//                                                                    FocusedHover
//   LeaveHover   Hover / FocusedHover                 Idle / Focused Normal / Selected
//
// A release clicks only where it is over the control (and not in Focused, the cancelled
// drag-off). A press is itself news of where the pointer is: one that has rested on the
// face since before the window appeared, or since the focus came from the keyboard, sent
// no motion, so the press registers it first, as that motion would have.
//
// A disabled control ignores all of it; the timer keeps ticking.
#include "controls/command.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::controls {

void Command::UserControl_GotFocus() {
    if (Enabled_ == rt::kFalse) return;
    if (State_ != Hover) {
        rt::StepsIgnoringErrors([&] { State_ = Focused; }, [&] { DrawButton(Skin::Selected); });
    } else {
        rt::StepsIgnoringErrors([&] { State_ = FocusedHover; }, [&] { DrawButton(Skin::Pressed); });
    }
}

void Command::UserControl_LostFocus() {
    if (Enabled_ == rt::kFalse) return;
    if (State_ != Idle) {
        rt::StepsIgnoringErrors([&] { State_ = Idle; }, [&] { DrawButton(Skin::Normal); });
    }
}

void Command::UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    (void)Shift, (void)X, (void)Y;
    if (Enabled_ == rt::kFalse) return;
    if (Button == 1) {
        rt::StepsIgnoringErrors([&] { MouseIsDown_ = rt::kTrue; },
                                [&] { DrawButton(Skin::Pressed); });
    }
}

void Command::UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    (void)Button, (void)Shift, (void)X, (void)Y;
    if (Enabled_ == rt::kFalse) return;
    if (State_ == Idle) {
        rt::StepsIgnoringErrors([&] { State_ = Hover; }, [&] { DrawButton(Skin::HighLight); });
    } else if (State_ == Focused && MouseIsDown_ == rt::kFalse) {
        rt::StepsIgnoringErrors([&] { State_ = FocusedHover; },
                                [&] { DrawButton(Skin::HighLightSelect); });
    }
}

void Command::UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    (void)Shift, (void)X, (void)Y;
    if (Enabled_ == rt::kFalse) return;
    if (Button == 1) {
        rt::StepsIgnoringErrors(
            [&] {
                if (State_ == Hover) DrawButton(Skin::Normal);
                if (State_ == FocusedHover) DrawButton(Skin::HighLightSelect);
            },
            [&] { MouseIsDown_ = rt::kFalse; });
    }
    // Any button clicks over the control, unless a press was dragged off while the control
    // had the focus.
    if (State_ != Focused && Enabled_ == rt::kTrue && release_over_) RaiseClick();
}

void Command::PointerEvent(const platform::Event& event) {
    if (event.type == platform::EventType::ButtonDown && Contains(event.x, event.y)) {
        UserControl_MouseMove(0, event.shift, static_cast<float>(event.x),
                              static_cast<float>(event.y));
    }
    if (event.type == platform::EventType::ButtonUp) release_over_ = Contains(event.x, event.y);
}

void Command::RaiseClick() {
    if (!Click) return;
    // The container's handler is the container's code: what it does not trap is not ours
    // to swallow.
    rt::EndOnError([&] { Click(); });
}

void Command::TmrMouse_Timer() {
    platform::Point pointer;
    platform::NativeWindow under = 0;
    auto container = [this]() -> platform::NativeWindow {
        return Parent() != nullptr ? Parent()->DrawingWindow() : 0;
    };
    rt::StepsIgnoringErrors([&] { pointer = platform::Windows().CursorPos(); },
                            [&] { under = platform::Windows().WindowFromPoint(pointer); },
                            [&] {
                                if (under == container()) LeaveHover();
                            },
                            [&] {
                                if (under != hWnd() && under != container()) LeaveHover();
                            });
}

void Command::LeaveHover() {
    if (Enabled_ == rt::kFalse) return;
    if (State_ == Hover) {
        rt::StepsIgnoringErrors([&] { State_ = Idle; }, [&] { DrawButton(Skin::Normal); });
    } else if (State_ == FocusedHover) {
        rt::StepsIgnoringErrors([&] { State_ = Focused; }, [&] { DrawButton(Skin::Selected); });
    }
}

}  // namespace tivaro::controls
