// The mixer's per-frame loops: interpolation and gain in double precision, buffer in float.
#include "audio/mixer_frames.h"

#include <cstddef>

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

}  // namespace

uint64_t mixer_frames_flat(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float gain_left, float gain_right) {
    const double gl = gain_left, gr = gain_right;
    for (int k = 0; k < frames; ++k) {
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
    for (int k = 0; k < frames; ++k) {
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
