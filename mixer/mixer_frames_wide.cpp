// The wide mixer loops: AVX2 (four frames a round) and AVX-512 (eight, and masks for the
// rest), compiled for those instruction sets and chosen at run time. Same operations in the
// same order as the plain loop, so the same results to the bit.
#include "mixer/mixer_frames_wide.h"

#ifdef MIXER_WIDE
#include <immintrin.h>

#include "mixer/mixer_points.h"

// GCC 12's AVX-512 headers start vectors from themselves (_mm512_undefined_*), which it then
// reports as maybe uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define MIXER_AVX2_FUNCTION __attribute__((target("avx2")))

namespace {

// The lanes hold frames 0, 2, 1, 3 of a group of four: then an in-lane unpack gives
// (s0, s0, s1, s1) and (s2, s2, s3, s3) for the stereo pairs, with no lane crossing.
struct FourPoints {
    __m256i points;   // 32.32 points of frames 0, 2, 1, 3
    __m256i distance; // 4 x the point distance in every lane
};

MIXER_AVX2_FUNCTION inline FourPoints four_points(uint64_t point, uint64_t distance) {
    const long long d = (long long)distance, p = (long long)point;
    return {_mm256_set_epi64x(p + 3 * d, p + d, p + 2 * d, p), _mm256_set1_epi64x(4 * d)};
}

// Interpolated values of the four frames from `point` on, in lane order (s0, s2, s1, s3);
// `points` holds the same points as a vector. Gathers are slow on some processors: the
// sample pairs come from four scalar loads.
MIXER_AVX2_FUNCTION inline __m256d interpolate_four(const int16_t* data, __m256i points,
                                                    uint64_t point, uint64_t distance) {
    // The fraction's top 31 bits as the mantissa of a double in [1, 2), less 1: exactly
    // (fraction / 2) x 2^-31, without a conversion.
    const __m256i mantissas =
        _mm256_slli_epi64(_mm256_and_si256(points, _mm256_set1_epi64x(0xFFFFFFFELL)), 20);
    const __m256d f = _mm256_sub_pd(
        _mm256_castsi256_pd(_mm256_or_si256(mantissas, _mm256_set1_epi64x(0x3FF0000000000000LL))),
        _mm256_set1_pd(1.0));
    const __m128i pairs = _mm_setr_epi32(
        mixer_sample_pair(data, point), mixer_sample_pair(data, point + 2 * distance),
        mixer_sample_pair(data, point + distance), mixer_sample_pair(data, point + 3 * distance));
    const __m256d a = _mm256_cvtepi32_pd(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
    const __m256d b = _mm256_cvtepi32_pd(_mm_srai_epi32(pairs, 16));
    return _mm256_add_pd(a, _mm256_mul_pd(f, _mm256_sub_pd(b, a)));
}

// out[0..7] (four stereo frames) += s x gains; gains01 holds frames 0 and 1, gains23 2 and 3.
MIXER_AVX2_FUNCTION inline void add_four(float* out, __m256d s, __m256d gains01, __m256d gains23) {
    const __m256d first = _mm256_cvtps_pd(_mm_loadu_ps(out));
    const __m256d second = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));
    const __m256d s01 = _mm256_unpacklo_pd(s, s);
    const __m256d s23 = _mm256_unpackhi_pd(s, s);
    _mm_storeu_ps(out, _mm256_cvtpd_ps(_mm256_add_pd(first, _mm256_mul_pd(s01, gains01))));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(_mm256_add_pd(second, _mm256_mul_pd(s23, gains23))));
}

} // namespace

