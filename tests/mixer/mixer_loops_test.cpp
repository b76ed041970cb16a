// The mixer's wide loops (SSE2, AVX2, AVX-512, whichever this processor runs) against the plain
// one: random voices with random gains, ramps, loops and directions, mixed to the bit alike.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "mixer/mixer.h"
#include "mixer/mixer_frames.h"
#include "mixer/sample.h"

namespace {

struct RandomSample {
    std::vector<int16_t> data;
    Sample sample{};
};

void make_sample(RandomSample& s, std::mt19937_64& random) {
    const uint32_t length = 1 + uint32_t(random() % (random() % 2 ? 40 : 3000));
    s.data.resize(length + 8);
    for (int16_t& x : s.data)
        x = int16_t(random());
    static const uint8_t TYPES[3] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG};
    s.sample.data = s.data.data();
    s.sample.length = length;
    s.sample.loop_type = TYPES[random() % 3];
    s.sample.loop_start = s.sample.loop_type == LOOP_NONE ? 0 : uint32_t(random() % length);
    s.sample.loop_length = s.sample.loop_type == LOOP_NONE
                               ? length
                               : 1 + uint32_t(random() % (length - s.sample.loop_start));
}

void random_voice(Voice& v, Sample* sample, std::mt19937_64& random) {
    v.sample = sample;
    const uint32_t end = sample->loop_start + sample->loop_length;
    v.position = uint32_t(random() % end);
    v.position_frac = uint32_t(random());
    v.step = uint32_t(random() % 5);
    v.step_frac = uint32_t(random()) | (v.step == 0 ? 1u : 0u);
    v.direction = sample->loop_type == LOOP_PINGPONG && random() % 2 ? 2 : 1;
    v.gain_left = int32_t(random() % 256);
    v.gain_right = int32_t(random() % 256);
    // Steady, in the middle of a ramp (its stored steps go on), or with new targets.
    const int kind = int(random() % 3);
    v.last_gain_left = kind == 2 ? int32_t(random() % 256) : v.gain_left;
    v.last_gain_right = kind == 2 ? int32_t(random() % 256) : v.gain_right;
    v.level_left = kind == 0 ? v.gain_left * 256 : int32_t(random() % (256 * 255));
    v.level_right = kind == 0 ? v.gain_right * 256 : int32_t(random() % (256 * 255));
    const bool ramping = kind != 0 && random() % 4;
    v.ramp_frames = ramping ? 1 + int32_t(random() % 128) : 0;
    v.ramp_step_left = ramping ? float(int(random() % 2001) - 1000) * 1e-5f : 0.0f;
    v.ramp_step_right = ramping ? float(int(random() % 2001) - 1000) * 1e-5f : 0.0f;
}

TEST(MixerLoops, EveryWidthMixesAsThePlainLoop) {
    std::mt19937_64 random(2026);
    std::vector<RandomSample> samples(MIXED_VOICES);
    const int widest = mixer_frames_set_level(99);
    for (int trial = 0; trial < 40; ++trial) {
        mixer_set_rate(44100);
        mixer_reset_voices();
        for (int v = 0; v < MIXED_VOICES; ++v) {
            make_sample(samples[size_t(v)], random);
            if (random() % 8)
                random_voice(voice_table[v], &samples[size_t(v)].sample, random);
        }
        Voice start[MIXED_VOICES];
        std::memcpy(static_cast<void*>(start), voice_table, sizeof start);
        int calls[3];
        for (int& n : calls)
            n = 1 + int(random() % 900);
        std::vector<float> initial(2 * 900);
        for (float& x : initial)
            x = float(int(random() % 20001) - 10000) * 0.37f;

        std::vector<float> expected;
        Voice expected_voices[MIXED_VOICES];
        for (int level = 0; level <= widest; ++level) {
            ASSERT_EQ(mixer_frames_set_level(level), level);
            std::memcpy(static_cast<void*>(voice_table), start, sizeof start);
            std::vector<float> out;
            for (const int n : calls) {
                std::vector<float> buffer(initial.begin(), initial.begin() + 2 * n);
                mixer_mix(buffer.data(), n);
                out.insert(out.end(), buffer.begin(), buffer.end());
            }
            if (level == 0) {
                expected = out;
                std::memcpy(static_cast<void*>(expected_voices), voice_table, sizeof start);
                continue;
            }
            ASSERT_EQ(0, std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)))
                << "trial " << trial << ", level " << level;
            ASSERT_EQ(0,
                      std::memcmp(static_cast<void*>(voice_table), expected_voices, sizeof start))
                << "trial " << trial << ", level " << level;
        }
    }
    mixer_frames_set_level(widest);
}

} // namespace
