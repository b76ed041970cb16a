// Tempo, periods and frequencies.
#include <gtest/gtest.h>

#include "audio/mixer.h"
#include "music/music.h"

namespace {

int32_t ticks_at(int32_t bpm) {
    Module m{};
    music_set_bpm(&m, bpm);
    EXPECT_EQ(m.bpm, bpm);
    return m.samples_per_tick;
}

// Voice frequency and step for a period on a fresh channel.
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

TEST(Tempo, SamplesPerTickAt44100) {
    mixer_set_rate(44100);
    EXPECT_EQ(ticks_at(125), 882);
    EXPECT_EQ(ticks_at(126), 874); // single-precision t: 875 in double
    EXPECT_EQ(ticks_at(49), 2249);
    EXPECT_EQ(ticks_at(32), 3445);
    EXPECT_EQ(ticks_at(255), 432);
    EXPECT_GT(ticks_at(0), 0); // a tempo of 0 cannot make an endless tick
}

TEST(Tempo, FollowsTheOutputRate) {
    mixer_set_rate(22050);
    EXPECT_EQ(ticks_at(125), 441);
    mixer_set_rate(44100);
}

TEST(AmigaPeriods, BaseValuesAndFinetune) {
    EXPECT_EQ(music_amiga_period(48, 0), 1712);
    EXPECT_EQ(music_amiga_period(0, 0), 27392);
    EXPECT_EQ(music_amiga_period(95, 0), 113); // double exponent; an integer one gives 107
    // Finetune -128 is a whole semitone down, +127 almost one up.
    EXPECT_EQ(music_amiga_period(48, -128), music_amiga_period(47, 0));
    const int32_t up = music_amiga_period(48, 127);
    const int32_t semitone = music_amiga_period(49, 0);
    EXPECT_EQ(up, 1712 + (semitone - 1712) * 127 / 128);
    // Note 0 with negative finetune has no lower neighbour: the upper one is used.
    EXPECT_EQ(music_amiga_period(0, -64), 27392 + (music_amiga_period(1, 0) - 27392) * -64 / 128);
}

TEST(Frequencies, LinearAndAmigaC4) {
    mixer_set_rate(44100);
    Voice linear = voice_for(4608, 0, true);
    EXPECT_EQ(linear.frequency, 8363);
    EXPECT_EQ(linear.step, 0u);
    EXPECT_EQ(linear.step_frac, uint32_t((uint64_t(8363) << 32) / 44100));
    EXPECT_EQ(voice_for(4608 - 768, 0, true).frequency, 16726);
    EXPECT_EQ(voice_for(4608, 768, true).frequency, 16726); // the delta raises the pitch
    Voice amiga = voice_for(1712, 0, false);
    EXPECT_EQ(amiga.frequency, 8362);
    EXPECT_EQ(voice_for(1712, 1712, false).frequency, 4181); // and lowers it here
}

TEST(Frequencies, FloorAndZeroPeriod) {
    Voice low = voice_for(4608 + 768 * 8, 0, true); // 32 Hz
    EXPECT_EQ(low.frequency, 32);
    EXPECT_EQ(low.step_frac, uint32_t((uint64_t(100) << 32) / 44100));
    Voice zero = voice_for(0, 0, false); // no division by zero: frequency untouched
    EXPECT_EQ(zero.frequency, 0);
    EXPECT_EQ(zero.step_frac, 0u);
    Voice high = voice_for(-20000, 0, true); // beyond int: held at the limit
    EXPECT_EQ(high.frequency, INT32_MAX);
    EXPECT_EQ(high.step, uint32_t(INT32_MAX / 44100));
}
