#include "settings/velkor_p.h"

#include "platform/runtime/errors.h"
#include "settings/background_gradient.h"

namespace tivaro::settings {

Velkor_P::Velkor_P()
    : forms::Form("Velkor_P", platform::WindowKind::TopLevelDialog,
                  "Tivaro\xEF\xBC\x9F\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A"),
      picWindow(this, "picWindow"),
      tmrTimer(1, true) {
    auto_redraw = true;
    back_colour = gfx::RGB(128, 128, 128);
    picWindow.auto_redraw = true;
    picWindow.border = forms::BorderStyle::Sunken;
    picWindow.back_colour = gfx::RGB(128, 128, 255);
    picWindow.tab_stop = true;
    picWindow.Move(16, 20, 377, 285);
    tmrTimer.OnTick = [this] { tmrTimer_Timer(); };
}

Velkor_P& Velkor_P::Instance() {
    static Velkor_P form;
    return form;
}

void Velkor_P::Form_Load() {
    rt::StepsIgnoringErrors([&] { SetWidthTwips(6285); }, [&] { SetHeightTwips(5865); });
}

void Velkor_P::Form_Resize() {
    PaintBackgroundGradient(Image(), static_cast<float>(InnerWidth()),
                            static_cast<float>(InnerHeight()), loopIndex);
    Refresh();
}

void Velkor_P::Form_Unload(std::int16_t&) {
    if (tmrTimer.Enabled()) tmrTimer.SetEnabled(false);
}

void Velkor_P::tmrTimer_Timer() {}

}  // namespace tivaro::settings
