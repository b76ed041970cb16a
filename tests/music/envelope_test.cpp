// The instrument reset and the envelope position set by Lxx; auto-vibrato and the envelopes
// as they play are in the effect songs' golden renders.
#include <gtest/gtest.h>

#include <vector>

#include "music/music.h"
#include "tests/music/test_modules.h"

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
