// The mixer: interpolation, ramps, loop boundaries and the 16-bit conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "audio/mixer.h"
#include "music/music.h"

namespace {

// A sample of `values` with room for the 8 values after the end, guard written.
struct TestSample {
    std::vector<int16_t> data;
    Sample sample{};

    TestSample(std::vector<int16_t> values, uint8_t loop_type, uint32_t loop_start = 0,
               uint32_t loop_length = 0) {
        data = values;
        data.resize(values.size() + 8, 0);
        sample.data = data.data();
        sample.length = uint32_t(values.size());
        sample.loop_type = loop_type;
        sample.loop_start = loop_type == LOOP_NONE ? 0 : loop_start;
        sample.loop_length = loop_type == LOOP_NONE ? sample.length : loop_length;
        const uint32_t end = sample.loop_start + sample.loop_length;
        if (loop_type == LOOP_FORWARD)
            data[end] = data[loop_start];
        if (loop_type == LOOP_PINGPONG)
            data[end] = data[end - 1];
    }
};

// Voice 0 playing `sample` from `position` (32.32) at `step` (32.32), at steady gains.
Voice& play(Sample* sample, uint64_t position, uint64_t step, int gain_left = 255,
            int gain_right = 255) {
    mixer_set_rate(44100);
    mixer_reset_voices();
    Voice& v = voice_table[0];
    v.sample = sample;
    v.position = uint32_t(position >> 32);
    v.position_frac = uint32_t(position);
    v.step = uint32_t(step >> 32);
    v.step_frac = uint32_t(step);
    v.direction = 1;
    v.gain_left = v.last_gain_left = gain_left;
    v.gain_right = v.last_gain_right = gain_right;
    v.level_left = gain_left * 256;
    v.level_right = gain_right * 256;
    return v;
}

std::vector<float> mix(int frames) {
    std::vector<float> out(size_t(2 * frames), 0.0f);
    mixer_mix(out.data(), frames);
    return out;
}

constexpr uint64_t ONE = uint64_t(1) << 32;

// Frame by frame, with the boundary tested after every advance: what the mixer's end search
// must reproduce. Steady gains only.
struct Reference {
    std::vector<float> out;
    uint64_t position;
    int direction = 1;
    bool silent = false;

    Reference(const Sample& s, uint64_t start, uint64_t step, float gain, int frames)
        : out(size_t(2 * frames), 0.0f), position(start) {
        const uint64_t ls = uint64_t(s.loop_start) << 32;
        const uint64_t le = uint64_t(s.loop_start + s.loop_length) << 32;
        const uint64_t span = uint64_t(s.loop_length) << 32;
        for (int k = 0; k < frames && !silent; ++k) {
            if (crossed(ls, le)) {
                boundary(s, ls, le, span);
                if (silent)
                    break;
            }
            const uint32_t i = uint32_t(position >> 32);
            const double f = double(int32_t(uint32_t(position) >> 1)) / 2147483648.0;
            const double v = s.data[i] + f * (double(s.data[i + 1]) - s.data[i]);
            out[2 * k] = float(double(out[2 * k]) + v * double(gain));
            out[2 * k + 1] = float(double(out[2 * k + 1]) + v * double(gain));
            position &= ~uint64_t(1);
            position = direction == 2 ? position - step : position + step;
        }
        if (!silent && crossed(ls, le))
            boundary(s, ls, le, span);
    }

    bool crossed(uint64_t ls, uint64_t le) const {
        return direction == 1 ? position >= le : int64_t(position) < int64_t(ls);
    }

    void boundary(const Sample& s, uint64_t ls, uint64_t le, uint64_t span) {
        if (s.loop_type == LOOP_FORWARD) {
            do
                position -= span;
            while (position >= le);
        } else if (s.loop_type == LOOP_PINGPONG) {
            __int128 p = direction == 2 ? __int128(int64_t(position)) : __int128(position);
            for (;;) {
                if (direction == 1 && p >= __int128(le)) {
                    p = 2 * __int128(le) - 1 - p;
                    direction = 2;
                } else if (direction == 2 && p < __int128(ls)) {
                    p = 2 * __int128(ls) - 1 - p;
                    direction = 1;
                } else {
                    break;
                }
            }
            position = uint64_t(p);
        } else {
            silent = true;
            position = 0;
        }
    }
};

} // namespace

