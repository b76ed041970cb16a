// Volume effects: slides and their shared memories, set volume beyond 64, fine slides,
// tremolo with its clamp and lasting change, tremor, retrigger, note cut, global volume.

#include "music/effects.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

class VolumeEffects : public EffectsTest {
protected:
    // Runs the five later ticks of a speed-6 row and returns the volume after each.
    std::vector<int32_t> laterTickVolumes() {
        std::vector<int32_t> out;
        for (int t = 1; t < 6; ++t) {
            tick();
            out.push_back(ch().volume);
        }
        return out;
    }
};

using V = std::vector<int32_t>;

TEST_F(VolumeEffects, VolumeSlideMemoryAndNibblePriority) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xA, 0x30);
    cell(def, 0).volume = 0x20; // volume 16
    effect_cell(def, 1, 0xA, 0x00);
    effect_cell(def, 2, 0xA, 0x0F);
    effect_cell(def, 3, 0xA, 0x3F); // both nibbles: up wins
    effect_cell(def, 4, 0x6, 0x00); // 6 shares the memory
    effect_cell(def, 5, 0x5, 0x00); // so does 5
    load(def);
    tick();
    EXPECT_EQ(ch().volume, 16); // A does nothing at the row start
    EXPECT_EQ(laterTickVolumes(), (V{19, 22, 25, 28, 31}));
    tick();
    EXPECT_EQ(laterTickVolumes(), (V{34, 37, 40, 43, 46}));
    tick();
    EXPECT_EQ(laterTickVolumes(), (V{31, 16, 1, 0, 0}));
    tick();
    EXPECT_EQ(laterTickVolumes(), (V{3, 6, 9, 12, 15}));
    tick();
    EXPECT_EQ(laterTickVolumes(), (V{18, 21, 24, 27, 30}));
    tick();
    EXPECT_EQ(laterTickVolumes(), (V{33, 36, 39, 42, 45}));
    EXPECT_EQ(ch().volume_slide_memory, 0x3F);
}

TEST_F(VolumeEffects, SetVolumeHasNoUpperLimit) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xC, 0x7F);
    load(def);
    tick();
    EXPECT_EQ(ch().volume, 127);
    // 64 x 127 x 65536 x 64 x 255 / 2^35, truncated.
    EXPECT_EQ(voice().volume, 253);
    EXPECT_EQ(voice().gain_left, 253 * 127 / 255);
}

TEST_F(VolumeEffects, FineVolumeSlidesShareOneMemory) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xC, 0x20);
    effect_cell(def, 1, 0xE, 0xA4);
    effect_cell(def, 2, 0xE, 0xB0);
    effect_cell(def, 3, 0xE, 0xA0);
    effect_cell(def, 4, 0xE, 0xBF);
    effect_cell(def, 5, 0xE, 0xBF);
    effect_cell(def, 6, 0xE, 0xBF);
    load(def);
    const int32_t after_row[7] = {32, 36, 32, 36, 21, 6, 0};
    for (int r = 0; r < 7; ++r) {
        tick();
        EXPECT_EQ(ch().volume, after_row[r]) << "row " << r;
        tick(5);
        EXPECT_EQ(ch().volume, after_row[r]) << "row " << r; // row start only
    }
}

TEST_F(VolumeEffects, TremoloClampsAndLeavesItsLastChangeInTheVolume) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x7, 0xCF); // speed 12, depth 15
    cell(def, 0).volume = 0x10 + 10;
    load(def);
    tick();
    EXPECT_EQ(ch().volume_delta, 0);
    EXPECT_EQ(ch().tremolo_speed, 12);
    EXPECT_EQ(ch().tremolo_depth, 15);
    // Positions 0, 12, 24, -28, -16: shape 0, 236, 181, 97, 255; d = shape x 15 >> 6,
    // held so that 10 + d stays inside 0..64.
    const int32_t deltas[5] = {0, 54, 42, -10, -10};
    for (int32_t d : deltas) {
        tick();
        EXPECT_EQ(ch().volume_delta, d);
        EXPECT_EQ(ch().volume, 10);
    }
    EXPECT_EQ(ch().tremolo_position, -4);
    tick(); // row 1 has no tremolo: the last change stays
    EXPECT_EQ(ch().volume, 0);
    EXPECT_EQ(ch().volume_delta, 0);
}

TEST_F(VolumeEffects, TremoloWaveformsRampSquareAndSine) {
    Channel c{};
    c.volume = 32;
    c.tremolo_depth = 64; // d = shape exactly
    c.waveform = 0x10;    // ramp
    c.tremolo_position = 3;
    channel_tremolo(&c);
    EXPECT_EQ(c.volume_delta, 24);
    c.tremolo_position = -1; // 255 - 248 = 7, downward
    channel_tremolo(&c);
    EXPECT_EQ(c.volume_delta, -7);
    c.waveform = 0x20;
    c.tremolo_position = -5;
    channel_tremolo(&c);
    EXPECT_EQ(c.volume_delta, -32); // 255 held at the volume
    c.waveform = 0x30;              // tremolo's 3 is the sine
    c.tremolo_position = 4;
    channel_tremolo(&c);
    EXPECT_EQ(c.volume_delta, 32); // 97 held at 64 - 32
    c.volume = 0;
    c.tremolo_position = 1;
    channel_tremolo(&c);
    EXPECT_EQ(c.volume_delta, 25);
}

