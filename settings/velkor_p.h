// Velkor_P, the credits dialog of the configure request: a framed view with the sprite
// animation, the credit line, the link to the home page and the Exit button. Its caption
// is also the marker the start-up's single-instance check looks for.
//
// The animation's members (spheres, atoms, viewWidth, viewHeight and the dialog's one
// loop index, loopIndex) are the dialog's own: it is a SpriteState.
#pragma once

#include <array>
#include <cstdint>

#include "controls/command.h"
#include "toolkit/forms/form.h"
#include "toolkit/forms/label.h"
#include "toolkit/forms/picture_holder.h"
#include "toolkit/forms/timer.h"
#include "settings/sprite_animation.h"

namespace tivaro::settings {

// The home page the link shows and opens.
inline constexpr char kHomePage[] = "https://tivaro.example.org/";

class Velkor_P : public forms::Form, public SpriteState {
public:
    Velkor_P();
    static Velkor_P& Instance();

    // The controls, in tab order.
    forms::Widget picWindow;    // the animation's view, sunken, RGB(128, 128, 255)
    forms::Label lbl;           // the credit line
    forms::Label lbl_URL;       // the link to the home page
    controls::Command Cmd_Can;  // "Exit"
    forms::Timer tmrTimer;      // 1 ms, enabled from creation

    // The animation's image sources, never shown.
    std::array<forms::PictureHolder, 1> picSphereMask;
    std::array<forms::PictureHolder, 1> picSphereSprite;
    std::array<forms::PictureHolder, kAtomCount> picAtomMask;
    std::array<forms::PictureHolder, kAtomCount> picAtomSprite;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_DpiChange() override;
    void Form_KeyDown(std::int16_t key, std::int16_t shift) override;
    void Form_Unload(std::int16_t& cancel) override;

private:
    void Cmd_Can_Click();
    void lbl_URL_Click();
    void tmrTimer_Timer();

    // The pointing hand over the link, the usual arrow elsewhere on the dialog.
    void ShowLinkPointer(bool overLink);
    // Makes a mouse-move handler show the arrow before it does its own work.
    void LeavesTheLink(forms::MouseHandler& handler);

    SpriteScene scene_;
    bool handShown_ = false;
};

}  // namespace tivaro::settings