TEST(MixerRamp, NoteStartsFromSilenceOverOneRampLength) {
    TestSample s(std::vector<int16_t>(1000, 10000), LOOP_NONE);
    Voice& v = play(&s.sample, 0, ONE);
    v.level_left = v.level_right = 0; // as the replay leaves a note start
    v.ramp_frames = 0;
    const std::vector<float> out = mix(300);
    EXPECT_EQ(out[0], 0.0f);
    for (int k = 1; k < 128; ++k) {
        EXPECT_GT(out[2 * k], out[2 * k - 2]) << k;
        EXPECT_LT(out[2 * k], 10000.0f) << k;
        EXPECT_EQ(out[2 * k], out[2 * k + 1]);
    }
    for (int k = 128; k < 300; ++k)
        ASSERT_EQ(out[2 * k], 10000.0f) << k;
    EXPECT_EQ(v.ramp_frames, 0);
    EXPECT_EQ(v.level_left, 255 * 256);
    EXPECT_EQ(v.ramp_step_left, 0.0f);
}

TEST(MixerRamp, GainChangeRestartsTheRampFromTheCurrentLevel) {
    TestSample s(std::vector<int16_t>(1000, 8000), LOOP_NONE);
    Voice& v = play(&s.sample, 0, ONE);
    v.level_left = v.level_right = 0;
    mix(64);
    EXPECT_EQ(v.ramp_frames, 64);
    const int32_t half = v.level_left;
    EXPECT_NEAR(half, 255 * 128, 256);
    v.gain_left = 0;
    mix(10);
    EXPECT_EQ(v.ramp_frames, 118); // a full ramp length from the change
    EXPECT_LT(v.level_left, half);
    EXPECT_GT(v.level_right, half);
    mix(118);
    EXPECT_EQ(v.ramp_frames, 0);
    EXPECT_EQ(v.level_left, 0);
    EXPECT_EQ(v.level_right, 255 * 256);
}

TEST(MixerLoops, ForwardLoopWrapsBySeveralLoopLengths) {
    TestSample s({0, 100, 200, 300, 400, 500, 600, 700, 800, 900}, LOOP_FORWARD, 4, 3);
    // Step 7.25 across a loop of 3: each boundary takes off two or three loop lengths.
    Voice& v = play(&s.sample, 0, 7 * ONE + ONE / 4);
    const std::vector<float> out = mix(6);
    Reference ref(s.sample, 0, 7 * ONE + ONE / 4, 1.0f, 6);
    EXPECT_EQ(out, ref.out);
    EXPECT_EQ((uint64_t(v.position) << 32) | v.position_frac, ref.position);
    EXPECT_GE(v.position, 4u);
    EXPECT_LT(v.position, 7u);
}

TEST(MixerLoops, PingPongMirrorsTheOvershoot) {
    TestSample s({0, 1, 2, 3, 4, 5, 6, 7}, LOOP_PINGPONG, 0, 8);
    Voice& v = play(&s.sample, 7 * ONE + ONE / 2, ONE);
    mix(1);
    // 8.5 is 0.5 past the end: back from 8 - 0.5 - 2^-32.
    EXPECT_EQ(v.direction, 2);
    EXPECT_EQ(v.position, 7u);
    EXPECT_EQ(v.position_frac, 0x7FFFFFFFu);
    mix(8);
    EXPECT_EQ(v.direction, 1); // turned again at the start
    EXPECT_LT(v.position, 8u);
}

TEST(MixerLoops, UnloopedSampleEndsAfterItsFrames) {
    TestSample s({1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}, LOOP_NONE);
    Voice& v = play(&s.sample, 0, ONE / 2);
    const std::vector<float> out = mix(30);
    for (int k = 0; k < 19; ++k)
        EXPECT_EQ(out[2 * k], 1000.0f) << k;
    EXPECT_EQ(out[2 * 19], 500.0f); // halfway to the zero guard
    for (int k = 20; k < 30; ++k)
        EXPECT_EQ(out[2 * k], 0.0f) << k;
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0u);
}

TEST(MixerLoops, EmptySampleReadsNothing) {
    Voice& v = play(&EMPTY_SAMPLE, 0, ONE);
    const std::vector<float> out = mix(16);
    for (float x : out)
        EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(v.sample, nullptr);
}

