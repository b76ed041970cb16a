// Envelopes, the instrument reset and auto-vibrato.
#include <gtest/gtest.h>

#include <vector>

#include "music/music.h"
#include "tests/music/test_modules.h"

namespace {

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

// Lxx puts the volume envelope at tick xx: the point, the 16.16 value and its slope there.
TEST(VolumeEnvelope, PositionSetByLxx) {
    // Past the last point only the value and the flag change: the 16.16 state stays where the
    // note's first tick left it.
    const struct {
        uint8_t xx;
        int32_t value, fixed, slope, point, finished;
    } rows[] = {
        {0, 64, 64 << 16, -524288, 1, 0}, {3, 40, 2621440, -524288, 1, 0},
        {4, 32, 32 << 16, -524288, 1, 0}, {7, 16, 1048577, -349525, 2, 0},
        {10, 0, 2, -349525, 2, 0},        {11, 0, 3670016, -524288, 2, 1},
    };
    for (const auto& r : rows) {
        XmModuleDef def = music_test::basic_module(1, 2);
        def.instruments[0].volumeEnv.points = {{0, 64}, {4, 32}, {10, 0}};
        def.instruments[0].volumeEnv.flags = 1;
        def.speed = 1;
        def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
        def.patterns[0].at(1, 0, 1) = {0, 0, 0, 0x15, r.xx};
        music_test::ModulePtr m = music_test::start_playback(def);
        ASSERT_TRUE(m);
        music_tick(m.get());
        music_tick(m.get());
        const Channel& c = *music_channel(0);
        EXPECT_EQ((std::vector<int32_t>{c.venv_value, c.venv_fixed, c.venv_slope, c.venv_point,
                                        c.venv_finished}),
                  (std::vector<int32_t>{r.value, r.fixed, r.slope, r.point, r.finished}))
            << int(r.xx);
    }
}
