// The mixer's per-frame loops: interpolation and gain in double precision, buffer in float.
// The SSE2, AVX2 and AVX-512 loops do the same operations in the same order as the plain ones,
// two, four or eight frames at a time, so the results are the same to the bit.
#include "mixer/mixer_frames.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIXER_SSE2 1
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define MIXER_AVX2 1 // AVX2 and AVX-512, chosen at run time
// GCC 12's AVX-512 headers start vectors from themselves (_mm512_undefined_*), which it then
// reports as maybe uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

constexpr double FRACTION_SCALE = 1.0 / 2147483648.0; // 2^-31

// Each frame clears the position's lowest bit before it advances, and the interpolation never
// reads that bit. So the points a run of frames reads, the positions with the bit cleared, lie
// a fixed distance apart: step & ~1 forward, step + (step & 1) backward.
inline uint64_t point_distance(uint64_t step, int direction) {
    return direction == 2 ? uint64_t(0) - (step + (step & 1)) : step & ~uint64_t(1);
}

// A point at or past `end` (32.32) taken back by whole laps (the loop length, 32.32) into the
// loop, as the pass logic wraps a forward loop.
inline uint64_t wrap_point(uint64_t point, uint64_t end, uint64_t lap) {
    if (point < end)
        return point;
    const uint64_t past = (point >> 32) - (end >> 32), length = lap >> 32;
    return point - (past < length ? 1 : past / length + 1) * lap;
}

// The position after the frame that read `point`.
inline uint64_t advance(uint64_t point, uint64_t step, int direction) {
    return direction == 2 ? point - step : point + step;
}

inline double interpolate(const int16_t* data, uint64_t point) {
    const uint32_t i = uint32_t(point >> 32);
    const double f = double(int32_t(uint32_t(point) >> 1)) * FRACTION_SCALE;
    const double a = data[i];
    return a + f * (double(data[size_t(i) + 1]) - a);
}

// The sample value at `i` and the next one, read together: (data[i], data[i + 1]) as the low
// and high halves of a little-endian 32-bit word.
inline int32_t sample_pair(const int16_t* data, uint64_t point) {
    int32_t pair;
    std::memcpy(&pair, data + (point >> 32), sizeof pair);
    return pair;
}

#ifdef MIXER_SSE2
// Interpolated values of the frames at points e0 and e1, as (s0, s1).
inline __m128d interpolate_pair(const int16_t* data, uint64_t e0, uint64_t e1) {
    const __m128i fractions =
        _mm_set_epi32(0, 0, int32_t(uint32_t(e1) >> 1), int32_t(uint32_t(e0) >> 1));
    const __m128d f = _mm_mul_pd(_mm_cvtepi32_pd(fractions), _mm_set1_pd(FRACTION_SCALE));
    const __m128i pairs = _mm_set_epi32(0, 0, sample_pair(data, e1), sample_pair(data, e0));
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

#ifdef MIXER_AVX2
#define MIXER_AVX2_FUNCTION __attribute__((target("avx2")))

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
    const __m256i mantissas = _mm256_slli_epi64(
        _mm256_and_si256(points, _mm256_set1_epi64x(0xFFFFFFFELL)), 20);
    const __m256d f = _mm256_sub_pd(
        _mm256_castsi256_pd(_mm256_or_si256(mantissas, _mm256_set1_epi64x(0x3FF0000000000000LL))),
        _mm256_set1_pd(1.0));
    const __m128i pairs = _mm_setr_epi32(
        sample_pair(data, point), sample_pair(data, point + 2 * distance),
        sample_pair(data, point + distance), sample_pair(data, point + 3 * distance));
    const __m256d a = _mm256_cvtepi32_pd(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
    const __m256d b = _mm256_cvtepi32_pd(_mm_srai_epi32(pairs, 16));
    return _mm256_add_pd(a, _mm256_mul_pd(f, _mm256_sub_pd(b, a)));
}

// out[0..7] (four stereo frames) += s x gains; gains01 holds frames 0 and 1, gains23 2 and 3.
MIXER_AVX2_FUNCTION inline void add_four(float* out, __m256d s, __m256d gains01,
                                         __m256d gains23) {
    const __m256d first = _mm256_cvtps_pd(_mm_loadu_ps(out));
    const __m256d second = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));
    const __m256d s01 = _mm256_unpacklo_pd(s, s);
    const __m256d s23 = _mm256_unpackhi_pd(s, s);
    _mm_storeu_ps(out, _mm256_cvtpd_ps(_mm256_add_pd(first, _mm256_mul_pd(s01, gains01))));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(_mm256_add_pd(second, _mm256_mul_pd(s23, gains23))));
}

