// The mixer's per-frame loops: interpolation and gain in double precision, buffer in float.
// The plain and SSE2 loops are here, with the choice of the widest loops the processor runs;
// the SSE2 and wide loops do the same operations in the same order as the plain ones, two,
// four or eight frames at a time, so the results are the same to the bit.
#include "mixer/mixer_frames.h"

#include "mixer/mixer_frames_wide.h"
#include "mixer/mixer_points.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIXER_SSE2 1
#endif

namespace {

#ifdef MIXER_SSE2
// Interpolated values of the frames at points e0 and e1, as (s0, s1).
inline __m128d interpolate_pair(const int16_t* data, uint64_t e0, uint64_t e1) {
    const __m128i fractions =
        _mm_set_epi32(0, 0, int32_t(uint32_t(e1) >> 1), int32_t(uint32_t(e0) >> 1));
    const __m128d f = _mm_mul_pd(_mm_cvtepi32_pd(fractions), _mm_set1_pd(MIXER_FRACTION_SCALE));
    const __m128i pairs =
        _mm_set_epi32(0, 0, mixer_sample_pair(data, e1), mixer_sample_pair(data, e0));
    const __m128d a = _mm_cvtepi32_pd(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
    const __m128d b = _mm_cvtepi32_pd(_mm_srai_epi32(pairs, 16));
    return _mm_add_pd(a, _mm_mul_pd(f, _mm_sub_pd(b, a)));
}

// out[0..3] (two stereo frames) += s0 x gains0, s1 x gains1, in double, stored as floats.
inline void add_pair(float* out, __m128d s, __m128d gains0, __m128d gains1) {
    const __m128 o = _mm_loadu_ps(out);
    const __m128d first = _mm_cvtps_pd(o);
    const __m128d second = _mm_cvtps_pd(_mm_movehl_ps(o, o));
    const __m128d r0 = _mm_add_pd(first, _mm_mul_pd(_mm_unpacklo_pd(s, s), gains0));
    const __m128d r1 = _mm_add_pd(second, _mm_mul_pd(_mm_unpackhi_pd(s, s), gains1));
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(r0), _mm_cvtpd_ps(r1)));
}

// Two frames per round; returns the frames done and moves `point` past them.
int flat_sse2(float* out, int frames, const int16_t* data, uint64_t& point, uint64_t distance,
              double gl, double gr) {
    const __m128d gains = _mm_set_pd(gr, gl);
    int k = 0;
    for (; k + 2 <= frames; k += 2) {
        add_pair(out + 2 * k, interpolate_pair(data, point, point + distance), gains, gains);
        point += 2 * distance;
    }
    return k;
}

int ramp_sse2(float* out, int frames, const int16_t* data, uint64_t& point, uint64_t distance,
              float& left, float& right, float step_left, float step_right) {
    int k = 0;
    for (; k + 2 <= frames; k += 2) {
        const __m128d gains0 = _mm_set_pd(double(right), double(left));
        left += step_left;
        right += step_right;
        const __m128d gains1 = _mm_set_pd(double(right), double(left));
        left += step_left;
        right += step_right;
        add_pair(out + 2 * k, interpolate_pair(data, point, point + distance), gains0, gains1);
        point += 2 * distance;
    }
    return k;
}
#endif

int widest_level() {
#ifdef MIXER_WIDE
    if (const int wide = mixer_wide_level())
        return wide;
#endif
#ifdef MIXER_SSE2
    return 1;
#else
    return 0;
#endif
}

int level_in_use = widest_level(); // 0 plain, 1 SSE2, 2 AVX2, 3 AVX-512

} // namespace

int mixer_frames_set_level(int level) {
    const int widest = widest_level();
    level_in_use = level < 0 ? 0 : level > widest ? widest : level;
    return level_in_use;
}

uint64_t mixer_frames_flat(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float gain_left, float gain_right) {
    if (frames < 1)
        return position;
    const double gl = gain_left, gr = gain_right;
    const uint64_t distance = mixer_point_distance(step, direction);
    uint64_t point = position & ~uint64_t(1);
    int k = 0;
#ifdef MIXER_WIDE
    if (level_in_use >= 3) {
        mixer_flat_avx512(out, frames, data, point, distance, gl, gr);
        return mixer_advance(point - distance, step, direction);
    }
    if (level_in_use >= 2)
        k += mixer_flat_avx2(out + 2 * k, frames - k, data, point, distance, gl, gr);
#endif
#ifdef MIXER_SSE2
    if (level_in_use >= 1)
        k += flat_sse2(out + 2 * k, frames - k, data, point, distance, gl, gr);
#endif
    for (; k < frames; ++k) {
        const double s = mixer_interpolate(data, point);
        out[2 * k] = float(double(out[2 * k]) + s * gl);
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * gr);
        point += distance;
    }
    return mixer_advance(point - distance, step, direction);
}

uint64_t mixer_frames_ramp(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float& level_left, float& level_right,
                           float step_left, float step_right) {
    if (frames < 1)
        return position;
    float left = level_left, right = level_right;
    const uint64_t distance = mixer_point_distance(step, direction);
    uint64_t point = position & ~uint64_t(1);
    int k = 0;
#ifdef MIXER_WIDE
    if (level_in_use >= 3) {
        mixer_ramp_avx512(out, frames, data, point, distance, left, right, step_left, step_right);
        level_left = left;
        level_right = right;
        return mixer_advance(point - distance, step, direction);
    }
    if (level_in_use >= 2)
        k += mixer_ramp_avx2(out + 2 * k, frames - k, data, point, distance, left, right, step_left,
                             step_right);
#endif
#ifdef MIXER_SSE2
    if (level_in_use >= 1)
        k += ramp_sse2(out + 2 * k, frames - k, data, point, distance, left, right, step_left,
                       step_right);
#endif
    for (; k < frames; ++k) {
        const double s = mixer_interpolate(data, point);
        out[2 * k] = float(double(out[2 * k]) + s * double(left));
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * double(right));
        left += step_left;
        right += step_right;
        point += distance;
    }
    level_left = left;
    level_right = right;
    return mixer_advance(point - distance, step, direction);
}

uint64_t mixer_frames_flat_looped(float* out, int frames, const int16_t* data, uint64_t position,
                                  uint64_t step, float gain_left, float gain_right,
                                  uint64_t loop_start, uint64_t loop_length) {
    const uint64_t end = (loop_start + loop_length) << 32, lap = loop_length << 32;
    const uint64_t distance = step & ~uint64_t(1);
    // The points (even) go round the loop; the position ends (step & 1) past the next one.
    uint64_t point = mixer_wrap_point(position, end, lap) & ~uint64_t(1);
    if (frames < 1)
        return mixer_wrap_point(position, end, lap);
#ifdef MIXER_WIDE
    if (level_in_use >= 3) {
        mixer_flat_avx512_looped(out, frames, data, point, distance, gain_left, gain_right, end,
                                 lap);
        return point + (step & 1);
    }
#endif
    // The narrower loops take the runs between the loop ends.
    int k = 0;
    while (k < frames) {
        const uint64_t first = point + step;
        int n = frames - k;
        if (first >= end)
            n = 1;
        else if (distance != 0 && (end - first + distance - 1) / distance + 1 < uint64_t(n))
            n = int((end - first + distance - 1) / distance + 1);
        const uint64_t after =
            mixer_frames_flat(out + 2 * k, n, data, point, step, 1, gain_left, gain_right);
        point = mixer_wrap_point(after, end, lap) & ~uint64_t(1);
        k += n;
    }
    return point + (step & 1);
}
