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
    rt::StepsIgnoringErrors(
        // Cover the screen from its top-left corner.
        [&] {
            const platform::Point screen = platform.ScreenSize();
            MoveTwips(0, 0, 1.0 * screen.x * platform.TwipsPerPixelX(),
                      1.0 * screen.y * platform.TwipsPerPixelY());
        },
        [&] { Display.Move(0, 0, InnerWidth(), InnerHeight()); },
        [&] {
            std::uint64_t dc = Display.hWnd();
            std::int32_t width = rt::RoundToI32(Display.InnerWidth());
            std::int32_t height = rt::RoundToI32(Display.InnerHeight());
            glView->Initialize(dc, width, height);
        },
        [&] { engine->Initialize(); },
        [&] {
            picDummy.SetPicture(image::DecodePicture(assets::Find("earth.jpg")));
            engine->LoadTexture(picDummy);
        },
        [&] {
            quitRequested = rt::kFalse;
            Velkor_B::ZoomTicks = 0;
        },
        [&] { Show(); },
        [&] { Timer1.SetEnabled(true); },
        [&] { FrameLoop(); });
    // The window may already be gone (a close request); then this does nothing.
    Unload();
    rt::EndProgram(0);
}

void Velkor_S::FrameLoop() {
    auto& app = forms::Application::Get();
    while (quitRequested != rt::kTrue) {
        app.DoEvents();
        // A failed frame is dropped and the loop goes straight back to its test.
        rt::RunIgnoringErrors([&] { engine->RenderAll(); });
        ++frames_drawn_;
        stats_.FrameDone();
        pacer_.Wait();
    }
    stats_.Report();
}

void Velkor_S::Timer1_Timer() {
    rt::EndOnError([&] { engine->Zoom_Rtn(); });
}

void Velkor_S::Form_KeyDown(std::int16_t, std::int16_t) { quitRequested = rt::kTrue; }

void Velkor_S::Display_Click() { quitRequested = rt::kTrue; }

void Velkor_S::Form_QueryUnload(std::int16_t&, std::int16_t) {
    rt::EndOnError([&] { glView->Terminate(); });
    quitRequested = rt::kTrue;
}

}  // namespace tivaro::saver