MIXER_AVX2_FUNCTION int flat_avx2(float* out, int frames, const int16_t* data, uint64_t& point,
                                  uint64_t distance, double gl, double gr) {
    const __m256d gains = _mm256_set_pd(gr, gl, gr, gl);
    FourPoints p = four_points(point, distance);
    int k = 0;
    for (; k + 4 <= frames; k += 4) {
        add_four(out + 2 * k, interpolate_four(data, p.points, point, distance), gains, gains);
        p.points = _mm256_add_epi64(p.points, p.distance);
        point += 4 * distance;
    }
    return k;
}

// The levels go up by their float steps one frame at a time, as in the plain loop; (left,
// right) pairs of four frames become the gains of the group.
MIXER_AVX2_FUNCTION int ramp_avx2(float* out, int frames, const int16_t* data, uint64_t& point,
                                  uint64_t distance, float& left, float& right, float step_left,
                                  float step_right) {
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

// AVX-512: eight frames a round, and masks for the last few. Lanes hold frames 0, 4, 1, 5, 2, 6, 3, 7, so the in-lane
// unpacks give frames 0..3 and 4..7 as stereo pairs.
#define MIXER_AVX512_FUNCTION __attribute__((target("avx512f,avx512vl,avx512dq")))

// Frames of a group at or past `count` read frame 0's pair, which lies inside the sample.
inline uint64_t group_point(uint64_t point, uint64_t distance, int j, int count) {
    return j < count ? point + uint64_t(j) * distance : point;
}

// `end`, `lap`: points at or past `end` read one lap (the loop length, 32.32) back; the group
// then spans less than a lap. The fractions are the same either way.
MIXER_AVX512_FUNCTION inline __m512d interpolate_eight(const int16_t* data, __m512i points,
                                                       uint64_t point, uint64_t distance,
                                                       int count, uint64_t end = ~uint64_t(0),
                                                       uint64_t lap = 0) {
    const __m512i mantissas =
        _mm512_slli_epi64(_mm512_and_si512(points, _mm512_set1_epi64(0xFFFFFFFELL)), 20);
    const __m512d f = _mm512_sub_pd(
        _mm512_castsi512_pd(_mm512_or_si512(mantissas, _mm512_set1_epi64(0x3FF0000000000000LL))),
        _mm512_set1_pd(1.0));
    int32_t p[8];
    for (int j = 0; j < 8; ++j) {
        const uint64_t at = group_point(point, distance, j, count);
        p[j] = sample_pair(data, at >= end ? at - lap : at);
    }
    const __m256i pairs = _mm256_setr_epi32(p[0], p[4], p[1], p[5], p[2], p[6], p[3], p[7]);
    const __m512d a = _mm512_cvtepi32_pd(_mm256_srai_epi32(_mm256_slli_epi32(pairs, 16), 16));
    const __m512d b = _mm512_cvtepi32_pd(_mm256_srai_epi32(pairs, 16));
    return _mm512_add_pd(a, _mm512_mul_pd(f, _mm512_sub_pd(b, a)));
}

// out (frames 0..count-1 of the group) += s x gains; only those frames are read and written.
MIXER_AVX512_FUNCTION inline void add_eight(float* out, __m512d s, __m512d gains03,
                                            __m512d gains47, int count) {
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

// All `frames`: groups of eight, then one group of the rest with the frames past the end
// masked off, so short passes need no narrower loop.
MIXER_AVX512_FUNCTION void flat_avx512(float* out, int frames, const int16_t* data,
                                       uint64_t& point, uint64_t distance, double gl, double gr) {
    const __m512d gains = _mm512_setr_pd(gl, gr, gl, gr, gl, gr, gl, gr);
    __m512i points = eight_points(point, distance);
    const __m512i advance8 = _mm512_set1_epi64((long long)(8 * distance));
    int k = 0;
    for (; k + 8 <= frames; k += 8) {
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, 8), gains, gains, 8);
        points = _mm512_add_epi64(points, advance8);
        point += 8 * distance;
    }
    const int rest = frames - k;
    if (rest > 0) {
        add_eight(out + 2 * k, interpolate_eight(data, points, point, distance, rest), gains,
                  gains, rest);
        point += uint64_t(rest) * distance;
    }
}

