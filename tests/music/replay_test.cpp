// The replay engine: row timing, song order, notes and instruments, and the voice update.
#include <gtest/gtest.h>

#include <memory>

#include "audio/mixer.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

struct ModuleDeleter {
    void operator()(Module* m) const { music_free(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr start(const XmModuleDef& def) {
    const std::vector<uint8_t> bytes = xm_write(def);
    EXPECT_FALSE(bytes.empty());
    ModulePtr m(load_module_bytes(bytes));
    EXPECT_TRUE(m);
    if (m) {
        mixer_set_rate(44100);
        mixer_reset_voices();
        music_reset_playback(m.get());
    }
    return m;
}

} // namespace

TEST(ReplayTiming, RowsStartEverySpeedTicksAndOrdersAdvance) {
    XmModuleDef def = basic_module(1, 64);
    def.orders = {0, 0, 0};
    def.restart = 1;
    def.speed = 6;
    ModulePtr m = start(def);
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

TEST(ReplayTiming, SpeedZeroStartsARowEveryTick) {
    XmModuleDef def = basic_module(1, 8);
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    m->speed = 0;
    for (int t = 0; t < 5; ++t) {
        music_tick(m.get());
        EXPECT_EQ(m->row, t);
        EXPECT_EQ(m->tick, 0);
    }
}

TEST(ReplayTiming, RowsOutsideThePatternStartItOver) {
    ModulePtr m = start(basic_module(1, 4));
    ASSERT_TRUE(m);
    m->next_row = 200;
    music_tick(m.get());
    EXPECT_EQ(m->row, 0);
    m->tick = 0;
    m->next_order = 9; // past the song
    m->next_row = 3;
    music_tick(m.get());
    EXPECT_EQ(m->order, 0);
    EXPECT_EQ(m->row, 3);
}

TEST(ReplayNotes, NoteAndInstrumentTriggerTheVoice) {
    XmModuleDef def = basic_module(2, 4);
    def.instruments[0].samples[0].volume = 64;
    def.instruments[0].samples[0].panning = 128;
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0}; // C-4
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    Voice* v = &voice_table[0];
    v->start_offset = 9999; // beyond the sample: the trigger starts at 0
    music_tick(m.get());
    Channel* c = music_channel(0);
    EXPECT_EQ(c->voice, v);
    EXPECT_EQ(c->note, 48);
    EXPECT_EQ(c->real_note, 48);
    EXPECT_EQ(c->period, 4608);
    EXPECT_EQ(c->note_period, 4608);
    EXPECT_EQ(v->sample, m->instruments[0].samples[0]);
    EXPECT_EQ(v->position, 0u);
    EXPECT_EQ(v->direction, 1);
    EXPECT_EQ(v->frequency, 8363);
    EXPECT_EQ(v->volume, 127);
    EXPECT_EQ(v->panning, 128);
    EXPECT_EQ(v->gain_left, 63);
    EXPECT_EQ(v->gain_right, 63);
    EXPECT_EQ(voice_table[1].sample, nullptr); // an empty channel stays silent
}

TEST(ReplayNotes, FinetuneAndRelativeNote) {
    XmModuleDef def = basic_module(1, 4);
    def.instruments[0].samples[0].finetune = -128;
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->period, 4672);

    def.instruments[0].samples[0].finetune = 0;
    def.instruments[0].samples[0].relativeNote = 12;
    def.linear = false;
    m = start(def);
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->real_note, 60);
    EXPECT_EQ(music_channel(0)->period, music_amiga_period(60, 0));
}

TEST(ReplayNotes, ChannelWithoutInstrumentStaysSilent) {
    XmModuleDef def = basic_module(1, 4);
    def.patterns[0].at(0, 0, 1) = {49, 0, 0, 0, 0};
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    music_tick(m.get());
    EXPECT_EQ(voice_table[0].volume, 0);
    EXPECT_EQ(voice_table[0].gain_left, 0);
}

TEST(ReplayNotes, InstrumentBeyondTheSongPlaysTheEmptySample) {
    XmModuleDef def = basic_module(1, 4);
    def.patterns[0].at(0, 0, 1) = {49, 5, 0, 0, 0};
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    music_tick(m.get());
    EXPECT_EQ(voice_table[0].sample, &EMPTY_SAMPLE);
    EXPECT_EQ(voice_table[0].volume, 0);
}

