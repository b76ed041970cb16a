// The volume column: every range at the row start and on later ticks, its shared vibrato
// and portamento memories, and the unclamped panning slides.

#include "tests/music_effects/effects_fixture.h"

namespace {

class VolumeColumn : public EffectsTest {
protected:
    // Plays one row whose channel-0 cell has a C-4 of instrument 1 (optional) and the
    // volume byte `v`, after a first row that set volume 32 and panning 128; returns the
    // channel volume after the row start and after each later tick.
    std::vector<int32_t> volumesOfRow(uint8_t v, bool with_note) {
        XmModuleDef def = effects_song();
        note_cell(def, 0, 0xC, 0x20);
        if (with_note)
            note_cell(def, 1);
        cell(def, 1).volume = v;
        load(def);
        tick(6);
        std::vector<int32_t> out;
        for (int t = 0; t < 6; ++t) {
            tick();
            out.push_back(ch().volume);
        }
        return out;
    }
};

using V = std::vector<int32_t>;

TEST_F(VolumeColumn, VolumeRanges) {
    EXPECT_EQ(volumesOfRow(0x10, false), (V{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(volumesOfRow(0x50, false), (V{64, 64, 64, 64, 64, 64}));
    // After the instrument restart: the set volume wins over the sample's 64.
    EXPECT_EQ(volumesOfRow(0x18, true), (V{8, 8, 8, 8, 8, 8}));
    EXPECT_EQ(volumesOfRow(0x65, false), (V{27, 22, 17, 12, 7, 2}));
    EXPECT_EQ(volumesOfRow(0x6F, false), (V{17, 2, 0, 0, 0, 0}));
    EXPECT_EQ(volumesOfRow(0x79, false), (V{41, 50, 59, 64, 64, 64}));
    EXPECT_EQ(volumesOfRow(0x83, false), (V{29, 29, 29, 29, 29, 29}));
    EXPECT_EQ(volumesOfRow(0x9F, false), (V{47, 47, 47, 47, 47, 47}));
    EXPECT_EQ(volumesOfRow(0x93, true), (V{64, 64, 64, 64, 64, 64}));
    // Unused bytes do nothing.
    EXPECT_EQ(volumesOfRow(0x05, false), (V{32, 32, 32, 32, 32, 32}));
    EXPECT_EQ(volumesOfRow(0x51, false), (V{32, 32, 32, 32, 32, 32}));
    EXPECT_EQ(volumesOfRow(0x5F, false), (V{32, 32, 32, 32, 32, 32}));
}

TEST_F(VolumeColumn, SetPanningC8IsTheCentre) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    cell(def, 0).volume = 0xC8;
    cell(def, 1).volume = 0xC0;
    cell(def, 2).volume = 0xCF;
    load(def);
    tick();
    EXPECT_EQ(ch().panning, 128);
    tick(6);
    EXPECT_EQ(ch().panning, 0);
    EXPECT_EQ(voice().gain_right, 0);
    tick(6);
    EXPECT_EQ(ch().panning, 240);
}

TEST_F(VolumeColumn, PanningSlidesRunEveryTickAndAreNotClamped) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    cell(def, 0).volume = 0xDF;
    cell(def, 1).volume = 0xC0;
    cell(def, 2).volume = 0xDF;
    cell(def, 3).volume = 0xE5;
    load(def);
    tick();
    EXPECT_EQ(ch().panning, 128 - 15);
    tick(5);
    EXPECT_EQ(ch().panning, 128 - 90);
    EXPECT_EQ(voice().panning, 38);
    tick(7); // row 2: from 0, six slides of 15 to the left
    tick(5);
    EXPECT_EQ(ch().panning, -90);
    EXPECT_EQ(voice().panning, 0); // only the voice's panning is clamped
    tick(6);                       // row 3: six slides of 5 to the right start from -90
    EXPECT_EQ(ch().panning, -60);
    EXPECT_EQ(voice().panning, 0);
}

TEST_F(VolumeColumn, VibratoBytesShareSpeedAndDepthWithEffect4) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    cell(def, 0).volume = 0xA4;     // speed 4
    cell(def, 1).volume = 0xB8;     // depth 8, vibrato on the later ticks
    effect_cell(def, 2, 0x4, 0x00); // effect 4 uses both
    load(def);
    tick();
    EXPECT_EQ(ch().vibrato_speed, 4);
    EXPECT_EQ(ch().period_delta, 0);
    tick(5);
    EXPECT_EQ(ch().vibrato_position, 0); // speed alone does nothing
    tick();
    EXPECT_EQ(ch().vibrato_depth, 8);
    EXPECT_EQ(ch().period_delta, 0); // the row start sets the depth only
    const int shape[5] = {0, 97, 181, 236, 255};
    for (int a : shape) {
        tick();
        EXPECT_EQ(ch().period_delta, -(((a * 8) >> 7) * 4));
    }
    tick(2); // row 2, tick 1: effect 4 continues at position 20
    EXPECT_EQ(ch().period_delta, -(((236 * 8) >> 7) * 4));
    EXPECT_EQ(ch().vibrato_position, 24);
}

TEST_F(VolumeColumn, TonePortamentoSharesItsSpeedWithEffect3) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    note_cell(def, 1, 0, 0, 0, C4 + 1);      // C#4: 4544
    cell(def, 1).volume = 0xF1;              // speed 16: 64 per tick
    note_cell(def, 2, 0x3, 0x00, 0, C4 - 1); // B-3: 4672, effect 3 with the same speed
    load(def);
    tick(6);
    voice().position = 333;
    tick();
    EXPECT_EQ(ch().porta_speed, 16);
    EXPECT_EQ(ch().porta_target, 4544);
    EXPECT_EQ(ch().period, C4_PERIOD);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_EQ(voice().position, 333u);
    tick();
    EXPECT_EQ(ch().period, 4544);
    tick(5);
    EXPECT_EQ(ch().porta_target, 4672);
    tick(2);
    EXPECT_EQ(ch().period, 4672);
}

} // namespace
