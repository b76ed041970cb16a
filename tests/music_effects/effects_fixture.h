#pragma once
// Small songs built with the XM writer, loaded through the music library and stepped tick by
// tick, so each test can look at channel, voice and module state.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "mixer/voice.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tools/xmwriter/xm_writer.h"

// C-4 as a cell note byte: period 4608 (8363 Hz) with the linear table and finetune 0.
constexpr uint8_t C4 = 49;
constexpr int32_t C4_PERIOD = 4608;

using V = std::vector<int32_t>;

// One cell; a note comes with instrument 1.
struct Put {
    int row;
    uint8_t note = 0, volume = 0, effect = 0, param = 0;
    int channel = 0, pattern = 0;
};

// `patterns` patterns of `rows` rows played in order, speed 6, tempo 125, one instrument with
// one unlooped 2000-value square sample at volume 64 and panning 128.
inline XmModuleDef effects_song(std::initializer_list<Put> puts = {}, int channels = 1,
                                int rows = 8, int patterns = 1) {
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
    XmSampleDef sample;
    for (int i = 0; i < 2000; ++i)
        sample.data.push_back((i / 20) % 2 ? 12000 : -12000);
    sample.volume = 64;
    sample.panning = 128;
    def.instruments.emplace_back();
    def.instruments[0].samples.push_back(sample);
    for (const Put& p : puts)
        def.patterns[p.pattern].at(p.row, p.channel, channels) =
            XmCellDef{p.note, uint8_t(p.note ? 1 : 0), p.volume, p.effect, p.param};
    return def;
}

inline XmCellDef& cell(XmModuleDef& def, int row, int channel = 0, int pattern = 0) {
    return def.patterns[pattern].at(row, channel, def.channels);
}

// Each value repeated `ticks` times: a value that holds over whole rows.
inline V per_row(std::initializer_list<int32_t> values, int ticks = 6) {
    V out;
    for (int32_t v : values)
        out.insert(out.end(), ticks, v);
    return out;
}

class EffectsTest : public ::testing::Test {
protected:
    void TearDown() override { music_free(module_); }

    // Loads `def` in place of the song before and prepares it to play; the next tick is the
    // first row start.
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

    void tick(int count = 1) {
        for (int i = 0; i < count; ++i)
            music_tick(module_);
    }

    // Runs `count` ticks and returns `value()` after each.
    template <class F> V traceOf(int count, F value) {
        V out;
        for (int i = 0; i < count; ++i) {
            music_tick(module_);
            out.push_back(static_cast<int32_t>(value()));
        }
        return out;
    }
    template <class T> V trace(int count, T Channel::*field, int c = 0) {
        return traceOf(count, [&] { return ch(c).*field; });
    }
    template <class T> V trace(int count, T Voice::*field) {
        return traceOf(count, [&] { return voice().*field; });
    }
    template <class T> V trace(int count, T Module::*field) {
        return traceOf(count, [&] { return mod().*field; });
    }

    Channel& ch(int index = 0) { return *music_channel(index); }
    Voice& voice(int index = 0) { return voice_table[index]; }
    Module& mod() { return *module_; }

    Module* module_ = nullptr;
};