TEST(ReplayNotes, NoteBytesBeyond96AreNoNote) {
    // A song changed in memory (the loader already turns these bytes into 0).
    XmModuleDef def = basic_module(1, 4);
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    def.patterns[0].at(1, 0, 1) = {49, 1, 0, 0, 0};
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    m->patterns[0].cells[0].note = 200;
    m->patterns[0].cells[1].note = 98;
    m->speed = 1;
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->note, 0);
    EXPECT_EQ(voice_table[0].sample, nullptr); // no trigger
    music_tick(m.get());
    EXPECT_EQ(music_channel(0)->note, 0);
    EXPECT_EQ(voice_table[0].sample, nullptr);
}

TEST(ReplayKeyOff, WithoutEnvelopeSilencesAtTheRowStart) {
    XmModuleDef def = basic_module(1, 4);
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    def.patterns[0].at(1, 0, 1) = {97, 0, 0, 0, 0};
    def.patterns[0].at(2, 0, 1) = {49, 0, 0, 0, 0}; // no instrument: stays silent
    def.speed = 1;
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    music_tick(m.get());
    EXPECT_EQ(voice_table[0].volume, 127);
    music_tick(m.get());
    EXPECT_EQ(voice_table[0].volume, 0);
    EXPECT_TRUE(music_channel(0)->key_released);
    music_tick(m.get());
    EXPECT_EQ(voice_table[0].volume, 0);
}

TEST(ReplayKeyOff, WithEnvelopeFadesOutPerTick) {
    XmModuleDef def = basic_module(1, 4);
    XmInstrumentDef& ins = def.instruments[0];
    ins.volumeEnv.points = {{0, 64}, {2, 64}};
    ins.volumeEnv.flags = 3;
    ins.volumeEnv.sustain = 0;
    ins.fadeout = 0x2000; // 0x4000 per tick: four ticks to silence
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    def.patterns[0].at(1, 0, 1) = {97, 0, 0, 0, 0};
    def.speed = 8;
    ModulePtr m = start(def);
    ASSERT_TRUE(m);
    for (int t = 0; t < 8; ++t)
        music_tick(m.get());
    EXPECT_EQ(music_channel(0)->venv_tick, 0); // held at the sustain point
    EXPECT_EQ(music_channel(0)->fadeout_volume, 65536);
    const int32_t expected[] = {49152, 32768, 16384, 0, 0};
    for (int32_t fade : expected) {
        music_tick(m.get());
        EXPECT_EQ(music_channel(0)->fadeout_volume, fade);
    }
    EXPECT_EQ(voice_table[0].volume, 0);
}

TEST(VoiceUpdate, VolumeAndPanningFormulas) {
    Voice voice{};
    Channel c{};
    c.voice = &voice;
    Module module{};
    module.global_volume = 64;
    c.venv_value = 64;
    c.volume = 64;
    c.fadeout_volume = 65536;
    c.penv_value = 32;
    c.panning = 0;
    c.flags = UPDATE_VOLUME | UPDATE_PANNING;
    channel_update_voice(&c, &EMPTY_SAMPLE, &module);
    EXPECT_EQ(voice.volume, 127);
    EXPECT_EQ(voice.gain_left, 127);
    EXPECT_EQ(voice.gain_right, 0);

    c.panning = 128;
    c.penv_value = 64;
    c.flags = UPDATE_PANNING;
    channel_update_voice(&c, &EMPTY_SAMPLE, &module);
    EXPECT_EQ(voice.panning, 255); // 128 + 32 x 4, clamped
    c.panning = 100;
    channel_update_voice(&c, &EMPTY_SAMPLE, &module);
    EXPECT_EQ(voice.panning, 196);
    EXPECT_EQ(voice.gain_left, 127 * 59 / 255);
    EXPECT_EQ(voice.gain_right, 127 * 196 / 255);

    c.volume = 127; // C7F: up to 253
    c.penv_value = 32;
    c.panning = 128;
    c.flags = UPDATE_VOLUME | UPDATE_PANNING;
    channel_update_voice(&c, &EMPTY_SAMPLE, &module);
    EXPECT_EQ(voice.volume, 253);
    c.volume = 33;
    c.volume_delta = -1;
    c.fadeout_volume = 40000;
    module.global_volume = 50;
    c.flags = UPDATE_VOLUME;
    channel_update_voice(&c, &EMPTY_SAMPLE, &module);
    // 64 x 32 = 2048; 40000 x 2048 = 81920000; 50 x 81920000 x 255 / 2^35 = 30.39
    EXPECT_EQ(voice.volume, 30);
}