TEST_F(VolumeEffects, TremorSoundsTwoTicksAndRestsThree) {
    XmModuleDef def = effects_song(1, 8);
    def.speed = 8;
    note_cell(def, 0, 0x1D, 0x12);
    load(def);
    const bool sounding[8] = {true, true, false, false, false, true, true, false};
    for (int t = 0; t < 8; ++t) {
        tick();
        EXPECT_EQ(ch().volume_delta, sounding[t] ? 0 : -64) << "tick " << t;
        EXPECT_EQ(voice().volume == 0, !sounding[t]) << "tick " << t;
    }
    EXPECT_EQ(ch().tremor_on, 2);
    EXPECT_EQ(ch().tremor_off, 3);
    // A channel that never saw a T parameter is silent on every tick of a T00 row.
    XmModuleDef never = effects_song();
    note_cell(never, 0, 0x1D, 0x00);
    load(never);
    for (int t = 0; t < 6; ++t) {
        tick();
        EXPECT_EQ(voice().volume, 0) << "T00, tick " << t;
    }
}

TEST_F(VolumeEffects, RetriggerLowersTheVolumeEveryFourTicks) {
    XmModuleDef def = effects_song();
    def.speed = 12;
    note_cell(def, 0, 0x1B, 0x24);
    load(def);
    tick();
    EXPECT_EQ(ch().retrig_volume, 2);
    EXPECT_EQ(ch().retrig_interval, 4);
    for (int t = 1; t < 12; ++t) {
        voice().position = 900;
        tick();
        const bool retrig = t == 4 || t == 8;
        EXPECT_EQ(voice().position, retrig ? 0u : 900u) << "tick " << t;
        EXPECT_EQ(ch().volume, t < 4 ? 64 : t < 8 ? 62 : 60) << "tick " << t;
    }
}

TEST_F(VolumeEffects, RetriggerVolumeTable) {
    struct Case {
        uint8_t kind;
        int32_t from, to;
    };
    const Case cases[] = {{0, 80, 80},  {1, 10, 9},   {3, 10, 6},   {5, 10, 0},
                          {6, 10, 6},   {7, 11, 5},   {8, 80, 64},  {9, 10, 11},
                          {13, 60, 64}, {14, 11, 16}, {15, 40, 64}, {15, 20, 40}};
    for (const Case& c : cases) {
        XmModuleDef def = effects_song();
        def.speed = 2;
        note_cell(def, 0, 0x1B, static_cast<uint8_t>(c.kind << 4 | 1));
        load(def);
        tick();
        ch().volume = c.from;
        tick();
        EXPECT_EQ(ch().volume, c.to) << "kind " << int(c.kind);
    }
}

TEST_F(VolumeEffects, ExtendedRetriggerEveryYTicksWithoutVolumeChange) {
    XmModuleDef def = effects_song();
    def.speed = 7;
    note_cell(def, 0, 0xE, 0x93);
    load(def);
    tick();
    for (int t = 1; t < 7; ++t) {
        voice().position = 500;
        tick();
        EXPECT_EQ(voice().position, t % 3 == 0 ? 0u : 500u) << "tick " << t;
        EXPECT_EQ(ch().volume, 64);
    }
}

TEST_F(VolumeEffects, NoteCutAtTickThreeAndNeverForZero) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xE, 0xC3);
    note_cell(def, 1, 0xE, 0xC0);
    load(def);
    tick(3);
    EXPECT_EQ(ch().volume, 64);
    tick();
    EXPECT_EQ(ch().volume, 0);
    EXPECT_EQ(voice().volume, 0);
    tick(2);
    for (int t = 0; t < 6; ++t) {
        tick();
        EXPECT_EQ(ch().volume, 64) << "EC0, tick " << t;
    }
}

TEST_F(VolumeEffects, GlobalVolumeSetIsCappedAt64) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x10, 0x20);
    effect_cell(def, 1, 0x10, 0x80);
    load(def);
    tick();
    EXPECT_EQ(mod().global_volume, 32);
    EXPECT_EQ(voice().volume, 63); // 32 x 64 x 64 x 65536 x 255 / 2^35
    tick(6);
    EXPECT_EQ(mod().global_volume, 64);
    EXPECT_EQ(voice().volume, 127);
}

TEST_F(VolumeEffects, GlobalVolumeSlideReachesVoicesOnlyAtTheirNextUpdate) {
    XmModuleDef def = effects_song();
    def.speed = 4;
    note_cell(def, 0, 0x11, 0x0F);
    load(def);
    tick();
    EXPECT_EQ(mod().global_volume, 64);
    EXPECT_EQ(voice().volume, 127);
    const int32_t expected[3] = {49, 34, 19};
    for (int32_t g : expected) {
        tick();
        EXPECT_EQ(mod().global_volume, g);
        EXPECT_EQ(ch().flags & UPDATE_VOLUME, 0);
        EXPECT_EQ(voice().volume, 127); // no volume update on these ticks
    }
    tick(); // row 1 start updates the volume
    EXPECT_EQ(mod().global_volume, 19);
    EXPECT_EQ(voice().volume, 37);
}

} // namespace
