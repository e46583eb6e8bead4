#include "saver/velkor_s.h"

#include <string>
#include <utility>

#include "app/captions.h"
#include "app/velkor_b.h"
#include "assets/assets.h"
#include "platform/backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/end.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::saver {

Velkor_S::Velkor_S()
    : forms::Form("Velkor_S", platform::WindowKind::TopLevelPlain, std::string(app::kSaverCaption)),
      Display(this, "Display"),
      Timer1(10, false) {
    back_colour = 0;
    Display.back_colour = 0;
    Display.gl_capable = true;
    Display.tab_stop = true;
    Display.OnClick = [this] { Display_Click(); };
    Timer1.OnTick = [this] { Timer1_Timer(); };
}

Velkor_S& Velkor_S::Instance() {
    static Velkor_S form;
    return form;
}

void Velkor_S::Form_Load() {
    // Each run starts afresh, as the one before it asked.
    run_ = std::exchange(next_run_, RunMode{});
    if (EndsOnInput()) gate_ = EndGate::FromEnvironment();
    cover_ = platform::CoverAnswer{};
    frames_drawn_ = 0;
    view_ready_ = false;
    covered_ = false;
    rt::StepsIgnoringErrors(
        // Cover every monitor, or the host window. Keys and clicks count from here on.
        [&] {
            covered_ = true;
            CoverScreen();
        },
        [&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); }, [&] { SetUpView(); },
        // A fountain on every further monitor, sharing the texture.
        [&] { FitViews(); },
        [&] {
            quitRequested = rt::kFalse;
            Velkor_B::ZoomTicks = 0;
        },
        [&] { Show(); }, [&] { Timer1.SetEnabled(true); }, [&] { FrameLoop(); });
    // The window may already be gone (a close request); then this does nothing.
    Unload();
    rt::EndProgram(0);
}

// Asks the system to cover every monitor (above every window and taking the input, or
// behind every window for a locker), or to fill the host's window, and places the window
// where the answer says. Parts of a spanning window that no monitor shows stay black.
void Velkor_S::CoverScreen() {
    auto& platform = platform::Current();
    platform::CoverRequest request;
    request.window = hWnd();
    request.view = Display.hWnd();
    request.caption = Caption();
    if (run_.host != 0) {
        request.host = run_.host;
        const auto gone = [&] {
            rt::StandardErrorMessage("window " + std::to_string(run_.host) +
                                     " went away; nothing to draw the saver in");
        };
        if (!platform::Windows().GetWindowRect(run_.host)) gone();
        forms::Application::Get().Register(run_.host, &host_events_);
        cover_ = platform.Cover(request);
        // From here on its end is reported; one that came before is seen now.
        if (!platform::Windows().IsWindow(run_.host)) gone();
    } else {
        request.take_input = !run_.behind;
        request.layer =
            run_.behind ? platform::CoverLayer::Background : platform::CoverLayer::Overlay;
        cover_ = platform.Cover(request);
    }
    const platform::Rect& w = cover_.window;
    const double tx = TwipsPerPixelX();  // the form's own, as MoveTwips converts back
    const double ty = TwipsPerPixelY();
    MoveTwips(w.left * tx, w.top * ty, (w.right - w.left) * tx, (w.bottom - w.top) * ty);
}

// The view, the engine and its picture. Where each monitor has a surface of its own, the view
// starts on the first; with none yet (a compositor that has no outputs now), it waits for the
// first that comes.
void Velkor_S::SetUpView() {
    if (cover_.surface_each && cover_.areas.empty()) return;
    rt::StepsIgnoringErrors(
        [&] {
            std::uint64_t dc = Display.hWnd();
            std::int32_t width = rt::RoundToI32(Display.InnerWidth());
            std::int32_t height = rt::RoundToI32(Display.InnerHeight());
            if (cover_.surface_each) {
                dc = cover_.areas.front().surface;
                width = cover_.areas.front().surface_size.x;
                height = cover_.areas.front().surface_size.y;
            }
            glView->Initialize(dc, width, height);
            view_ready_ = true;
        },
        [&] { engine->Initialize(); },
        [&] {
            picDummy.SetPicture(image::DecodePicture(assets::Find("earth.jpg")));
            engine->LoadTexture(picDummy);
        });
}

