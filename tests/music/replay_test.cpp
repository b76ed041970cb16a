// The replay engine: row timing, song order, notes and instruments, and the voice update.
// Speed 0, jumps and breaks outside the song, and C7F are checked in tests/music_effects.
#include <gtest/gtest.h>

#include "tests/music/test_modules.h"

using namespace music_test;

TEST(ReplayTiming, RowsStartEverySpeedTicksAndOrdersAdvance) {
    XmModuleDef def = basic_module(1, 64);
    def.orders = {0, 0, 0};
    def.restart = 1;
    ModulePtr m = start_playback(def);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->samples_per_tick, 882);
    EXPECT_EQ(m->next_row, -1);
    for (int t = 0; t < 6 * 64; ++t) {
        const int32_t tick_before = m->tick;
        music_tick(m.get());
        if (tick_before == 0) {
            ASSERT_EQ(m->row, t / 6) << t;
        }
        ASSERT_EQ(m->order, 0);
    }
    EXPECT_EQ(m->next_order, 1);
    EXPECT_EQ(m->next_row, 0);
    for (int t = 0; t < 6 * 64 * 2; ++t)
        music_tick(m.get());
    EXPECT_EQ(m->order, 2);
    EXPECT_EQ(m->next_order, 1); // the restart position, not 0
    music_tick(m.get());
    EXPECT_EQ(m->order, 1);
    EXPECT_EQ(m->row, 0);
}

TEST(ReplayNotes, NoteAndInstrumentTriggerTheVoice) {
    XmModuleDef def = basic_module(2, 4);
    def.instruments[0].samples[0].panning = 128;
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0}; // C-4
    ModulePtr m = start_playback(def);
    ASSERT_TRUE(m);
    Voice* v = &voice_table[0];
    v->start_offset = 9999; // beyond the sample: the trigger starts at 0
    music_tick(m.get());
    const Channel* c = music_channel(0);
    EXPECT_EQ(c->voice, v);
    EXPECT_EQ(v->sample, m->instruments[0].samples[0]);
    EXPECT_EQ((std::vector<int64_t>{c->note, c->real_note, c->period, c->note_period, v->position,
                                    v->direction, v->frequency, v->volume, v->panning,
                                    v->gain_left, v->gain_right}),
              (std::vector<int64_t>{48, 48, 4608, 4608, 0, 1, 8363, 127, 128, 63, 63}));
    EXPECT_EQ(voice_table[1].sample, nullptr); // an empty channel stays silent
}

TEST(ReplayNotes, FinetuneAndRelativeNote) {
    XmModuleDef def = basic_module(1, 4);
    def.instruments[0].samples[0].finetune = -128;
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    ModulePtr m = start_playback(def);
    ASSERT_TRUE(m);
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->period, 4672);

    def.instruments[0].samples[0].finetune = 0;
    def.instruments[0].samples[0].relativeNote = 12;
    def.linear = false;
    m = start_playback(def);
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->real_note, 60);
    EXPECT_EQ(music_channel(0)->period, 856);
}

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

TEST(VoiceUpdate, VolumeAndPanningFormulas) {
    // -1: not checked.
    const struct {
        int32_t global, venv, volume, delta, fadeout, penv, panning;
        int32_t out_volume, out_panning, left, right;
    } rows[] = {
        {64, 64, 64, 0, 65536, 32, 0, 127, 0, 127, 0},
        {64, 64, 64, 0, 65536, 64, 128, 127, 255, -1, -1}, // 128 + 32 x 4, clamped
        {64, 64, 64, 0, 65536, 64, 100, 127, 196, 127 * 59 / 255, 127 * 196 / 255},
        // 64 x 32 = 2048; 40000 x 2048 = 81920000; 50 x 81920000 x 255 / 2^35 = 30.39
        {50, 64, 33, -1, 40000, 32, 128, 30, 128, -1, -1},
    };
    for (const auto& r : rows) {
        Voice voice{};
        Channel c{};
        c.voice = &voice;
        Module module{};
        module.global_volume = r.global;
        c.venv_value = r.venv;
        c.volume = r.volume;
        c.volume_delta = r.delta;
        c.fadeout_volume = r.fadeout;
        c.penv_value = r.penv;
        c.panning = r.panning;
        c.flags = UPDATE_VOLUME | UPDATE_PANNING;
        channel_update_voice(&c, &EMPTY_SAMPLE, &module);
        EXPECT_EQ(voice.volume, r.out_volume) << r.volume;
        EXPECT_EQ(voice.panning, r.out_panning) << r.panning;
        if (r.left >= 0) {
            EXPECT_EQ(voice.gain_left, r.left) << r.panning;
            EXPECT_EQ(voice.gain_right, r.right) << r.panning;
        }
    }
}
