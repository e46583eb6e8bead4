#include "app/velkor_r.h"

#include <string>

#include "assets/assets.h"
#include "platform/backend.h"
#include "platform/forms/application.h"
#include "platform/image/decode.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/numeric.h"

namespace tivaro::app {

Velkor_R::Velkor_R()
    : forms::Form("Velkor_R", platform::WindowKind::TopLevelPlain, "Preview Window"),
      Img_Prev(this, "Img_Prev") {
    back_colour = 0;  // black around the picture in a larger pane
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
    auto& platform = platform::Current();
    const auto pane = static_cast<platform::NativeWindow>(static_cast<std::uint32_t>(parent));
    const std::optional<platform::Rect> found = platform.GetWindowRect(pane);
    if (!found) {
        // A pane that is not a window would leave an invisible window and a process that
        // nothing ever ends: refuse at once instead.
        rt::StandardErrorMessage("preview: " + std::to_string(parent) +
                                 " is not a window; nothing to show the preview in");
    }
    const platform::Rect r = *found;
    const double tx = platform.TwipsPerPixelX();
    const double ty = platform.TwipsPerPixelY();
    const std::int16_t width = rt::RoundToI16(rt::SubI32(r.right, r.left) * tx);
    const std::int16_t height = rt::RoundToI16(rt::SubI32(r.bottom, r.top) * ty);
    Velkor_R& form = Velkor_R::Instance();
    form.Load();
    platform.SetParent(form.hWnd(), pane);
    // The pane may have gone between the look and the move; from here on its end ends us.
    if (!platform.IsWindow(pane)) {
        rt::StandardErrorMessage("preview: " + std::to_string(parent) + " went away");
    }
    form.MoveTwips(0, 0, width, height);
    form.Img_Prev.Move(0, 0, rt::RoundToI32(rt::Divide(width, tx)),
                       rt::RoundToI32(rt::Divide(height, ty)));
    form.Show();
}

}  // namespace tivaro::app
