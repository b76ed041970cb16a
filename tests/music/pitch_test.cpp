// Tempo, periods and frequencies.
#include <gtest/gtest.h>

#include "mixer/mixer.h"
#include "music/music.h"

namespace {

int32_t ticks_at(int32_t bpm) {
    Module m{};
    music_set_bpm(&m, bpm);
    EXPECT_EQ(m.bpm, bpm);
    return m.samples_per_tick;
}

// The voice a fresh channel at `period` writes.
Voice voice_for(int32_t period, int32_t period_delta, bool linear) {
    Voice voice{};
    Channel channel{};
    channel.voice = &voice;
    channel.period = period;
    channel.period_delta = period_delta;
    channel.flags = UPDATE_FREQUENCY;
    Module module{};
    module.flags = linear ? 1 : 0;
    channel_update_voice(&channel, &EMPTY_SAMPLE, &module);
    return voice;
}

} // namespace

TEST(Tempo, SamplesPerTick) {
    mixer_set_rate(22050);
    EXPECT_EQ(ticks_at(125), 441);
    mixer_set_rate(44100);
    const int32_t rows[][2] = {{125, 882}, {126, 874}, {49, 2249}, {32, 3445}, {255, 432}};
    for (const auto& r : rows) // 126: single-precision t (875 in double)
        EXPECT_EQ(ticks_at(r[0]), r[1]) << r[0];
    EXPECT_GT(ticks_at(0), 0); // a tempo of 0 cannot make an endless tick
}

TEST(Frequencies, LinearAmigaFloorAndLimits) {
    mixer_set_rate(44100);
    const struct {
        int32_t period, delta;
        bool linear;
        int32_t frequency;
    } rows[] = {
        {4608, 0, true, 8363},    {4608 - 768, 0, true, 16726},
        {4608, 768, true, 16726}, // the delta raises the pitch
        {1712, 0, false, 8362},   {1712, 1712, false, 4181}, // and lowers it here
        {4608 + 768 * 8, 0, true, 32}, // kept; the step uses 100 Hz
        {0, 0, false, 0},         // no division by zero: untouched
        {-20000, 0, true, INT32_MAX},
    };
    for (const auto& r : rows)
        EXPECT_EQ(voice_for(r.period, r.delta, r.linear).frequency, r.frequency) << r.period;
    EXPECT_EQ(voice_for(4608, 0, true).step, 0u);
    EXPECT_EQ(voice_for(4608, 0, true).step_frac, uint32_t((uint64_t(8363) << 32) / 44100));
    EXPECT_EQ(voice_for(4608 + 768 * 8, 0, true).step_frac, uint32_t((uint64_t(100) << 32) / 44100));
    EXPECT_EQ(voice_for(0, 0, false).step_frac, 0u);
    EXPECT_EQ(voice_for(-20000, 0, true).step, uint32_t(INT32_MAX / 44100));
}
