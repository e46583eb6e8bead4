#include "saver/velkor_s.h"

#include "app/velkor_b.h"
#include "assets/assets.h"
#include "platform/backend.h"
#include "platform/forms/application.h"
#include "platform/image/decode.h"
#include "platform/runtime/end.h"
#include "platform/runtime/errors.h"

namespace tivaro::saver {

Velkor_S::Velkor_S()
    : forms::Form("Velkor_S", platform::WindowKind::TopLevelPlain, "Tivaro_Main"),
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
    auto& platform = platform::Current();
    view_ready_ = false;
    rt::StepsIgnoringErrors(
        // Cover every monitor, or the host window. Keys and clicks count from here on.
        [&] {
            if (host_ != 0) {
                CoverHost();
                return;
            }
            if (!behind_) platform.OwnInput(Display.hWnd());
            CoverMonitors();
        },
        [&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); },
        [&] {
            std::uint64_t dc = Display.hWnd();
            std::int32_t width = rt::RoundToI32(Display.InnerWidth());
            std::int32_t height = rt::RoundToI32(Display.InnerHeight());
            glView->Initialize(dc, width, height);
            view_ready_ = true;
        },
        [&] { engine->Initialize(); },
        [&] {
            picDummy.SetPicture(image::DecodePicture(assets::Find("earth.jpg")));
            engine->LoadTexture(picDummy);
        },
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

// The window spans the monitors; parts of it that no monitor shows stay black. Where each
// monitor has a surface of its own instead, those are what shows.
void Velkor_S::CoverMonitors() {
    auto& platform = platform::Current();
    layout_ = LayoutMonitors(platform.Monitors(), platform.ScreenSize());
    const platform::Rect& w = layout_.window;
    const double tx = TwipsPerPixelX();  // the form's own, as MoveTwips converts back
    const double ty = TwipsPerPixelY();
    MoveTwips(w.left * tx, w.top * ty, (w.right - w.left) * tx, (w.bottom - w.top) * ty);
    surfaces_ = platform.OutputSurfaces(Display.hWnd());
}

// Each monitor's fountain in its part of the window, or filling its own surface. Hosted, or
// with one monitor, there is one fountain over the whole window.
void Velkor_S::FitViews() {
    const platform::NativeWindow dc = Display.hWnd();
    const platform::Point size{rt::RoundToI32(Display.InnerWidth()),
                               rt::RoundToI32(Display.InnerHeight())};
    std::vector<render::FountainArea> areas;
    bool bare = false;
    if (host_ == 0 && !surfaces_.empty()) {
        for (const platform::OutputSurface& s : surfaces_) {
            areas.push_back({s.surface, {0, 0, s.size.x, s.size.y}, s.size});
        }
    } else if (host_ == 0 && layout_.views.size() > 1) {
        for (const platform::Rect& view : layout_.views) areas.push_back({dc, view, size});
        bare = !layout_.covers_window;
    } else {
        areas.push_back({dc, {0, 0, size.x, size.y}, size});
    }
    fountains_.Fit(*engine, *glView, std::move(areas), bare);
}

void Velkor_S::CoverHost() {
    auto& platform = platform::Current();
    const auto gone = [&] {
        rt::StandardErrorMessage("window " + std::to_string(host_) +
                                 " went away; nothing to draw the saver in");
    };
    const std::optional<platform::Rect> area = platform.GetWindowRect(host_);
    if (!area) gone();
    platform.SetParent(hWnd(), host_);
    forms::Application::Get().Register(host_, &host_events_);
    platform.WatchWindow(host_);
    // From here on its end is reported; one that came before is seen now.
    if (!platform.IsWindow(host_)) gone();
    MoveTwips(0, 0, 1.0 * (area->right - area->left) * TwipsPerPixelX(),
              1.0 * (area->bottom - area->top) * TwipsPerPixelY());
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
    if (host_ != 0 || !view_ready_) return;
    rt::StepsIgnoringErrors([&] { CoverMonitors(); },
                            [&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); },
                            [&] { FitViews(); });
}

// Another program came to the foreground: whatever the user types now goes to it, so the
// saver gives way, as on a key.
void Velkor_S::Form_Deactivate() {
    if (EndsOnInput()) quitRequested = rt::kTrue;
}

void Velkor_S::FrameLoop() {
    auto& app = forms::Application::Get();
    while (quitRequested != rt::kTrue) {
        app.DoEvents();
        // A failed frame is dropped and the loop goes straight back to its test.
        rt::RunIgnoringErrors([&] { fountains_.RenderAll(); });
        ++frames_drawn_;
        stats_.FrameDone();
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
    if (EndsOnInput()) quitRequested = rt::kTrue;
}

void Velkor_S::Display_Click() {
    if (EndsOnInput()) quitRequested = rt::kTrue;
}

void Velkor_S::Form_QueryUnload(std::int16_t&, std::int16_t) {
    view_ready_ = false;
    rt::EndOnError([&] { glView->Terminate(); });
    quitRequested = rt::kTrue;
}

}  // namespace tivaro::saver