// flat_avx512 on a forward loop: `point` lies before `end` (32.32) and stays inside the loop.
// A group that reaches the end reads its later points one lap back; a group that would span
// a whole lap goes frame by frame.
MIXER_AVX512_FUNCTION void flat_avx512_looped(float* out, int frames, const int16_t* data,
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
                          interpolate_eight(data, points, point, distance, count, end, lap),
                          gains, gains, count);
            const uint64_t next = point + uint64_t(count) * distance;
            point = wrap_point(next, end, lap);
            points = _mm512_sub_epi64(_mm512_add_epi64(points, advance8),
                                      _mm512_set1_epi64((long long)(next - point)));
            k += count;
        } else {
            const double s = interpolate(data, point);
            out[2 * k] = float(double(out[2 * k]) + s * gl);
            out[2 * k + 1] = float(double(out[2 * k + 1]) + s * gr);
            point = wrap_point(point + distance, end, lap);
            points = eight_points(point, distance);
            ++k;
        }
    }
}

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

MIXER_AVX512_FUNCTION void ramp_avx512(float* out, int frames, const int16_t* data,
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

bool has_avx2() {
    return __builtin_cpu_supports("avx2");
}

bool has_avx512() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq");
}
#endif

int widest_level() {
#ifdef MIXER_AVX2
    __builtin_cpu_init(); // this runs among the static initializers
    if (has_avx512())
        return 3;
    if (has_avx2())
        return 2;
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
    const uint64_t distance = point_distance(step, direction);
    uint64_t point = position & ~uint64_t(1);
    int k = 0;
#ifdef MIXER_AVX2
    if (level_in_use >= 3) {
        flat_avx512(out, frames, data, point, distance, gl, gr);
        return advance(point - distance, step, direction);
    }
    if (level_in_use >= 2)
        k += flat_avx2(out + 2 * k, frames - k, data, point, distance, gl, gr);
#endif
#ifdef MIXER_SSE2
    if (level_in_use >= 1)
        k += flat_sse2(out + 2 * k, frames - k, data, point, distance, gl, gr);
#endif
    for (; k < frames; ++k) {
        const double s = interpolate(data, point);
        out[2 * k] = float(double(out[2 * k]) + s * gl);
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * gr);
        point += distance;
    }
    return advance(point - distance, step, direction);
}

uint64_t mixer_frames_ramp(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float& level_left, float& level_right,
                           float step_left, float step_right) {
    if (frames < 1)
        return position;
    float left = level_left, right = level_right;
    const uint64_t distance = point_distance(step, direction);
    uint64_t point = position & ~uint64_t(1);
    int k = 0;
#ifdef MIXER_AVX2
    if (level_in_use >= 3) {
        ramp_avx512(out, frames, data, point, distance, left, right, step_left, step_right);
        level_left = left;
        level_right = right;
        return advance(point - distance, step, direction);
    }
    if (level_in_use >= 2)
        k += ramp_avx2(out + 2 * k, frames - k, data, point, distance, left, right, step_left,
                       step_right);
#endif
#ifdef MIXER_SSE2
    if (level_in_use >= 1)
        k += ramp_sse2(out + 2 * k, frames - k, data, point, distance, left, right, step_left,
                       step_right);
#endif
    for (; k < frames; ++k) {
        const double s = interpolate(data, point);
        out[2 * k] = float(double(out[2 * k]) + s * double(left));
        out[2 * k + 1] = float(double(out[2 * k + 1]) + s * double(right));
        left += step_left;
        right += step_right;
        point += distance;
    }
    level_left = left;
    level_right = right;
    return advance(point - distance, step, direction);
}

uint64_t mixer_frames_flat_looped(float* out, int frames, const int16_t* data, uint64_t position,
                                  uint64_t step, float gain_left, float gain_right,
                                  uint64_t loop_start, uint64_t loop_length) {
    const uint64_t end = (loop_start + loop_length) << 32, lap = loop_length << 32;
    const uint64_t distance = step & ~uint64_t(1);
    // The points (even) go round the loop; the position ends (step & 1) past the next one.
    uint64_t point = wrap_point(position, end, lap) & ~uint64_t(1);
    if (frames < 1)
        return wrap_point(position, end, lap);
#ifdef MIXER_AVX2
    if (level_in_use >= 3) {
        flat_avx512_looped(out, frames, data, point, distance, gain_left, gain_right, end, lap);
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
        point = wrap_point(after, end, lap) & ~uint64_t(1);
        k += n;
    }
    return point + (step & 1);
}
