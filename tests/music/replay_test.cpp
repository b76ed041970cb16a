// The replay engine: row timing, song order, notes and instruments, and the voice update.
// Speed 0, jumps and breaks outside the song, and C7F are checked in tests/music_effects.
#include <gtest/gtest.h>

#include "tests/music/test_modules.h"

using namespace music_test;

TEST(ReplayNotes, MissingInstrumentsAndNotesBeyond96StaySilent) {
    XmModuleDef def = basic_module(3, 4);
    def.speed = 1;
    def.patterns[0].at(0, 0, 3) = {49, 0, 0, 0, 0}; // no instrument ever
    def.patterns[0].at(0, 1, 3) = {49, 5, 0, 0, 0}; // beyond the song's instruments
    def.patterns[0].at(0, 2, 3) = {49, 1, 0, 0, 0};
    def.patterns[0].at(1, 2, 3) = {49, 1, 0, 0, 0};
    ModulePtr m = start_playback(def);
    ASSERT_TRUE(m);
    // Changed in memory (the loader already turns such bytes into 0): sample_map has 96 entries.
    m->patterns[0].cells[2].note = 200;
    m->patterns[0].cells[5].note = 98;
    for (int row = 0; row < 2; ++row) {
        music_tick(m.get());
        EXPECT_EQ(voice_table[0].volume, 0);
        EXPECT_EQ(voice_table[0].gain_left, 0);
        EXPECT_EQ(voice_table[1].sample, &EMPTY_SAMPLE);
        EXPECT_EQ(voice_table[1].volume, 0);
        EXPECT_EQ(music_channel(2)->note, 0);
        EXPECT_EQ(voice_table[2].sample, nullptr); // no trigger
    }
}

TEST(ReplayKeyOff, SilencesAtTheRowStartOrFadesOutPerTickWithAnEnvelope) {
    XmModuleDef def = basic_module(2, 4);
    XmInstrumentDef faded = def.instruments[0];
    faded.volumeEnv = {{{0, 64}, {2, 64}}, 0, 0, 0, 3}; // sustain at point 0
    faded.fadeout = 0x2000;                             // 0x4000 per tick
    def.instruments.push_back(faded);
    def.speed = 4;
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    def.patterns[0].at(0, 1, 2) = {49, 2, 0, 0, 0};
    def.patterns[0].at(1, 0, 2) = {97, 0, 0, 0, 0};
    def.patterns[0].at(1, 1, 2) = {97, 0, 0, 0, 0};
    def.patterns[0].at(2, 0, 2) = {49, 0, 0, 0, 0}; // no instrument: stays silent
    ModulePtr m = start_playback(def);
    ASSERT_TRUE(m);
    for (int t = 0; t < 4; ++t)
        music_tick(m.get());
    EXPECT_EQ(voice_table[0].volume, 127);
    EXPECT_EQ(music_channel(1)->venv_tick, 0); // held at the sustain point
    EXPECT_EQ(music_channel(1)->fadeout_volume, 65536);
    for (int32_t fade : {49152, 32768, 16384, 0, 0}) {
        music_tick(m.get());
        EXPECT_EQ(voice_table[0].volume, 0);
        EXPECT_EQ(music_channel(1)->fadeout_volume, fade);
    }
    EXPECT_TRUE(music_channel(0)->key_released);
    EXPECT_EQ(voice_table[1].volume, 0);
}