MIXER_AVX2_FUNCTION int mixer_flat_avx2(float* out, int frames, const int16_t* data,
                                        uint64_t& point, uint64_t distance, double gl, double gr) {
    const __m256d gains = _mm256_set_pd(gr, gl, gr, gl);
    FourPoints p = four_points(point, distance);
    uint64_t at = point; // a local copy: the stores may alias `point`
    int k = 0;
    // Two groups a round, each from its own copy of the points.
    const __m256i four = p.distance;
    for (; k + 8 <= frames; k += 8) {
        const __m256i next = _mm256_add_epi64(p.points, four);
        add_four(out + 2 * k, interpolate_four(data, p.points, at, distance), gains, gains);
        add_four(out + 2 * k + 8, interpolate_four(data, next, at + 4 * distance, distance), gains,
                 gains);
        p.points = _mm256_add_epi64(next, four);
        at += 8 * distance;
    }
    point = at;
    for (; k + 4 <= frames; k += 4) {
        add_four(out + 2 * k, interpolate_four(data, p.points, point, distance), gains, gains);
        p.points = _mm256_add_epi64(p.points, p.distance);
        point += 4 * distance;
    }
    return k;
}

// The levels go up by their float steps one frame at a time, as in the plain loop; (left,
// right) pairs of four frames become the gains of the group.
MIXER_AVX2_FUNCTION int mixer_ramp_avx2(float* out, int frames, const int16_t* data,
                                        uint64_t& point, uint64_t distance, float& left,
                                        float& right, float step_left, float step_right) {
    __m128 level = _mm_setr_ps(left, right, 0.0f, 0.0f);
    const __m128 steps = _mm_setr_ps(step_left, step_right, 0.0f, 0.0f);
    FourPoints p = four_points(point, distance);
    int k = 0;
    for (; k + 4 <= frames; k += 4) {
        const __m128 g0 = level;
        const __m128 g1 = _mm_add_ps(g0, steps);
        const __m128 g2 = _mm_add_ps(g1, steps);
        const __m128 g3 = _mm_add_ps(g2, steps);
        level = _mm_add_ps(g3, steps);
        add_four(out + 2 * k, interpolate_four(data, p.points, point, distance),
                 _mm256_cvtps_pd(_mm_movelh_ps(g0, g1)), _mm256_cvtps_pd(_mm_movelh_ps(g2, g3)));
        p.points = _mm256_add_epi64(p.points, p.distance);
        point += 4 * distance;
    }
    left = _mm_cvtss_f32(level);
    right = _mm_cvtss_f32(_mm_shuffle_ps(level, level, 1));
    return k;
}

// AVX-512: eight frames a round, and masks for the last few. Lanes hold frames 0, 4, 1, 5,
// 2, 6, 3, 7, so the in-lane unpacks give frames 0..3 and 4..7 as stereo pairs.
#define MIXER_AVX512_FUNCTION __attribute__((target("avx512f,avx512vl,avx512dq")))

