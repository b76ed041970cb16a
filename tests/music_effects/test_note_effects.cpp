// Effects on how a note starts: note delay, sample offset, panning, key off and the
// volume envelope position.

#include "tests/music_effects/effects_fixture.h"

namespace {

class NoteEffects : public EffectsTest {};

TEST_F(NoteEffects, NoteDelayStartsTheNoteAtTickTwoWithDefaultVolume) {
    for (bool with_instrument : {true, false}) {
        XmModuleDef def = effects_song();
        note_cell(def, 0, 0xC, 0x10); // volume 16
        cell(def, 0).volume = 0xC4;   // panning 64
        note_cell(def, 1, 0xE, 0xD2, 0, C4 + 2);
        cell(def, 1).instrument = with_instrument ? 1 : 0;
        load(def);
        tick(6);
        voice().position = 300;
        tick(); // row 1 start: volume, period and panning as before the cell
        EXPECT_EQ(ch().volume, 16);
        EXPECT_EQ(ch().period, C4_PERIOD);
        EXPECT_EQ(ch().panning, 0x40);
        EXPECT_EQ(ch().note_period, 4480);
        EXPECT_EQ(ch().flags & (UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PANNING), 0);
        EXPECT_EQ(voice().position, 300u);
        tick();
        EXPECT_EQ(ch().volume, 16);
        EXPECT_EQ(voice().position, 300u);
        tick(); // tick 2: the note starts
        EXPECT_EQ(ch().volume, 64) << "instrument " << with_instrument;
        EXPECT_EQ(ch().panning, 128);
        EXPECT_EQ(ch().period, 4480);
        EXPECT_EQ(voice().position, 0u);
        EXPECT_EQ(voice().volume, 127);
        EXPECT_EQ(voice().panning, 128);
        voice().position = 300;
        tick(); // later ticks change nothing in the voice
        EXPECT_EQ(ch().flags & (UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PANNING), 0);
        EXPECT_EQ(voice().position, 300u);
    }
}

TEST_F(NoteEffects, NoteDelayAppliesTheVolumeColumnWhenTheNoteStarts) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xE, 0xD3);
    cell(def, 0).volume = 0x10 + 40;
    load(def);
    tick(3);
    EXPECT_EQ(voice().sample, nullptr); // nothing started yet
    tick();
    EXPECT_EQ(ch().volume, 40);
    EXPECT_NE(voice().sample, nullptr);
}

TEST_F(NoteEffects, NoteDelayZeroOrAtLeastTheRowNeverPlays) {
    for (uint8_t param : {0xD0, 0xD6, 0xDF}) {
        XmModuleDef def = effects_song();
        note_cell(def, 0, 0xE, param);
        load(def);
        tick(6);
        EXPECT_EQ(voice().sample, nullptr) << std::hex << int(param);
    }
}

TEST_F(NoteEffects, SampleOffsetStartsInsideTheSample) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x9, 0x04);
    note_cell(def, 1);            // no offset: from 0
    note_cell(def, 2, 0x9, 0x00); // memory 4
    load(def);
    tick();
    EXPECT_EQ(voice().position, 1024u);
    EXPECT_EQ(voice().start_offset, 0u);
    tick(6);
    EXPECT_EQ(voice().position, 0u);
    tick(6);
    EXPECT_EQ(voice().position, 1024u);
}

TEST_F(NoteEffects, SampleOffsetBeyondTheEndStopsTheVoice) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    note_cell(def, 1, 0x9, 0x08); // 2048 >= 2000 values
    load(def);
    tick(6);
    ASSERT_NE(voice().sample, nullptr);
    tick();
    EXPECT_EQ(voice().sample, nullptr);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_TRUE(ch().flags & UPDATE_STOP);
}

TEST_F(NoteEffects, SampleOffsetAtTheLoopEndOfALoopedSampleStopsTheVoice) {
    XmModuleDef def = effects_song();
    XmSampleDef& s = def.instruments[0].samples[0];
    s.loopType = 1;
    s.loopStart = 100;
    s.loopLength = 412; // loop end 512
    note_cell(def, 0, 0x9, 0x02);
    note_cell(def, 1, 0x9, 0x01);
    load(def);
    tick();
    EXPECT_EQ(voice().sample, nullptr);
    tick(6);
    EXPECT_EQ(voice().position, 256u);
}

