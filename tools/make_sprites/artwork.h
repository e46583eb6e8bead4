// The pictures themselves: shaded balls with their masks, the dialog's burst icon and the
// hand pointer. Everything is computed, nothing random, so every run gives the same files.
#pragma once

#include "picture.h"

namespace make_sprites {

// A ball filling a w x h ellipse: the sprite shows it lit from the upper left on black;
// the mask is black exactly where the sprite shows the ball and white elsewhere.
struct Ball {
    Picture sprite;
    Picture mask;
};
Ball ShadedBall(int width, int height, Rgba colour);

// 32 x 32: coloured fragments flying out of a bright core; transparent around them.
Picture BurstIcon(int size = 32);

// 32 x 32 pointing hand, black outline, white inside, transparent elsewhere; the tip of
// the index finger is at kHandHotX, kHandHotY.
inline constexpr int kHandHotX = 12;
inline constexpr int kHandHotY = 1;
Picture HandPointer();

}  // namespace make_sprites
