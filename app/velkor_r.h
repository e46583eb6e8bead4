// Velkor_R, the preview window: a still picture of the running saver, shown as a child
// window inside the system's preview pane.
#pragma once

#include "toolkit/forms/form.h"
#include "toolkit/forms/image_control.h"

namespace tivaro::app {

class Velkor_R : public forms::Form {
public:
    Velkor_R();
    static Velkor_R& Instance();

    forms::ImageControl Img_Prev;  // 152 x 112, shown at its own size

protected:
    void Form_Unload(std::int16_t& cancel) override;
};

// Hosts the preview window in `parent` (a window of any process) and shows it.
void HostPreview(std::int32_t parent);

}  // namespace tivaro::app
