// The mixer: ramps, loop boundaries and the 16-bit conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "mixer/mixer.h"
#include "music/music.h"

namespace {

constexpr uint64_t ONE = uint64_t(1) << 32;

// A sample of `values` with room for the 8 values after the end, guard written as the loader does.
struct TestSample {
    std::vector<int16_t> data;
    Sample sample{};

    TestSample(std::vector<int16_t> values, uint8_t type, uint32_t start = 0, uint32_t length = 0)
        : data(values) {
        data.resize(values.size() + 8, 0);
        sample.data = data.data();
        sample.length = uint32_t(values.size());
        sample.loop_type = type;
        sample.loop_start = type == LOOP_NONE ? 0 : start;
        sample.loop_length = type == LOOP_NONE ? sample.length : length;
        const uint32_t end = sample.loop_start + sample.loop_length;
        if (type != LOOP_NONE)
            data[end] = type == LOOP_FORWARD ? data[start] : data[end - 1];
    }
};

// Voice 0 playing `sample` from `position` at `step` (both 32.32) at steady full gains.
Voice& play(Sample* sample, uint64_t position, uint64_t step) {
    mixer_set_rate(44100);
    mixer_reset_voices();
    Voice& v = voice_table[0];
    v.sample = sample;
    v.position = uint32_t(position >> 32);
    v.position_frac = uint32_t(position);
    v.step = uint32_t(step >> 32);
    v.step_frac = uint32_t(step);
    v.direction = 1;
    v.gain_left = v.last_gain_left = v.gain_right = v.last_gain_right = 255;
    v.level_left = v.level_right = 255 * 256;
    return v;
}

std::vector<float> mix(int frames) {
    std::vector<float> out(size_t(2 * frames), 0.0f);
    mixer_mix(out.data(), frames);
    return out;
}

uint64_t position_of(const Voice& v) {
    return (uint64_t(v.position) << 32) | v.position_frac;
}

// Frame by frame, the boundary tested after every advance: what the mixer's end search must
// reproduce (steady gains).
struct Reference {
    std::vector<float> out;
    uint64_t position;
    int direction = 1;
    bool silent = false;

    Reference(const Sample& s, uint64_t start, uint64_t step, int frames)
        : out(size_t(2 * frames), 0.0f), position(start) {
        const __int128 ls = __int128(s.loop_start) << 32;
        const __int128 le = __int128(s.loop_start + s.loop_length) << 32;
        for (int k = 0; k <= frames && !silent; ++k) {
            __int128 p = direction == 2 ? __int128(int64_t(position)) : __int128(position);
            while (!silent && (direction == 1 ? p >= le : p < ls)) {
                if (s.loop_type == LOOP_FORWARD)
                    p -= le - ls;
                else if (s.loop_type == LOOP_PINGPONG)
                    p = 2 * (direction == 1 ? le : ls) - 1 - p, direction = 3 - direction;
                else
                    silent = true, p = 0;
            }
            position = uint64_t(p);
            if (k == frames || silent)
                break;
            const uint32_t i = uint32_t(position >> 32);
            const double f = double(int32_t(uint32_t(position) >> 1)) / 2147483648.0;
            const double v = s.data[i] + f * (double(s.data[i + 1]) - s.data[i]);
            out[2 * k] = out[2 * k + 1] = float(v);
            position &= ~uint64_t(1);
            position = direction == 2 ? position - step : position + step;
        }
    }
};

} // namespace

TEST(MixerLoops, UnloopedEndEmptySampleAndNoFrames) {
    TestSample s(std::vector<int16_t>(10, 1000), LOOP_NONE);
    Voice& v = play(&s.sample, 0, ONE / 2);
    const std::vector<float> out = mix(30);
    for (int k = 0; k < 30; ++k) // halfway to the zero guard at frame 19, then silence
        EXPECT_EQ(out[2 * k], k < 19 ? 1000.0f : k == 19 ? 500.0f : 0.0f) << k;
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0u);

    play(&EMPTY_SAMPLE, 5 * ONE, ONE);
    for (float x : mix(16))
        EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0u);

    play(&s.sample, 0, ONE);
    float buffer[2] = {1.0f, 2.0f};
    mixer_mix(buffer, 0);
    mixer_mix(buffer, -3);
    mixer_mix(nullptr, 4);
    EXPECT_EQ(buffer[0], 1.0f);
    EXPECT_EQ(v.position, 0u);
    EXPECT_EQ(v.sample, &s.sample);
}