TEST_F(NoteEffects, SampleOffsetWithoutNoteWaitsForTheNextNote) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    effect_cell(def, 1, 0x9, 0x03);
    note_cell(def, 2);
    load(def);
    tick(6);
    voice().position = 10;
    tick();
    EXPECT_EQ(voice().start_offset, 768u);
    EXPECT_EQ(voice().position, 10u);
    tick(6);
    EXPECT_EQ(voice().position, 768u);
    EXPECT_EQ(voice().start_offset, 0u);
}

TEST_F(NoteEffects, RetriggerAfterASampleOffsetStartsAtTheBeginning) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x9, 0x04);
    load(def);
    tick();
    EXPECT_EQ(voice().position, 1024u);
    XmModuleDef def2 = effects_song();
    note_cell(def2, 0, 0x9, 0x04);
    effect_cell(def2, 1, 0x1B, 0x01); // R with interval 1
    load(def2);
    tick(7);
    voice().position = 1500;
    tick();
    EXPECT_EQ(voice().position, 0u);
}

TEST_F(NoteEffects, SetPanningEffectsAndPanningSlide) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0x8, 0xF0);
    effect_cell(def, 1, 0x19, 0x40); // P: right 4 per tick, up to 255
    effect_cell(def, 2, 0xE, 0x83);  // 48
    effect_cell(def, 3, 0x19, 0x0F); // left 15 per tick, down to 0
    effect_cell(def, 4, 0x19, 0x00); // memory
    load(def);
    tick();
    EXPECT_EQ(ch().panning, 240);
    EXPECT_EQ(voice().panning, 240);
    tick(6);
    EXPECT_EQ(ch().panning, 240);
    EXPECT_EQ(ch().panning_slide_memory, 0x40);
    tick(5);
    EXPECT_EQ(ch().panning, 255);
    tick();
    EXPECT_EQ(ch().panning, 48);
    tick(6);
    tick(5);
    EXPECT_EQ(ch().panning, 0);
    EXPECT_EQ(voice().gain_right, 0);
    tick(6);
    EXPECT_EQ(ch().panning, 0);
    EXPECT_EQ(ch().panning_slide_memory, 0x0F);
}

TEST_F(NoteEffects, KeyOffEffectSilencesAnInstrumentWithoutEnvelope) {
    XmModuleDef def = effects_song();
    note_cell(def, 0);
    effect_cell(def, 1, 0x14, 0x05); // at once, whatever the parameter
    load(def);
    tick(6);
    EXPECT_EQ(voice().volume, 127);
    tick();
    EXPECT_TRUE(ch().key_released);
    EXPECT_EQ(voice().volume, 0);
}

class EnvelopePosition : public EffectsTest {
protected:
    XmModuleDef envelopeSong() {
        XmModuleDef def = effects_song();
        XmEnvelopeDef& env = def.instruments[0].volumeEnv;
        env.points = {{0, 64}, {10, 0}};
        env.flags = 1;
        return def;
    }
};

TEST_F(EnvelopePosition, JumpsIntoTheEnvelopeAndContinuesFromThere) {
    XmModuleDef def = envelopeSong();
    note_cell(def, 0);
    effect_cell(def, 1, 0x15, 0x05);
    load(def);
    tick(7);
    EXPECT_EQ(ch().venv_tick, 5);
    EXPECT_EQ(ch().venv_point, 1);
    EXPECT_EQ(ch().venv_value, 32);
    EXPECT_FALSE(ch().venv_finished);
    tick();
    EXPECT_EQ(ch().venv_value, 25);
    EXPECT_EQ(ch().venv_tick, 6);
}

TEST_F(EnvelopePosition, BeyondTheLastPointFinishesTheEnvelope) {
    XmModuleDef def = envelopeSong();
    note_cell(def, 0, 0x15, 0x20);
    load(def);
    tick();
    EXPECT_EQ(ch().venv_value, 0);
    EXPECT_TRUE(ch().venv_finished);
    EXPECT_EQ(ch().venv_point, 1);
    EXPECT_EQ(voice().volume, 0);
}

} // namespace
