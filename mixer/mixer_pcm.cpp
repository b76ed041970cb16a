// Float frames to 16-bit PCM: round to nearest (ties to even), then clip.
#include "mixer/mixer.h"

#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIXER_SSE2 1
#endif

void mixer_to_pcm16(int16_t* out, const float* in, int frames) {
    if (frames < 1 || !out || !in)
        return;
    const int count = 2 * frames;
    int k = 0;
#ifdef MIXER_SSE2
    // Clamped first so the conversion never overflows; it rounds to even like nearbyint, and
    // every clamped value is already a whole number.
    const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    for (; k + 8 <= count; k += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(in + k), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(in + k + 4), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), packed);
    }
#endif
    for (; k < count; ++k) {
        float v = std::nearbyint(in[k]);
        if (v < -32768.0f)
            v = -32768.0f;
        if (v > 32767.0f)
            v = 32767.0f;
        out[k] = int16_t(v);
    }
}
