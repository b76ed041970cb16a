// Loading the animation frames "data\kelmo\1.pcx" .. "data\kelmo\24.pcx".
#include "effects/animation.h"

#include <cstdio>

#include "gfx/bitmap.h"

Bitmap* animationFrames[ANIMATION_FRAME_COUNT] = {};

void loadAnimationFrames() {
    for (int k = 0; k < ANIMATION_FRAME_COUNT; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "data\\kelmo\\%i.pcx", k + 1);
        delete animationFrames[k];
        animationFrames[k] = new Bitmap();
        animationFrames[k]->loadPcx(name);
    }
}
