// Envelopes, the instrument reset and auto-vibrato.
#include <gtest/gtest.h>

#include <vector>

#include "music/music.h"

namespace {

// `ticks` steps of a volume envelope from a fresh channel; `release_at` releases the key.
std::vector<int32_t> run_envelope(std::vector<EnvelopePoint> points, uint8_t type, int ticks,
                                  Channel& c, uint8_t sustain = 0, uint8_t loop_start = 0,
                                  uint8_t loop_end = 0, int release_at = -1) {
    channel_reset_instrument(&c, &EMPTY_SAMPLE);
    std::vector<int32_t> values;
    for (int t = 0; t < ticks; ++t) {
        c.key_released = t == release_at ? true : c.key_released;
        c.flags = 0;
        channel_envelope_step(&c, &c.venv_point, &c.venv_tick, type, uint8_t(points.size()),
                              points.data(), loop_end, loop_start, sustain, &c.venv_value,
                              &c.venv_fixed, &c.venv_finished, &c.venv_slope, UPDATE_VOLUME);
        EXPECT_EQ(c.flags, UPDATE_VOLUME);
        values.push_back(c.venv_value);
    }
    return values;
}

int32_t auto_vibrato(uint8_t type, int32_t position) {
    Instrument in{};
    in.vibrato_type = type;
    in.vibrato_depth = 64; // a x 64 >> 6 leaves the waveform value
    Channel c{};
    c.autovib_position = position;
    channel_auto_vibrato(&c, &in);
    EXPECT_TRUE(c.flags & UPDATE_FREQUENCY);
    return c.period_delta;
}

} // namespace

TEST(VolumeEnvelope, RampSustainAndLoop) {
    Channel c{};
    EXPECT_EQ(run_envelope({{0, 64}, {10, 0}}, 1, 10, c),
              (std::vector<int32_t>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6}));
    EXPECT_FALSE(c.venv_finished);
    EXPECT_EQ(run_envelope({{0, 64}, {10, 0}}, 1, 11, c).back(), 0);
    EXPECT_TRUE(c.venv_finished);
    EXPECT_EQ(c.venv_tick, 10);

    // Held at the sustain point until the key is released at tick 5.
    EXPECT_EQ(run_envelope({{0, 48}, {4, 16}}, 3, 7, c, 0, 0, 0, 5),
              (std::vector<int32_t>{48, 48, 48, 48, 48, 48, 40}));
    EXPECT_EQ(c.venv_tick, 2);

    // 0 -> 64 over two ticks, 64 -> 32 over two, then back to point 1 (64) and down again.
    EXPECT_EQ(run_envelope({{0, 0}, {2, 64}, {4, 32}}, 5, 8, c, 0, 1, 2),
              (std::vector<int32_t>{0, 32, 64, 48, 64, 48, 64, 48}));
    EXPECT_FALSE(c.venv_finished);
}

TEST(VolumeEnvelope, InstrumentResetKeepsTheFixedValue) {
    Channel c{};
    c.venv_fixed = 12345;
    Sample s{};
    s.volume = 40;
    s.panning = 90;
    c.waveform = 0x40; // tremolo position kept, vibrato position reset
    c.vibrato_position = 5;
    c.tremolo_position = 6;
    c.tremor_counter = 3;
    channel_reset_instrument(&c, &s);
    EXPECT_EQ((std::vector<int32_t>{c.venv_fixed, c.volume, c.panning, c.venv_value, c.penv_value,
                                    c.fadeout_volume, c.vibrato_position, c.tremolo_position,
                                    c.tremor_counter, c.flags}),
              (std::vector<int32_t>{12345, 40, 90, 64, 32, 65536, 0, 6, 0,
                                    UPDATE_VOLUME | UPDATE_PANNING}));
}

TEST(AutoVibrato, WaveformValues) {
    const int32_t positions[] = {0, 64, 127, 128, 129, 192, 255};
    const int32_t sine[] = {0, 63, 1, 0, -1, -63, -1}; // 63 at 64: pi as 3.141592
    const int32_t ramp_down[] = {0, -32, -64, 64, 63, 32, 0};
    const int32_t ramp_up[] = {0, 32, 63, 64, -64, -32, -1};
    for (int i = 0; i < 7; ++i) {
        const int32_t p = positions[i];
        EXPECT_EQ(auto_vibrato(0, p), sine[i]) << p;
        EXPECT_EQ(auto_vibrato(1, p), p < 128 ? 64 : -64) << p;
        EXPECT_EQ(auto_vibrato(2, p), ramp_down[i]) << p;
        EXPECT_EQ(auto_vibrato(3, p), ramp_up[i]) << p;
        EXPECT_EQ(auto_vibrato(4, p), 0) << p;
    }
}

TEST(AutoVibrato, SweepDepthAndRate) {
    Instrument in{};
    in.vibrato_type = 1;
    in.vibrato_depth = 16;
    in.vibrato_sweep = 4;
    in.vibrato_rate = 200;
    Channel c{};
    std::vector<int32_t> deltas;
    for (int t = 0; t < 6; ++t) {
        c.period_delta = 0;
        channel_auto_vibrato(&c, &in);
        deltas.push_back(c.period_delta);
    }
    // 64 x 16 = 1024 scaled by 0/4, 1/4, ... then >> 6; the position wraps 0, 200, 144, 88, ...
    EXPECT_EQ(deltas, (std::vector<int32_t>{0, -4, -8, 12, 16, -16}));
    EXPECT_EQ(c.autovib_sweep_ticks, 4);
}
