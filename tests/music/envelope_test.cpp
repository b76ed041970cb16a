// Envelopes, fade-out and auto-vibrato.
#include <gtest/gtest.h>

#include <vector>

#include "music/music.h"

namespace {

Instrument envelope_instrument(std::vector<EnvelopePoint> points, uint8_t type) {
    Instrument in{};
    for (size_t i = 0; i < points.size(); ++i)
        in.volume_points[i] = points[i];
    in.num_volume_points = uint8_t(points.size());
    in.volume_type = type;
    return in;
}

int32_t step(Channel& c, const Instrument& in) {
    channel_envelope_step(&c, &c.venv_point, &c.venv_tick, in.volume_type, in.num_volume_points,
                          in.volume_points, in.volume_loop_end, in.volume_loop_start,
                          in.volume_sustain, &c.venv_value, &c.venv_fixed, &c.venv_finished,
                          &c.venv_slope, UPDATE_VOLUME);
    return c.venv_value;
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

TEST(VolumeEnvelope, RampsFrom64To0OverTenTicks) {
    Instrument in = envelope_instrument({{0, 64}, {10, 0}}, 1);
    Channel c{};
    channel_reset_instrument(&c, &EMPTY_SAMPLE);
    const int32_t expected[] = {64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0};
    for (int32_t value : expected) {
        EXPECT_FALSE(c.venv_finished);
        c.flags = 0;
        EXPECT_EQ(step(c, in), value);
        EXPECT_EQ(c.flags, UPDATE_VOLUME);
    }
    EXPECT_TRUE(c.venv_finished);
    EXPECT_EQ(c.venv_tick, 10);
}

TEST(VolumeEnvelope, HoldsAtSustainUntilKeyOff) {
    Instrument in = envelope_instrument({{0, 48}, {4, 16}}, 3);
    in.volume_sustain = 0;
    Channel c{};
    channel_reset_instrument(&c, &EMPTY_SAMPLE);
    for (int t = 0; t < 5; ++t) {
        EXPECT_EQ(step(c, in), 48);
        EXPECT_EQ(c.venv_tick, 0);
    }
    c.key_released = true;
    EXPECT_EQ(step(c, in), 48);
    EXPECT_EQ(step(c, in), 40);
    EXPECT_EQ(c.venv_tick, 2);
}

TEST(VolumeEnvelope, LoopsBackToTheLoopStart) {
    Instrument in = envelope_instrument({{0, 0}, {2, 64}, {4, 32}}, 5);
    in.volume_loop_start = 1;
    in.volume_loop_end = 2;
    Channel c{};
    channel_reset_instrument(&c, &EMPTY_SAMPLE);
    std::vector<int32_t> values;
    for (int t = 0; t < 8; ++t)
        values.push_back(step(c, in));
    // 0 -> 64 over two ticks, 64 -> 32 over two, then back to point 1 (64) and down again.
    EXPECT_EQ(values, (std::vector<int32_t>{0, 32, 64, 48, 64, 48, 64, 48}));
    EXPECT_FALSE(c.venv_finished);
}

TEST(VolumeEnvelope, ResetKeepsTheFixedValue) {
    Channel c{};
    c.venv_fixed = 12345;
    c.penv_fixed = 777;
    Sample s{};
    s.volume = 40;
    s.panning = 90;
    c.waveform = 0x40; // tremolo position kept, vibrato position reset
    c.vibrato_position = 5;
    c.tremolo_position = 6;
    c.tremor_counter = 3;
    channel_reset_instrument(&c, &s);
    EXPECT_EQ(c.venv_fixed, 12345);
    EXPECT_EQ(c.volume, 40);
    EXPECT_EQ(c.panning, 90);
    EXPECT_EQ(c.venv_value, 64);
    EXPECT_EQ(c.penv_value, 32);
    EXPECT_EQ(c.fadeout_volume, 65536);
    EXPECT_EQ(c.vibrato_position, 0);
    EXPECT_EQ(c.tremolo_position, 6);
    EXPECT_EQ(c.tremor_counter, 0);
    EXPECT_EQ(c.flags, UPDATE_VOLUME | UPDATE_PANNING);
}

TEST(AutoVibrato, WaveformValues) {
    const int32_t positions[] = {0, 64, 127, 128, 129, 192, 255};
    const int32_t sine[] = {0, 63, 1, 0, -1, -63, -1};
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
