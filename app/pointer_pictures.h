// The pointer pictures the program hands its window system.
#pragma once

#include "platform/backend.h"

namespace tivaro::app {

// Hands `windows` the program's pointing hand for the credits dialog's link (hand.png,
// black outline, white inside, the fingertip at column 12, row 1). A picture that cannot
// be read leaves the system's hand.
void HandOverPointerPictures(platform::WindowSystem& windows);

}  // namespace tivaro::app
