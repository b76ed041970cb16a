// Pitch effects: portamentos and their limits, tone portamento, arpeggio, vibrato waveforms
// and memories, fine and extra-fine slides, finetune.

#include <cmath>

#include "music/effects.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

using PitchEffects = EffectsTest;

TEST_F(PitchEffects, PortamentoUpFloorsAt56AndDownIsUnbounded) {
    load(effects_song({{0, C4, 0, 0x1, 0x04}, {1, 0, 0, 0x1, 0x00}}));
    EXPECT_EQ(trace(1, &Channel::period), V{C4_PERIOD}); // no slide at the row start
    ch().period = 60;
    EXPECT_EQ(trace(5, &Channel::period), per_row({56}, 5));
    tick();
    ch().period = 100; // row 1: 100 slides by the memory, 16 per tick
    EXPECT_EQ(trace(5, &Channel::period), (V{84, 68, 56, 56, 56}));

    load(effects_song({{0, C4, 0, 0x2, 0xFF}, {1, 0, 0, 0x2, 0x00}, {2, 0, 0, 0x2, 0x00}}));
    tick(12);
    EXPECT_EQ(ch().period, C4_PERIOD + 10 * 1020);
    // Hours of 2FF would overflow the period: it stops at 2^30, far below any audible pitch.
    ch().period = (1 << 30) - 1000;
    tick(2);
    EXPECT_EQ(ch().period, 1 << 30);
    EXPECT_EQ(voice().frequency, 0);
}

TEST_F(PitchEffects, TonePortamentoKeepsTheVoiceAndStopsAtTheTarget) {
    load(effects_song({{0, C4},
                       {1, C4 + 2, 0, 0x3, 0x05}, // D-4: 4480
                       {2, 0, 0, 0x3, 0x00},
                       {3, C4, 0, 0x3, 0x00},
                       {4, 0, 0, 0x3, 0x00}}));
    tick(6);
    voice().position = 777; // a retrigger would reset it
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD);
    EXPECT_EQ(ch().porta_target, 4480);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_EQ(voice().position, 777u);
    EXPECT_EQ(trace(21, &Channel::period),
              (V{4588, 4568, 4548, 4528, 4508, 4508, 4488, 4480, 4480, 4480, 4480, //
                 4480, 4500, 4520, 4540, 4560, 4580, 4580, 4600, 4608, 4608}));
}

TEST_F(PitchEffects, Arpeggio037DeltasLinearAndAmiga) {
    load(effects_song({{0, C4, 0, 0x0, 0x37}}));
    EXPECT_EQ(trace(6, &Channel::period_delta), (V{0, 192, 448, 0, 192, 448}));
    EXPECT_EQ(ch().period, C4_PERIOD);
    EXPECT_EQ(voice().frequency, static_cast<int32_t>(8363 * std::pow(2.0, 448 / 768.0)));

    auto amiga = [](int k) {
        return static_cast<int32_t>(13.375 * std::pow(2.0, (132 - k) / 12.0));
    };
    XmModuleDef def = effects_song({{0, C4, 0, 0x0, 0x37}});
    def.linear = false;
    load(def);
    EXPECT_EQ(trace(4, &Channel::period_delta),
              (V{0, amiga(51) - amiga(48), amiga(55) - amiga(48), 0}));
    EXPECT_EQ(ch().period, 1712);
}

TEST_F(PitchEffects, VibratoWaveformValues) {
    // Sine with pi as 3.141592: position 16 gives 255, not 256.
    const int sine[17] = {0,   25,  49,  74,  97,  120, 142, 162, 181,
                          197, 212, 225, 236, 244, 251, 254, 255};
    Channel c{};
    c.vibrato_depth = 128; // ((a x 128) >> 7) x 4 = 4a
    auto delta = [&c](int position, uint8_t waveform = 0) {
        c.waveform = waveform;
        c.vibrato_position = static_cast<int8_t>(position);
        channel_vibrato(&c);
        return c.period_delta;
    };
    for (int p = 0; p <= 16; ++p) {
        EXPECT_EQ(delta(p), -4 * sine[p]) << p;
        EXPECT_EQ(delta(-p), 4 * sine[p]) << -p;
        if (p > 0) {
            EXPECT_EQ(delta(32 - p), -4 * sine[p]) << 32 - p;
        }
    }
    EXPECT_TRUE(c.flags & UPDATE_FREQUENCY);
    EXPECT_EQ(delta(-1, 1), 4 * 7); // ramp: 255 - 248, raised because p < 0
    EXPECT_EQ(delta(5, 1), -4 * 40);
    EXPECT_EQ(delta(-32, 1), 4 * 255);
    EXPECT_EQ(delta(0, 2), -4 * 255); // square, and 3 is square too
    EXPECT_EQ(delta(0, 3), -4 * 255);
    c.vibrato_depth = 15;
    EXPECT_EQ(delta(31, 0x31), -((248 * 15) >> 7) * 4); // the tremolo nibble is ignored
}

TEST_F(PitchEffects, VibratoMemoriesAndAdvance) {
    load(effects_song({{0, C4, 0, 0x4, 0x48}, {1, 0, 0, 0x4, 0x00}, {2, 0, 0, 0x4, 0xC0}}));
    // No advance at the row start; shapes 0, 97, 181, 236, 255 x 8 >> 7 x 4.
    EXPECT_EQ(trace(7, &Channel::period_delta), (V{0, 0, -24, -44, -56, -60, -56}));
    EXPECT_EQ(trace(7, &Channel::vibrato_position), (V{24, 28, -32, -28, -24, -24, -12}));
    EXPECT_EQ(ch().vibrato_speed, 12);
    EXPECT_EQ(ch().vibrato_depth, 8);
    EXPECT_EQ(ch().period, C4_PERIOD);
}

TEST_F(PitchEffects, FineAndExtraFinePortamentosKeepSeparateMemories) {
    load(effects_song({{0, C4, 0, 0xE, 0x13},    // -12
                       {1, 0, 0, 0xE, 0x10},     // memory 3
                       {2, 0, 0, 0xE, 0x25},     // +20
                       {3, 0, 0, 0xE, 0x20},     // memory 5
                       {4, 0, 0, 0x21, 0x17},    // -7
                       {5, 0, 0, 0x21, 0x10},    // memory 7
                       {6, 0, 0, 0x21, 0x22},    // +2
                       {7, 0, 0, 0x21, 0x20}})); // memory 2
    EXPECT_EQ(trace(48, &Channel::period),
              per_row({4596, 4584, 4604, 4624, 4617, 4610, 4612, 4614}));
}

TEST_F(PitchEffects, FinetuneStaysInTheSampleForLaterNotes) {
    load(effects_song({{0, C4, 0, 0xE, 0x58}, {1, C4, 0, 0, 0, 1}}, 2));
    tick();
    EXPECT_EQ(ch().period, C4_PERIOD); // this row's note keeps its period
    EXPECT_EQ(mod().instruments[0].samples[0]->finetune, 8);
    tick(6);
    EXPECT_EQ(ch(1).period, C4_PERIOD - 4);
    // On an instrument beyond the song the shared empty sample stays untouched.
    XmModuleDef def = effects_song({{0, C4, 0, 0xE, 0x5F}});
    cell(def, 0).instrument = 9;
    load(def);
    tick(6);
    EXPECT_EQ(EMPTY_SAMPLE.finetune, 0);
}

} // namespace