// The 24-bit end search can land short of the boundary; then a ping-pong loop at 0 would
// turn to -2^-32 and read data[0xFFFFFFFF], and a forward loop subtract for ever. Random
// voices against the frame-by-frame reference, exact to the bit, some of them silent.
TEST(MixerBoundaries, MatchTheFrameByFrameReference) {
    std::mt19937_64 random(1234);
    for (int trial = 0; trial < 3000; ++trial) {
        const uint32_t length = 2 + uint32_t(random() % 40);
        std::vector<int16_t> values(length);
        for (int16_t& x : values)
            x = int16_t(random());
        const uint8_t type = trial % 3 ? (trial % 3 == 1 ? LOOP_FORWARD : LOOP_PINGPONG) : LOOP_NONE;
        const uint32_t loop_start =
            type == LOOP_PINGPONG && trial % 2 ? 0 : uint32_t(random() % (length - 1));
        const uint32_t loop_length = 1 + uint32_t(random() % (length - loop_start));
        TestSample s(values, type, loop_start, loop_length);
        const uint64_t step = ((random() % 3) * ONE + (random() >> 32)) | uint64_t(trial & 1);
        const uint64_t start =
            (uint64_t(random() % (s.sample.loop_start + s.sample.loop_length)) << 32) |
            (random() >> 32);
        const int frames = 1 + int(random() % 300);
        Voice& v = play(&s.sample, start, step);
        // Every fourth voice at gains of 0: it adds nothing, but moves as a sounding one.
        const bool muted = trial % 4 == 3;
        if (muted)
            v.gain_left = v.last_gain_left = v.gain_right = v.last_gain_right = v.level_left =
                v.level_right = 0;
        const std::vector<float> out = mix(frames);
        Reference ref(s.sample, start, step, frames);
        if (muted)
            ref.out.assign(ref.out.size(), 0.0f);
        ASSERT_EQ(out, ref.out) << "trial " << trial;
        if (ref.silent) {
            ASSERT_EQ(v.sample, nullptr) << "trial " << trial;
        } else {
            ASSERT_EQ(position_of(v), ref.position) << "trial " << trial;
            ASSERT_EQ(v.direction, ref.direction) << "trial " << trial;
            ASSERT_LT(v.position, s.sample.loop_start + s.sample.loop_length) << trial;
        }
    }
}

TEST(MixerBoundaries, ExactDivisionAndExactArrival) {
    // Step 2^30 + 1 and distance 2^34 + 100 (in 2^-32 units): the 24-bit search divides 2^26
    // by 2^22 exactly and says 16 frames, but 16 frames move only 2^34 + 1, because each frame
    // after the first loses the step's low bit.
    TestSample s({1, 2, 3, 4, 5, 6, 7, 8}, LOOP_FORWARD, 0, 8);
    const uint64_t step = (uint64_t(1) << 30) + 1;
    const uint64_t start = 8 * ONE - ((uint64_t(1) << 34) + 100);
    ASSERT_EQ(((8 * ONE - start) >> 8) % (step >> 8), 0u);
    Voice& v = play(&s.sample, start, step);
    mix(16);
    EXPECT_EQ(position_of(v), 8 * ONE - 99); // not wrapped yet
    mix(1);
    EXPECT_EQ(position_of(v), Reference(s.sample, start, step, 17).position);
    EXPECT_LT(v.position, 8u);

    // Backward from 2.0 by 1.0 meets the loop start 0 exactly: it is still played.
    TestSample p({10, 20, 30, 40}, LOOP_PINGPONG, 0, 4);
    play(&p.sample, 2 * ONE, ONE).direction = 2;
    const std::vector<float> out = mix(4);
    EXPECT_EQ((std::vector<float>{out[0], out[2], out[4]}), (std::vector<float>{30, 20, 10}));
    EXPECT_EQ(v.direction, 1);
    EXPECT_LT(v.position, 4u);
}

TEST(MixerPcm16, RoundsToEvenAndClips) {
    const float in[] = {40000.4f, -40000.0f, 2.5f, 3.5f, -2.5f, -0.5f, 32767.4f, -32768.6f};
    int16_t out[8];
    std::memset(out, 0x55, sizeof(out));
    mixer_to_pcm16(out, in, 4);
    const int16_t expected[] = {32767, -32768, 2, 4, -2, 0, 32767, -32768};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(out[k], expected[k]) << k;
    int16_t untouched[2] = {9, 9};
    mixer_to_pcm16(untouched, in, 0);
    mixer_to_pcm16(untouched, nullptr, 1);
    mixer_to_pcm16(nullptr, in, 1);
    EXPECT_EQ(untouched[0], 9);
}
