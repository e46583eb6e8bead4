// Velkor_P, the credits dialog of the configure request: a framed view with the sprite
// animation, the credit line, the link to the home page and the Exit button. Its caption
// is also the marker the start-up's single-instance check looks for.
#pragma once

#include <cstdint>

#include "platform/forms/form.h"
#include "platform/forms/timer.h"

namespace tivaro::settings {

class Velkor_P : public forms::Form {
public:
    Velkor_P();
    static Velkor_P& Instance();

    forms::Widget picWindow;  // the animation's view, sunken, RGB(128, 128, 255)
    forms::Timer tmrTimer;    // 1 ms, enabled from creation

    std::int16_t loopIndex = 0;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(std::int16_t& cancel) override;

private:
    void tmrTimer_Timer();
};

}  // namespace tivaro::settings