// Each monitor's fountain in its part of the window, or filling its own surface. Hosted, or
// with one monitor, there is one fountain over the whole window.
void Velkor_S::FitViews() {
    const platform::NativeWindow dc = Display.hWnd();
    const platform::Point size{rt::RoundToI32(Display.InnerWidth()),
                               rt::RoundToI32(Display.InnerHeight())};
    std::vector<platform::CoverArea> areas;
    if (cover_.surface_each) {
        areas = cover_.areas;
    } else if (cover_.areas.size() > 1) {
        for (const platform::CoverArea& a : cover_.areas) areas.push_back({dc, a.box, size});
    } else {
        areas.push_back({dc, {0, 0, size.x, size.y}, size});
    }
    fountains_.Fit(*engine, *glView, std::move(areas), cover_.bare, cover_.surface_each);
}

void Velkor_S::HostEvents::OnEvent(const platform::Event& event) {
    if (event.type == platform::EventType::Resized) {
        form.Host_Resize(event.x, event.y);
    } else if (event.type == platform::EventType::Destroyed) {
        forms::Application::Get().Unregister(event.window);
        form.quitRequested = rt::kTrue;
    }
}

// The host changed size: fill it again (Form_Resize sets the view up for the new size).
void Velkor_S::Host_Resize(std::int32_t width, std::int32_t height) {
    cover_.window = platform::Rect{0, 0, width, height};
    rt::RunIgnoringErrors(
        [&] { MoveTwips(0, 0, 1.0 * width * TwipsPerPixelX(), 1.0 * height * TwipsPerPixelY()); });
}

// The window's size changed after the view was set up (a host's resize, or a window
// manager fitting the window to a monitor): Display fills it again, with its view.
void Velkor_S::Form_Resize() {
    if (!view_ready_) return;  // the load places Display and sets the view up itself
    rt::StepsIgnoringErrors([&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); },
                            [&] {
                                if (fountains_.Count() <= 1) {
                                    glView->SetupView(Display.InnerWidth(), Display.InnerHeight());
                                }
                            },
                            [&] { FitViews(); });
}

// Monitors came, went or moved: cover them again, a fountain on each.
void Velkor_S::Form_DisplayChange() {
    if (run_.host != 0 || !covered_) return;
    rt::StepsIgnoringErrors([&] { CoverScreen(); },
                            [&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); },
                            [&] {
                                if (!view_ready_) SetUpView();
                            },
                            [&] { FitViews(); });
}

// Another program came to the foreground: whatever the user types now goes to it, so the
// saver gives way, as on a key.
void Velkor_S::Form_Deactivate() {
    EndOnInput();
}

void Velkor_S::FrameLoop() {
    auto& app = forms::Application::Get();
    while (quitRequested != rt::kTrue) {
        app.DoEvents();
        if (gate_.Waiting()) TakeGateAnswer();
        // The frame after the end was asked for still comes, as every frame does; a system
        // that would only hold the end up with it may decline it.
        if (quitRequested == rt::kTrue) platform::Current().EndingAfterThisFrame();
        // A failed frame is dropped and the loop goes straight back to its test.
        rt::RunIgnoringErrors([&] { fountains_.RenderAll(); });
        ++frames_drawn_;
        stats_.FrameDone();
        if (quitRequested == rt::kTrue) break;  // no next frame to wait for
        if (const auto late = pacer_.Wait()) stats_.WokeLate(*late);
    }
    stats_.Report();
}

void Velkor_S::Timer1_Timer() {
    rt::EndOnError([&] { fountains_.Zoom_Rtn(); });
}

// In a host's window the host owns the input and ends the program itself; behind a locker
// the locker does.
void Velkor_S::Form_KeyDown(std::int16_t, std::int16_t) {
    EndOnInput();
}

void Velkor_S::Display_Click() {
    EndOnInput();
}

// Where the session locks when the saver ends, the end waits for the lock: the screen and the
// keyboard stay the saver's, and what comes meanwhile is nobody's.
void Velkor_S::EndOnInput() {
    if (!EndsOnInput() || gate_.Waiting()) return;
    if (!gate_.Ask()) {
        quitRequested = rt::kTrue;
        return;
    }
    platform::Current().LetLockerIn(true);
}

void Velkor_S::TakeGateAnswer() {
    switch (gate_.Take()) {
        case EndGate::Answer::Go:
            quitRequested = rt::kTrue;
            break;
        case EndGate::Answer::Stay:  // no lock came: the saver runs on, and ends as before
            platform::Current().LetLockerIn(false);
            break;
        case EndGate::Answer::None:
            break;
    }
}

void Velkor_S::Form_QueryUnload(std::int16_t&, std::int16_t) {
    view_ready_ = false;
    covered_ = false;
    rt::EndOnError([&] { glView->Terminate(); });
    rt::EndOnError([&] { platform::Current().Uncover(); });
    quitRequested = rt::kTrue;
}

}  // namespace tivaro::saver
