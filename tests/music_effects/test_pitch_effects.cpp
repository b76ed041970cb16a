// Pitch effects: portamentos and their floors, tone portamento, arpeggio, vibrato with its
// waveforms and memories, fine and extra-fine slides, finetune.

#include <cmath>

#include "music/effects.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

// Reference Amiga period, computed independently of the library.
int32_t amiga_base(int k) {
    return static_cast<int32_t>(13.375 * std::pow(2.0, (132 - k) / 12.0));
}

class PitchEffects : public EffectsTest {};

TEST_F(PitchEffects, PortamentoUpStopsAtPeriod56AndKeepsItsMemory) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x1, 0x04);
    effect_cell(def, 1, 0x1, 0x00);
    load(def);
    tick();
    EXPECT_EQ(ch().porta_up_memory, 4);
    EXPECT_EQ(ch().period, C4_PERIOD); // no slide at the row start
    ch().period = 60;
    tick();
    EXPECT_EQ(ch().period, 56);
    tick(5); // rest of the row, then row 1 (100: memory 4) at its start
    EXPECT_EQ(ch().period, 56);
    tick();
    EXPECT_EQ(ch().period, 56);
    EXPECT_EQ(ch().porta_up_memory, 4);
}

TEST_F(PitchEffects, PortamentoDownHasNoUpperLimit) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x2, 0xFF);
    for (int r = 1; r < 8; ++r)
        effect_cell(def, r, 0x2, 0x00);
    load(def);
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD);
    tick(5);
    EXPECT_EQ(ch().period, C4_PERIOD + 5 * 1020);
    tick(6 * 7); // seven more rows of 200
    EXPECT_EQ(ch().period, C4_PERIOD + 40 * 1020);
    EXPECT_GE(voice().frequency, 0);
    // Hours of 2FF would overflow the period: it stops at 2^30, far below any audible pitch.
    load(def);
    tick();
    ch().period = (1 << 30) - 1000;
    tick(5);
    EXPECT_EQ(ch().period, 1 << 30);
    EXPECT_EQ(voice().frequency, 0);
}

TEST_F(PitchEffects, TonePortamentoUsesItsMemoryAndStopsExactlyAtTheTarget) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    note_cell(def, 1, 0x3, 0x05, 0, C4 + 2); // D-4: period 4480
    effect_cell(def, 2, 0x3, 0x00);
    note_cell(def, 3, 0x3, 0x00, 0, C4); // back up to 4608
    effect_cell(def, 4, 0x3, 0x00);
    load(def);
    tick(6);
    voice().position = 777; // a retrigger would reset it
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD); // a portamento cell keeps the period
    EXPECT_EQ(ch().note_period, 4480);
    EXPECT_EQ(ch().porta_target, 4480);
    EXPECT_EQ(ch().porta_speed, 5);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_EQ(voice().position, 777u);
    const int32_t row1[5] = {4588, 4568, 4548, 4528, 4508};
    for (int32_t expected : row1) {
        tick();
        EXPECT_EQ(ch().period, expected);
    }
    tick(); // row 2: 300 keeps speed 5
    EXPECT_EQ(ch().porta_speed, 5);
    const int32_t row2[5] = {4488, 4480, 4480, 4480, 4480};
    for (int32_t expected : row2) {
        tick();
        EXPECT_EQ(ch().period, expected);
    }
    tick(2); // row 3, tick 1: upward
    EXPECT_EQ(ch().period, 4500);
    tick(4);
    EXPECT_EQ(ch().period, 4580);
    tick(2);
    EXPECT_EQ(ch().period, 4600);
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD);
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD);
}

TEST_F(PitchEffects, Arpeggio037LinearDeltasByTick) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x0, 0x37);
    load(def);
    tick();
    EXPECT_EQ(ch().period_delta, 0);
    const int32_t expected[5] = {192, 448, 0, 192, 448};
    for (int32_t delta : expected) {
        tick();
        EXPECT_EQ(ch().period_delta, delta);
        EXPECT_EQ(ch().period, C4_PERIOD);
    }
    // The voice follows: 4608 - 4608 + 448 on the linear scale is 7 semitones up.
    EXPECT_EQ(voice().frequency, static_cast<int32_t>(8363 * std::pow(2.0, 448 / 768.0)));
}

TEST_F(PitchEffects, ArpeggioAmigaUsesPeriodDifferences) {
    XmModuleDef def = effects_song();
    def.linear = false;
    note_cell(def, 0, 0x0, 0x37);
    load(def);
    tick();
    EXPECT_EQ(ch().period, 1712);
    tick();
    EXPECT_EQ(ch().period_delta, amiga_base(51) - amiga_base(48));
    tick();
    EXPECT_EQ(ch().period_delta, amiga_base(55) - amiga_base(48));
    EXPECT_EQ(voice().frequency, 14317056 / amiga_base(55));
    tick();
    EXPECT_EQ(ch().period_delta, 0);
}

TEST_F(PitchEffects, VibratoSineUsesTheWrittenPi) {
    const int expected[17] = {0,   25,  49,  74,  97,  120, 142, 162, 181,
                              197, 212, 225, 236, 244, 251, 254, 255};
    Channel c{};
    c.vibrato_depth = 128; // ((a x 128) >> 7) x 4 = 4a: the shape value itself
    for (int p = 0; p <= 16; ++p) {
        c.vibrato_position = static_cast<int8_t>(p);
        channel_vibrato(&c);
        EXPECT_EQ(c.period_delta, -4 * expected[p]) << "position " << p;
        if (p > 0) {
            c.vibrato_position = static_cast<int8_t>(-p);
            channel_vibrato(&c);
            EXPECT_EQ(c.period_delta, 4 * expected[p]) << "position " << -p;
        }
        if (p > 0 && p < 16) { // 17..31 fall back symmetrically
            c.vibrato_position = static_cast<int8_t>(32 - p);
            channel_vibrato(&c);
            EXPECT_EQ(c.period_delta, -4 * expected[p]) << "position " << 32 - p;
        }
    }
    EXPECT_TRUE(c.flags & UPDATE_FREQUENCY);
}

