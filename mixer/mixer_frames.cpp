// The mixer's per-frame loops: interpolation and gain in double precision, buffer in float.
// The SSE2 paths do the same operations in the same order as the plain ones, two frames at
// a time, so the results are the same to the bit.
#include "mixer/mixer_frames.h"

#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIXER_SSE2 1
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define MIXER_AVX2 1 // chosen at run time; four frames at a time, same operations
#endif

namespace {

constexpr double FRACTION_SCALE = 1.0 / 2147483648.0; // 2^-31

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

#ifdef MIXER_AVX2
// Four frames at positions p[0..3]: (s0, s1, s2, s3).
__attribute__((target("avx2"))) inline __m256d interpolate_four(const int16_t* data,
                                                                const uint64_t* p) {
    const uint32_t i0 = uint32_t(p[0] >> 32), i1 = uint32_t(p[1] >> 32);
    const uint32_t i2 = uint32_t(p[2] >> 32), i3 = uint32_t(p[3] >> 32);
    const __m128i fractions =
        _mm_set_epi32(int32_t(uint32_t(p[3]) >> 1), int32_t(uint32_t(p[2]) >> 1),
                      int32_t(uint32_t(p[1]) >> 1), int32_t(uint32_t(p[0]) >> 1));
    const __m256d f = _mm256_mul_pd(_mm256_cvtepi32_pd(fractions), _mm256_set1_pd(FRACTION_SCALE));
    const __m256d a = _mm256_cvtepi32_pd(_mm_set_epi32(data[i3], data[i2], data[i1], data[i0]));
    const __m256d b = _mm256_cvtepi32_pd(_mm_set_epi32(data[size_t(i3) + 1], data[size_t(i2) + 1],
                                                       data[size_t(i1) + 1], data[size_t(i0) + 1]));
    return _mm256_add_pd(a, _mm256_mul_pd(f, _mm256_sub_pd(b, a)));
}

// out[0..7] (four stereo frames) += s x gains; gains01 holds frames 0 and 1, gains23 2 and 3.
__attribute__((target("avx2"))) inline void add_four(float* out, __m256d s, __m256d gains01,
                                                     __m256d gains23) {
    const __m256d first = _mm256_cvtps_pd(_mm_loadu_ps(out));
    const __m256d second = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));
    const __m256d s01 = _mm256_permute4x64_pd(s, 0x50); // s0 s0 s1 s1
    const __m256d s23 = _mm256_permute4x64_pd(s, 0xFA); // s2 s2 s3 s3
    _mm_storeu_ps(out, _mm256_cvtpd_ps(_mm256_add_pd(first, _mm256_mul_pd(s01, gains01))));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(_mm256_add_pd(second, _mm256_mul_pd(s23, gains23))));
}

__attribute__((target("avx2"))) int flat_avx2(float* out, int frames, const int16_t* data,
                                              uint64_t& position, uint64_t step, int direction,
                                              double gl, double gr) {
    const __m256d gains = _mm256_set_pd(gr, gl, gr, gl);
    uint64_t p[4];
    int k = 0;
    for (; k + 4 <= frames; k += 4) {
        p[0] = position;
        p[1] = advance(p[0], step, direction);
        p[2] = advance(p[1], step, direction);
        p[3] = advance(p[2], step, direction);
        position = advance(p[3], step, direction);
        add_four(out + 2 * k, interpolate_four(data, p), gains, gains);
    }
    return k;
}

const bool has_avx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

uint64_t mixer_frames_flat(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float gain_left, float gain_right) {
    const double gl = gain_left, gr = gain_right;
    int k = 0;
#ifdef MIXER_AVX2
    if (has_avx2)
        k = flat_avx2(out, frames, data, position, step, direction, gl, gr);
#endif
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
