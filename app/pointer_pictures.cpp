#include "app/pointer_pictures.h"

#include <utility>

#include "assets/assets.h"
#include "toolkit/image/decode.h"
#include "toolkit/runtime/errors.h"

namespace tivaro::app {

void HandOverPointerPictures(platform::WindowSystem& windows) {
    rt::RunIgnoringErrors([&] {
        image::RgbaPicture hand = image::DecodeRgba(assets::Find("hand.png"));
        platform::PointerPicture picture;
        picture.pixels = std::move(hand.pixels);
        picture.width = hand.width;
        picture.height = hand.height;
        picture.hot_spot = {12, 1};  // the fingertip
        windows.SetHandPicture(std::move(picture));
    });
}

}  // namespace tivaro::app
