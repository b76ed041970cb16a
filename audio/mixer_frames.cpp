// The mixer's per-frame loops: interpolation and gain in double precision, buffer in float.
// The SSE2 paths do the same operations in the same order as the plain ones, two frames at
// a time, so the results are the same to the bit.
#include "audio/mixer_frames.h"

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIXER_SSE2 1
#endif

namespace {

constexpr double FRACTION_SCALE = 1.0 / 2147483648.0;  // 2^-31

inline double interpolate(const int16_t* data, uint64_t position) {
    const uint32_t i = uint32_t(position >> 32);
    const double f = double(int32_t(uint32_t(position) >> 1)) * FRACTION_SCALE;
    const double a = data[i];
    return a + f * (double(data[size_t(i) + 1]) - a);
}

inline uint64_t advance(uint64_t position, uint64_t step, int direction) {
    position &= ~uint64_t(1);
    return direction == 2 ? position - step : position + step;
}

#ifdef MIXER_SSE2
// Interpolated values of two frames at positions p0 and p1, as (s0, s1).
inline __m128d interpolate_pair(const int16_t* data, uint64_t p0, uint64_t p1) {
    const uint32_t i0 = uint32_t(p0 >> 32), i1 = uint32_t(p1 >> 32);
    const __m128i fractions =
        _mm_set_epi32(0, 0, int32_t(uint32_t(p1) >> 1), int32_t(uint32_t(p0) >> 1));
    const __m128d f = _mm_mul_pd(_mm_cvtepi32_pd(fractions), _mm_set1_pd(FRACTION_SCALE));
    const __m128d a = _mm_set_pd(data[i1], data[i0]);
    const __m128d b = _mm_set_pd(data[size_t(i1) + 1], data[size_t(i0) + 1]);
    return _mm_add_pd(a, _mm_mul_pd(f, _mm_sub_pd(b, a)));
}

// out[0..3] (two stereo frames) += s0 x gains, s1 x gains, in double, stored as floats.
inline void add_pair(float* out, __m128d s, __m128d gains0, __m128d gains1) {
    const __m128 o = _mm_loadu_ps(out);
    const __m128d first = _mm_cvtps_pd(o);
    const __m128d second = _mm_cvtps_pd(_mm_movehl_ps(o, o));
    const __m128d r0 = _mm_add_pd(first, _mm_mul_pd(_mm_unpacklo_pd(s, s), gains0));
    const __m128d r1 = _mm_add_pd(second, _mm_mul_pd(_mm_unpackhi_pd(s, s), gains1));
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(r0), _mm_cvtpd_ps(r1)));
}
#endif

}  // namespace

uint64_t mixer_frames_flat(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float gain_left, float gain_right) {
    const double gl = gain_left, gr = gain_right;
    int k = 0;
#ifdef MIXER_SSE2
    const __m128d gains = _mm_set_pd(gr, gl);
    for (; k + 2 <= frames; k += 2) {
        const uint64_t p0 = position;
        const uint64_t p1 = advance(p0, step, direction);
        position = advance(p1, step, direction);
        add_pair(out + 2 * k, interpolate_pair(data, p0, p1), gains, gains);
    }
#endif
    for (; k < frames; ++k) {
        const double s = interpolate(data, position);
        out[2 * k] = float(double(out[2 * k]) + s * gl);
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * gr);
        position = advance(position, step, direction);
    }
    return position;
}

uint64_t mixer_frames_ramp(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float& level_left, float& level_right,
                           float step_left, float step_right) {
    float left = level_left, right = level_right;
    int k = 0;
#ifdef MIXER_SSE2
    for (; k + 2 <= frames; k += 2) {
        const uint64_t p0 = position;
        const uint64_t p1 = advance(p0, step, direction);
        position = advance(p1, step, direction);
        const __m128d gains0 = _mm_set_pd(double(right), double(left));
        left += step_left;
        right += step_right;
        const __m128d gains1 = _mm_set_pd(double(right), double(left));
        left += step_left;
        right += step_right;
        add_pair(out + 2 * k, interpolate_pair(data, p0, p1), gains0, gains1);
    }
#endif
    for (; k < frames; ++k) {
        const double s = interpolate(data, position);
        out[2 * k] = float(double(out[2 * k]) + s * double(left));
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * double(right));
        left += step_left;
        right += step_right;
        position = advance(position, step, direction);
    }
    level_left = left;
    level_right = right;
    return position;
}
