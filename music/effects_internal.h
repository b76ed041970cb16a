#pragma once
// Helpers shared by the effect files; not part of the music library's interface.

#include <cstdint>

#include "music/music.h"

// a + b, held inside ±2^30 so that unbounded slides (2xx, the volume column's panning
// slides) can run for ever without a signed overflow; no musical value comes near it.
inline int32_t effects_add_saturated(int32_t a, int32_t b) {
    constexpr int64_t LIMIT = int64_t(1) << 30;
    int64_t sum = int64_t(a) + b;
    if (sum > LIMIT)
        sum = LIMIT;
    if (sum < -LIMIT)
        sum = -LIMIT;
    return static_cast<int32_t>(sum);
}

// One tone-portamento step toward porta_target at 4 x porta_speed period units.
void effects_tone_portamento(Channel* channel);