TEST_F(PitchEffects, VibratoRampAndSquareWaveforms) {
    Channel c{};
    c.vibrato_depth = 128;
    c.waveform = 1;
    c.vibrato_position = -1;
    channel_vibrato(&c);
    EXPECT_EQ(c.period_delta, 4 * 7); // 255 - 248, raised because p < 0
    c.vibrato_position = 5;
    channel_vibrato(&c);
    EXPECT_EQ(c.period_delta, -4 * 40);
    c.vibrato_position = -32;
    channel_vibrato(&c);
    EXPECT_EQ(c.period_delta, 4 * 255);
    for (uint8_t w : {2, 3}) {
        c.waveform = w;
        c.vibrato_position = 0;
        channel_vibrato(&c);
        EXPECT_EQ(c.period_delta, -4 * 255);
    }
    c.waveform = 0x31; // the tremolo nibble does not matter
    c.vibrato_depth = 15;
    c.vibrato_position = 31;
    channel_vibrato(&c);
    EXPECT_EQ(c.period_delta, -((248 * 15) >> 7) * 4);
}

TEST_F(PitchEffects, VibratoDepthSpeedMemoriesAndAdvance) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x4, 0x48);
    effect_cell(def, 1, 0x4, 0x00);
    effect_cell(def, 2, 0x4, 0xC0); // speed 12, depth kept
    load(def);
    tick();
    EXPECT_EQ(ch().vibrato_speed, 4);
    EXPECT_EQ(ch().vibrato_depth, 8);
    EXPECT_EQ(ch().period_delta, 0); // position 0, no advance at the row start
    EXPECT_EQ(ch().vibrato_position, 0);
    // Later ticks: vibrato at positions 0, 4, 8, 12, 16, advancing after each.
    const int shape[5] = {0, 97, 181, 236, 255};
    for (int a : shape) {
        tick();
        EXPECT_EQ(ch().period_delta, -(((a * 8) >> 7) * 4));
    }
    EXPECT_EQ(ch().vibrato_position, 20);
    tick(); // row 1 start: vibrato at 20 without advance
    EXPECT_EQ(ch().vibrato_position, 20);
    EXPECT_EQ(ch().period_delta, -(((236 * 8) >> 7) * 4));
    tick(3); // positions 20, 24, 28 -> 32 wraps to -32
    EXPECT_EQ(ch().vibrato_position, -32);
    tick();
    EXPECT_EQ(ch().vibrato_position, -28);
    EXPECT_EQ(ch().period, C4_PERIOD); // vibrato never touches the period itself
    tick(2);                           // row 2: speed 12, depth kept, no advance at the row start
    EXPECT_EQ(ch().vibrato_speed, 12);
    EXPECT_EQ(ch().vibrato_depth, 8);
    EXPECT_EQ(ch().vibrato_position, -24);
    tick();
    EXPECT_EQ(ch().vibrato_position, -12);
}

TEST_F(PitchEffects, FineAndExtraFinePortamentosKeepSeparateMemories) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xE, 0x13);   // fine up 3: -12
    effect_cell(def, 1, 0xE, 0x10); // memory 3
    effect_cell(def, 2, 0xE, 0x25); // fine down 5: +20
    effect_cell(def, 3, 0xE, 0x20);
    effect_cell(def, 4, 0x21, 0x17); // extra fine up 7: -7
    effect_cell(def, 5, 0x21, 0x10);
    effect_cell(def, 6, 0x21, 0x22); // extra fine down 2: +2
    effect_cell(def, 7, 0x21, 0x20);
    load(def);
    const int32_t after_row[8] = {4596, 4584, 4604, 4624, 4617, 4610, 4612, 4614};
    for (int r = 0; r < 8; ++r) {
        tick();
        EXPECT_EQ(ch().period, after_row[r]) << "row " << r;
        tick(5); // nothing on the later ticks
        EXPECT_EQ(ch().period, after_row[r]) << "row " << r;
    }
    EXPECT_EQ(ch().fine_porta_up_memory, 3);
    EXPECT_EQ(ch().fine_porta_down_memory, 5);
    EXPECT_EQ(ch().xfine_porta_up_memory, 7);
    EXPECT_EQ(ch().xfine_porta_down_memory, 2);
    EXPECT_EQ(ch().porta_up_memory, 0);
}

TEST_F(PitchEffects, FinetuneStaysInTheSampleForLaterNotes) {
    XmModuleDef def = effects_song(2);
    note_cell(def, 0, 0xE, 0x58);
    note_cell(def, 1, 0, 0, 1); // another channel, later row
    load(def);
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD); // this row's note keeps its period
    EXPECT_EQ(mod().instruments[0].samples[0]->finetune, 8);
    tick(6);
    EXPECT_EQ(ch(1).period, C4_PERIOD - 4); // finetune 8 / 2
}

TEST_F(PitchEffects, FinetuneOnTheEmptySampleChangesNothingShared) {
    XmModuleDef def = effects_song();
    cell(def, 0).note = C4;
    cell(def, 0).instrument = 9; // beyond the song: empty instrument and sample
    effect_cell(def, 0, 0xE, 0x5F);
    load(def);
    tick(6);
    EXPECT_EQ(EMPTY_SAMPLE.finetune, 0);
}

} // namespace
