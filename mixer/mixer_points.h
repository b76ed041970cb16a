#pragma once
// The points a run of mixer frames reads, and the reads: shared by the plain, SSE2 and wide
// loops so all of them do the same arithmetic.

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr double MIXER_FRACTION_SCALE = 1.0 / 2147483648.0; // 2^-31

// Each frame clears the position's lowest bit before it advances, and the interpolation never
// reads that bit. So the points a run of frames reads, the positions with the bit cleared, lie
// a fixed distance apart: step & ~1 forward, step + (step & 1) backward.
inline uint64_t mixer_point_distance(uint64_t step, int direction) {
    return direction == 2 ? uint64_t(0) - (step + (step & 1)) : step & ~uint64_t(1);
}

// A point at or past `end` (32.32) taken back by whole laps (the loop length, 32.32) into the
// loop, as the pass logic wraps a forward loop.
inline uint64_t mixer_wrap_point(uint64_t point, uint64_t end, uint64_t lap) {
    if (point < end)
        return point;
    const uint64_t past = (point >> 32) - (end >> 32), length = lap >> 32;
    return point - (past < length ? 1 : past / length + 1) * lap;
}

// The position after the frame that read `point`.
inline uint64_t mixer_advance(uint64_t point, uint64_t step, int direction) {
    return direction == 2 ? point - step : point + step;
}

inline double mixer_interpolate(const int16_t* data, uint64_t point) {
    const uint32_t i = uint32_t(point >> 32);
    const double f = double(int32_t(uint32_t(point) >> 1)) * MIXER_FRACTION_SCALE;
    const double a = data[i];
    return a + f * (double(data[size_t(i) + 1]) - a);
}

// The sample value at `i` and the next one, read together: (data[i], data[i + 1]) as the low
// and high halves of a little-endian 32-bit word.
inline int32_t mixer_sample_pair(const int16_t* data, uint64_t point) {
    int32_t pair;
    std::memcpy(&pair, data + (point >> 32), sizeof pair);
    return pair;
}