namespace {

// Frames of a group at or past `count` read frame 0's pair, which lies inside the sample.
inline uint64_t group_point(uint64_t point, uint64_t distance, int j, int count) {
    return j < count ? point + uint64_t(j) * distance : point;
}

// `end`, `lap`: points at or past `end` read one lap (the loop length, 32.32) back; the group
// then spans less than a lap. The fractions are the same either way.
MIXER_AVX512_FUNCTION inline __m512d interpolate_eight(const int16_t* data, __m512i points,
                                                       uint64_t point, uint64_t distance, int count,
                                                       uint64_t end = ~uint64_t(0),
                                                       uint64_t lap = 0) {
    const __m512i mantissas =
        _mm512_slli_epi64(_mm512_and_si512(points, _mm512_set1_epi64(0xFFFFFFFELL)), 20);
    const __m512d f = _mm512_sub_pd(
        _mm512_castsi512_pd(_mm512_or_si512(mantissas, _mm512_set1_epi64(0x3FF0000000000000LL))),
        _mm512_set1_pd(1.0));
    int32_t p[8];
    for (int j = 0; j < 8; ++j) {
        const uint64_t at = group_point(point, distance, j, count);
        p[j] = mixer_sample_pair(data, at >= end ? at - lap : at);
    }
    const __m256i pairs = _mm256_setr_epi32(p[0], p[4], p[1], p[5], p[2], p[6], p[3], p[7]);
    const __m512d a = _mm512_cvtepi32_pd(_mm256_srai_epi32(_mm256_slli_epi32(pairs, 16), 16));
    const __m512d b = _mm512_cvtepi32_pd(_mm256_srai_epi32(pairs, 16));
    return _mm512_add_pd(a, _mm512_mul_pd(f, _mm512_sub_pd(b, a)));
}

// out (frames 0..count-1 of the group) += s x gains; only those frames are read and written.
MIXER_AVX512_FUNCTION inline void add_eight(float* out, __m512d s, __m512d gains03, __m512d gains47,
                                            int count) {
    const __m512d s03 = _mm512_unpacklo_pd(s, s);
    const __m512d s47 = _mm512_unpackhi_pd(s, s);
    if (count == 8) {
        const __m512d first = _mm512_cvtps_pd(_mm256_loadu_ps(out));
        const __m512d second = _mm512_cvtps_pd(_mm256_loadu_ps(out + 8));
        _mm256_storeu_ps(out, _mm512_cvtpd_ps(_mm512_add_pd(first, _mm512_mul_pd(s03, gains03))));
        _mm256_storeu_ps(out + 8,
                         _mm512_cvtpd_ps(_mm512_add_pd(second, _mm512_mul_pd(s47, gains47))));
        return;
    }
    const __mmask8 mask03 = __mmask8((1u << (2 * (count < 4 ? count : 4))) - 1);
    const __mmask8 mask47 = __mmask8((1u << (2 * (count > 4 ? count - 4 : 0))) - 1);
    const __m512d first = _mm512_cvtps_pd(_mm256_maskz_loadu_ps(mask03, out));
    const __m512d second = _mm512_cvtps_pd(_mm256_maskz_loadu_ps(mask47, out + 8));
    _mm256_mask_storeu_ps(out, mask03,
                          _mm512_cvtpd_ps(_mm512_add_pd(first, _mm512_mul_pd(s03, gains03))));
    _mm256_mask_storeu_ps(out + 8, mask47,
                          _mm512_cvtpd_ps(_mm512_add_pd(second, _mm512_mul_pd(s47, gains47))));
}

MIXER_AVX512_FUNCTION inline __m512i eight_points(uint64_t point, uint64_t distance) {
    const __m512i frame = _mm512_setr_epi64(0, 4, 1, 5, 2, 6, 3, 7);
    return _mm512_add_epi64(_mm512_set1_epi64((long long)point),
                            _mm512_mullo_epi64(_mm512_set1_epi64((long long)distance), frame));
}

} // namespace

// All `frames`: groups of eight, then one group of the rest with the frames past the end
// masked off, so short passes need no narrower loop.
MIXER_AVX512_FUNCTION void mixer_flat_avx512(float* out, int frames, const int16_t* data,
                                             uint64_t& point, uint64_t distance, double gl,
                                             double gr) {
    const __m512d gains = _mm512_setr_pd(gl, gr, gl, gr, gl, gr, gl, gr);
    __m512i points = eight_points(point, distance);
    const __m512i advance8 = _mm512_set1_epi64((long long)(8 * distance));
    int k = 0;
    for (; k + 8 <= frames; k += 8) {
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, 8), gains, gains,
                  8);
        points = _mm512_add_epi64(points, advance8);
        point += 8 * distance;
    }
    const int rest = frames - k;
    if (rest > 0) {
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, rest), gains, gains,
                  rest);
        point += uint64_t(rest) * distance;
    }
}

