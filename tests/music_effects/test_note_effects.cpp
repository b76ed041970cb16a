// Effects on how a note starts: note delay, sample offset, panning, key off and the volume
// envelope position.

#include "tests/music_effects/effects_fixture.h"

namespace {

using NoteEffects = EffectsTest;

constexpr uint8_t TRIGGER_VOLUME_PANNING = UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PANNING;

TEST_F(NoteEffects, NoteDelayED2RestoresVolumePeriodAndPanningUntilTickTwo) {
    for (uint8_t instrument : {1, 0}) {
        XmModuleDef def = effects_song({{0, C4, 0xC4, 0xC, 0x10}, {1, C4 + 2, 0, 0xE, 0xD2}});
        cell(def, 1).instrument = instrument;
        load(def);
        tick(6);
        voice().position = 300;
        tick(); // row start: period, panning and voice as before the cell
        EXPECT_EQ((V{ch().period, ch().panning, ch().note_period,
                     ch().flags & TRIGGER_VOLUME_PANNING, int32_t(voice().position)}),
                  (V{C4_PERIOD, 0x40, 4480, 0, 300}));
        EXPECT_EQ(trace(2, &Channel::volume), (V{16, 64})) << "instrument " << int(instrument);
        EXPECT_EQ((V{ch().period, ch().panning, int32_t(voice().position), voice().volume,
                     voice().panning}),
                  (V{4480, 128, 0, 127, 128}));
        voice().position = 300;
        tick(); // later ticks leave the voice alone
        EXPECT_EQ((V{ch().flags & TRIGGER_VOLUME_PANNING, int32_t(voice().position)}), (V{0, 300}));
    }
    // The volume column applies when the delayed note starts.
    load(effects_song({{0, C4, 0x10 + 40, 0xE, 0xD3}}));
    tick(3);
    EXPECT_EQ(voice().sample, nullptr);
    tick();
    EXPECT_EQ(ch().volume, 40);
    EXPECT_NE(voice().sample, nullptr);
    // ED0, or a delay of at least the row's ticks: the note never plays.
    for (uint8_t param : {0xD0, 0xD6, 0xDF}) {
        load(effects_song({{0, C4, 0, 0xE, param}}));
        tick(6);
        EXPECT_EQ(voice().sample, nullptr) << std::hex << int(param);
    }
}

TEST_F(NoteEffects, SampleOffset904MemoryAndOffsetWithoutNote) {
    load(effects_song({{0, C4, 0, 0x9, 0x04},
                       {1, C4},               // no offset: from 0
                       {2, C4, 0, 0x9, 0x00}, // memory
                       {3, 0, 0, 0x9, 0x03},  // no note: waits for the next one
                       {4, C4}}));
    V starts;
    for (int r = 0; r < 5; ++r) {
        voice().position = 10;
        tick();
        starts.push_back(static_cast<int32_t>(voice().position));
        tick(5);
    }
    EXPECT_EQ(starts, (V{1024, 0, 1024, 10, 768}));
    EXPECT_EQ(voice().start_offset, 0u);
    // A retrigger after an offset starts at the beginning.
    load(effects_song({{0, C4, 0, 0x9, 0x04}, {1, 0, 0, 0x1B, 0x01}}));
    tick(7);
    voice().position = 1500;
    tick();
    EXPECT_EQ(voice().position, 0u);
}

TEST_F(NoteEffects, SampleOffsetBeyondTheEndOrAtTheLoopEndStopsTheVoice) {
    load(effects_song({{0, C4}, {1, C4, 0, 0x9, 0x08}})); // 2048 >= 2000 values
    tick(6);
    ASSERT_NE(voice().sample, nullptr);
    tick();
    EXPECT_EQ(voice().sample, nullptr);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_TRUE(ch().flags & UPDATE_STOP);

    XmModuleDef def = effects_song({{0, C4, 0, 0x9, 0x02}, {1, C4, 0, 0x9, 0x01}});
    XmSampleDef& s = def.instruments[0].samples[0];
    s.loopType = 1;
    s.loopStart = 100;
    s.loopLength = 412; // loop end 512
    load(def);
    tick();
    EXPECT_EQ(voice().sample, nullptr);
    tick(6);
    EXPECT_EQ(voice().position, 256u);
}

TEST_F(NoteEffects, SetPanningAndPanningSlide) {
    load(effects_song({{0, C4, 0, 0x8, 0xF0},
                       {1, 0, 0, 0x19, 0x40},    // right 4 per tick, up to 255
                       {2, 0, 0, 0xE, 0x83},     // 48
                       {3, 0, 0, 0x19, 0x00},    // memory
                       {4, 0, 0, 0x19, 0x0F}})); // left 15 per tick, down to 0
    EXPECT_EQ(trace(30, &Channel::panning),
              (V{240, 240, 240, 240, 240, 240, 240, 244, 248, 252, 255, 255, 48, 48, 48,
                 48,  48,  48,  48,  52,  56,  60,  64,  68,  68,  53,  38,  23, 8,  0}));
    EXPECT_EQ(voice().gain_right, 0);
}

TEST_F(NoteEffects, KeyOffEffectAndEnvelopePosition) {
    load(effects_song({{0, C4}, {1, 0, 0, 0x14, 0x05}})); // at once, whatever the parameter
    EXPECT_EQ(trace(7, &Voice::volume), (V{127, 127, 127, 127, 127, 127, 0}));
    EXPECT_TRUE(ch().key_released);

    XmModuleDef def = effects_song({{0, C4}, {1, 0, 0, 0x15, 0x05}});
    def.instruments[0].volumeEnv.points = {{0, 64}, {10, 0}};
    def.instruments[0].volumeEnv.flags = 1;
    load(def);
    tick(7);
    EXPECT_EQ(ch().venv_point, 1);
    EXPECT_FALSE(ch().venv_finished);
    EXPECT_EQ(ch().venv_value, 32);
    EXPECT_EQ(trace(2, &Channel::venv_value), (V{25, 19}));
    // Beyond the last point the envelope is finished at its last value.
    cell(def, 0).effect = 0x15;
    cell(def, 0).param = 0x20;
    load(def);
    tick();
    EXPECT_EQ(ch().venv_value, 0);
    EXPECT_TRUE(ch().venv_finished);
    EXPECT_EQ(ch().venv_point, 1);
    EXPECT_EQ(voice().volume, 0);
}

} // namespace
