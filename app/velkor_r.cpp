#include "app/velkor_r.h"

#include <string>

#include "assets/assets.h"
#include "platform/backend.h"
#include "toolkit/forms/application.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::app {

Velkor_R::Velkor_R()
    : forms::Form("Velkor_R", platform::WindowKind::TopLevelPlain, "Preview Window"),
      Img_Prev(this, "Img_Prev") {
    back_colour = 0;  // black around the picture in a larger pane
    // The still fills the same share of the pane at every display scale.
    SetScalesWithDisplay(true);
    Img_Prev.SetPicture(image::DecodePicture(assets::Find("preview.png")));
    Img_Prev.Move(0, 0, Img_Prev.Picture().width(), Img_Prev.Picture().height());
}

Velkor_R& Velkor_R::Instance() {
    static Velkor_R form;
    return form;
}

void Velkor_R::Form_Unload(std::int16_t&) {
    // Closing the program's hidden owner window ends the program.
    forms::Application::Get().PostCloseToOwner();
}

void HostPreview(std::int32_t parent) {
    auto& windows = platform::Windows();
    const auto pane = static_cast<platform::NativeWindow>(static_cast<std::uint32_t>(parent));
    const std::optional<platform::Rect> found = windows.GetWindowRect(pane);
    if (!found) {
        // A pane that is not a window would leave an invisible window and a process that
        // nothing ever ends: refuse at once instead.
        rt::StandardErrorMessage("preview: " + std::to_string(parent) +
                                 " is not a window; nothing to show the preview in");
    }
    const platform::Rect r = *found;
    // Twips at the pane's own scale: the form takes that scale and fills the pane.
    const std::int32_t dpi = windows.Dpi(pane);
    const double tx = platform::WindowSystem::TwipsPerPixel(dpi);
    const double ty = platform::WindowSystem::TwipsPerPixel(dpi);
    const std::int16_t width = rt::RoundToI16(rt::SubI32(r.right, r.left) * tx);
    const std::int16_t height = rt::RoundToI16(rt::SubI32(r.bottom, r.top) * ty);
    Velkor_R& form = Velkor_R::Instance();
    form.Load();
    form.SetDpi(dpi);
    windows.SetParent(form.hWnd(), pane);
    // The pane may have gone between the look and the move; from here on its end ends us.
    if (!windows.IsWindow(pane)) {
        rt::StandardErrorMessage("preview: " + std::to_string(parent) + " went away");
    }
    form.MoveTwips(0, 0, width, height);
    // The pane's size in the form's pixels (the pane's device pixels at 96 DPI); the
    // picture shows at its own size from the top-left corner whatever this is.
    form.Img_Prev.Move(0, 0, rt::RoundToI32(rt::Divide(width, form.TwipsPerPixelX())),
                       rt::RoundToI32(rt::Divide(height, form.TwipsPerPixelY())));
    form.Show();
}

}  // namespace tivaro::app