// mixer_flat_avx512 on a forward loop: `point` lies before `end` (32.32) and stays inside the loop.
// A group that reaches the end reads its later points one lap back; a group that would span
// a whole lap goes frame by frame.
MIXER_AVX512_FUNCTION void mixer_flat_avx512_looped(float* out, int frames, const int16_t* data,
                                                    uint64_t& point, uint64_t distance, double gl,
                                                    double gr, uint64_t end, uint64_t lap) {
    const __m512d gains = _mm512_setr_pd(gl, gr, gl, gr, gl, gr, gl, gr);
    __m512i points = eight_points(point, distance);
    const __m512i advance8 = _mm512_set1_epi64((long long)(8 * distance));
    int k = 0;
    while (k < frames) {
        const int count = frames - k < 8 ? frames - k : 8;
        const uint64_t last = point + uint64_t(count - 1) * distance;
        if (last - end < lap || last < end) {
            // Full groups get the unmasked code.
            if (count == 8 && last < end)
                add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, 8), gains,
                          gains, 8);
            else if (count == 8)
                add_eight(out + 2 * k,
                          interpolate_eight(data, points, point, distance, 8, end, lap), gains,
                          gains, 8);
            else
                add_eight(out + 2 * k,
                          interpolate_eight(data, points, point, distance, count, end, lap), gains,
                          gains, count);
            const uint64_t next = point + uint64_t(count) * distance;
            point = mixer_wrap_point(next, end, lap);
            points = _mm512_sub_epi64(_mm512_add_epi64(points, advance8),
                                      _mm512_set1_epi64((long long)(next - point)));
            k += count;
        } else {
            const double s = mixer_interpolate(data, point);
            out[2 * k] = float(double(out[2 * k]) + s * gl);
            out[2 * k + 1] = float(double(out[2 * k + 1]) + s * gr);
            point = mixer_wrap_point(point + distance, end, lap);
            points = eight_points(point, distance);
            ++k;
        }
    }
}

namespace {

// (left, right) of frames 0..3 and 4..7 from `level` on, as doubles; gain[j] is the level
// of frame j, gain[8] the one after the group.
MIXER_AVX512_FUNCTION inline void eight_gains(__m128 level, __m128 steps, __m128* gain,
                                              __m512d& gains03, __m512d& gains47) {
    gain[0] = level;
    for (int j = 1; j <= 8; ++j)
        gain[j] = _mm_add_ps(gain[j - 1], steps);
    gains03 = _mm512_cvtps_pd(
        _mm256_set_m128(_mm_movelh_ps(gain[2], gain[3]), _mm_movelh_ps(gain[0], gain[1])));
    gains47 = _mm512_cvtps_pd(
        _mm256_set_m128(_mm_movelh_ps(gain[6], gain[7]), _mm_movelh_ps(gain[4], gain[5])));
}

} // namespace

MIXER_AVX512_FUNCTION void mixer_ramp_avx512(float* out, int frames, const int16_t* data,
                                             uint64_t& point, uint64_t distance, float& left,
                                             float& right, float step_left, float step_right) {
    __m128 level = _mm_setr_ps(left, right, 0.0f, 0.0f);
    const __m128 steps = _mm_setr_ps(step_left, step_right, 0.0f, 0.0f);
    __m512i points = eight_points(point, distance);
    const __m512i advance8 = _mm512_set1_epi64((long long)(8 * distance));
    __m128 gain[9];
    __m512d gains03, gains47;
    int k = 0;
    for (; k + 8 <= frames; k += 8) {
        eight_gains(level, steps, gain, gains03, gains47);
        level = gain[8];
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, 8), gains03,
                  gains47, 8);
        points = _mm512_add_epi64(points, advance8);
        point += 8 * distance;
    }
    const int rest = frames - k;
    if (rest > 0) {
        eight_gains(level, steps, gain, gains03, gains47);
        level = gain[rest];
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, rest), gains03,
                  gains47, rest);
        point += uint64_t(rest) * distance;
    }
    left = _mm_cvtss_f32(level);
    right = _mm_cvtss_f32(_mm_shuffle_ps(level, level, 1));
}

int mixer_wide_level() {
    __builtin_cpu_init(); // may run among the static initializers
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
        return 3;
    return __builtin_cpu_supports("avx2") ? 2 : 0;
}
#endif