TEST(MixerLoops, NothingForNoFrames) {
    TestSample s({5, 5, 5}, LOOP_NONE);
    Voice& v = play(&s.sample, 0, ONE);
    float buffer[2] = {1.0f, 2.0f};
    mixer_mix(buffer, 0);
    mixer_mix(buffer, -3);
    mixer_mix(nullptr, 4);
    EXPECT_EQ(buffer[0], 1.0f);
    EXPECT_EQ(v.position, 0u);
    EXPECT_EQ(v.sample, &s.sample);
}

// The 24-bit end search can land a frame short of the boundary; then a ping-pong loop at 0
// would turn to -2^-32 and read data[0xFFFFFFFF], and a forward loop subtract for ever.
// Random voices against the frame-by-frame reference, exact to the bit.
TEST(MixerBoundaries, MatchTheFrameByFrameReference) {
    std::mt19937_64 random(1234);
    for (int trial = 0; trial < 3000; ++trial) {
        const uint32_t length = 2 + uint32_t(random() % 40);
        std::vector<int16_t> values(length);
        for (int16_t& x : values)
            x = int16_t(random());
        const uint8_t types[] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG};
        const uint8_t type = types[trial % 3];
        const uint32_t loop_start =
            type == LOOP_PINGPONG && trial % 2 ? 0 : uint32_t(random() % (length - 1));
        const uint32_t loop_length = 1 + uint32_t(random() % (length - loop_start));
        TestSample s(values, type, loop_start, loop_length);
        const uint64_t step = ((random() % 3) * ONE + (random() >> 32)) | uint64_t(trial & 1);
        const uint64_t start =
            (uint64_t(random() % (s.sample.loop_start + s.sample.loop_length)) << 32) |
            (random() >> 32);
        const int frames = 1 + int(random() % 300);
        Voice& v = play(&s.sample, start, step, 255, 255);
        const std::vector<float> out = mix(frames);
        Reference ref(s.sample, start, step, 1.0f, frames);
        ASSERT_EQ(out, ref.out) << "trial " << trial;
        if (ref.silent) {
            ASSERT_EQ(v.sample, nullptr) << "trial " << trial;
        } else {
            ASSERT_EQ((uint64_t(v.position) << 32) | v.position_frac, ref.position) << trial;
            ASSERT_EQ(v.direction, ref.direction) << "trial " << trial;
            ASSERT_LT(v.position, s.sample.loop_start + s.sample.loop_length) << trial;
        }
    }
}

TEST(MixerBoundaries, DivisionThatComesOutExactDoesNotStopShort) {
    // Step 2^30 + 1 and distance 2^34 + 100 (in 2^-32 units): the 24-bit search divides
    // 2^26 by 2^22 exactly and says 16 frames, but 16 frames move only 2^34 + 1, because
    // each frame after the first loses the step's low bit.
    TestSample s({1, 2, 3, 4, 5, 6, 7, 8}, LOOP_FORWARD, 0, 8);
    const uint64_t step = (uint64_t(1) << 30) + 1;
    const uint64_t start = 8 * ONE - ((uint64_t(1) << 34) + 100);
    EXPECT_EQ(((8 * ONE - start) >> 8) % (step >> 8), 0u);
    Voice& v = play(&s.sample, start, step);
    mix(16);
    EXPECT_EQ(v.position, 7u); // 99 units short of the end: not wrapped yet
    EXPECT_EQ(v.position_frac, uint32_t(0) - 99u);
    mix(1);
    EXPECT_LT(v.position, 8u);
    Reference ref(s.sample, start, step, 1.0f, 17);
    EXPECT_EQ((uint64_t(v.position) << 32) | v.position_frac, ref.position);
}

TEST(MixerBoundaries, ExactArrivalAtLoopStartTurnsInside) {
    // Backward from 2.0 by 1.0: the position meets the loop start 0 exactly, then goes below.
    TestSample s({10, 20, 30, 40}, LOOP_PINGPONG, 0, 4);
    Voice& v = play(&s.sample, 2 * ONE, ONE);
    v.direction = 2;
    const std::vector<float> out = mix(4);
    EXPECT_EQ(out[0], 30.0f);
    EXPECT_EQ(out[2], 20.0f);
    EXPECT_EQ(out[4], 10.0f); // position 0 is still played
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
