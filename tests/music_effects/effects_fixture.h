#pragma once
// Builds small songs with the XM writer, loads them through the music library and steps
// the replay tick by tick, so each test can look at channel, voice and module state.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/voice.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tools/xmwriter/xm_writer.h"

// C-4 as a cell note byte; with the linear table, finetune 0 and relative note 0 its
// period is 4608 (8363 Hz).
constexpr uint8_t C4 = 49;
constexpr int32_t C4_PERIOD = 4608;

// A song of `patterns` patterns of `rows` rows, played in that order, with one instrument
// holding one 2000-value sample without loop at volume 64 and panning 128.
inline XmModuleDef effects_song(int channels = 1, int rows = 8, int patterns = 1) {
    XmModuleDef def;
    def.channels = channels;
    def.speed = 6;
    def.bpm = 125;
    for (int p = 0; p < patterns; ++p) {
        XmPatternDef pattern;
        pattern.rows = rows;
        def.patterns.push_back(pattern);
        def.orders.push_back(static_cast<uint8_t>(p));
    }
    XmInstrumentDef instrument;
    XmSampleDef sample;
    sample.data.assign(2000, 0);
    for (size_t i = 0; i < sample.data.size(); ++i)
        sample.data[i] = (i / 20) % 2 ? 12000 : -12000;
    sample.volume = 64;
    sample.panning = 128;
    instrument.samples.push_back(sample);
    def.instruments.push_back(instrument);
    return def;
}

// The cell of `row`, `channel` in pattern `pattern` of `def`.
inline XmCellDef& cell(XmModuleDef& def, int row, int channel = 0, int pattern = 0) {
    return def.patterns[pattern].at(row, channel, def.channels);
}

// A cell with a note of instrument 1 and an effect.
inline void note_cell(XmModuleDef& def, int row, uint8_t effect = 0, uint8_t param = 0,
                      int channel = 0, uint8_t note = C4) {
    XmCellDef& c = cell(def, row, channel);
    c.note = note;
    c.instrument = 1;
    c.effect = effect;
    c.param = param;
}

inline void effect_cell(XmModuleDef& def, int row, uint8_t effect, uint8_t param, int channel = 0,
                        int pattern = 0) {
    XmCellDef& c = cell(def, row, channel, pattern);
    c.effect = effect;
    c.param = param;
}

class EffectsTest : public ::testing::Test {
protected:
    void TearDown() override { music_free(module_); }

    // Loads `def` (releasing the song loaded before) and prepares it to play; the next
    // tick() is the first row start.
    void load(const XmModuleDef& def) {
        music_free(module_);
        module_ = nullptr;
        const std::vector<uint8_t> bytes = xm_write(def);
        ASSERT_FALSE(bytes.empty());
        module_ = music_test::load_module_bytes(bytes);
        ASSERT_NE(module_, nullptr);
        for (Voice& v : voice_table)
            v = Voice{}; // what opening the output does
        music_reset_playback(module_);
    }

    // Runs `count` ticks; after the first, the state is that of row 0's row start.
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            music_tick(module_);
    }

    Channel& ch(int index = 0) { return *music_channel(index); }
    Voice& voice(int index = 0) { return voice_table[index]; }
    Module& mod() { return *module_; }

    Module* module_ = nullptr;
};
