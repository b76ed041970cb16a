// Float frames to 16-bit PCM: round to nearest (ties to even), then clip.
#include "audio/mixer.h"

#include <cmath>

void mixer_to_pcm16(int16_t* out, const float* in, int frames) {
    if (frames < 1 || !out || !in) return;
    const int count = 2 * frames;
    for (int k = 0; k < count; ++k) {
        float v = std::nearbyint(in[k]);
        if (v < -32768.0f) v = -32768.0f;
        if (v > 32767.0f) v = 32767.0f;
        out[k] = int16_t(v);
    }
}
