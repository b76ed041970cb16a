// Damaged files built by corrupting a rich module at random: each loads or fails cleanly, and
// whatever loads plays without reading outside its patterns or samples (run under ASan/UBSan).
#include <gtest/gtest.h>

#include <random>

#include "audio/mixer.h"
#include "audio/render.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

XmModuleDef rich_module() {
    XmModuleDef def = basic_module(4, 16);
    def.orders = {0, 1, 0, 1};
    def.restart = 1;
    XmPatternDef second;
    second.rows = 8;
    def.patterns.push_back(second);
    XmPatternDef& p = def.patterns[0];
    p.at(0, 0, 4) = {49, 1, 0x40, 0, 0};
    p.at(0, 1, 4) = {61, 2, 0, 0x0E, 0x60};    // loop start
    p.at(2, 2, 4) = {25, 2, 0xC0, 0x04, 0x37}; // vibrato
    p.at(5, 1, 4) = {0, 0, 0, 0x0E, 0x62};     // loop twice
    p.at(7, 3, 4) = {97, 0, 0, 0x0D, 0x12};    // key off, break to row 12
    p.at(15, 0, 4) = {0, 0, 0, 0x0B, 0x03};    // jump
    def.patterns[1].at(3, 0, 4) = {37, 1, 0, 0x09, 0x02};
    def.patterns[1].at(6, 2, 4) = {0, 0, 0, 0x0D, 0x40}; // break beyond the next pattern
    XmSampleDef ping = flat_sample(300, 0, true);
    for (size_t k = 0; k < ping.data.size(); ++k)
        ping.data[k] = int16_t(k * 97);
    ping.loopType = 2;
    ping.loopStart = 0;
    ping.loopLength = 300;
    XmInstrumentDef ins = single_sample_instrument(ping);
    ins.samples.push_back(flat_sample(40, -2000, false));
    ins.samples.back().loopType = 1;
    ins.samples.back().loopStart = 10;
    ins.samples.back().loopLength = 30;
    for (int n = 48; n < 96; ++n)
        ins.sampleMap[n] = 1;
    ins.volumeEnv.points = {{0, 64}, {4, 20}, {8, 50}, {30, 0}};
    ins.volumeEnv.flags = 7;
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.loopStart = 1;
    ins.volumeEnv.loopEnd = 2;
    ins.panningEnv.points = {{0, 0}, {10, 64}};
    ins.panningEnv.flags = 1;
    ins.fadeout = 900;
    ins.vibType = 3;
    ins.vibDepth = 9;
    ins.vibRate = 40;
    ins.vibSweep = 5;
    def.instruments.push_back(ins);
    return def;
}

} // namespace

TEST(LoaderCorruption, RandomDamageLoadsOrFailsCleanly) {
    const std::vector<uint8_t> good = xm_write(rich_module());
    ASSERT_FALSE(good.empty());
    std::mt19937 random(99);
    std::vector<float> mix(2 * 884);
    int loaded = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::vector<uint8_t> bytes = good;
        const int flips = 1 + int(random() % 6);
        for (int f = 0; f < flips; ++f) {
            const size_t at = random() % bytes.size();
            bytes[at] = random() % 3 == 0 ? uint8_t(0xFF) : uint8_t(random());
        }
        if (trial % 7 == 0)
            bytes.resize(random() % bytes.size());
        Module* m = load_module_bytes(bytes);
        if (!m)
            continue;
        ++loaded;
        mixer_set_rate(44100);
        mixer_reset_voices();
        music_reset_playback(m);
        for (int block = 0; block < 12; ++block) {
            std::fill(mix.begin(), mix.end(), 0.0f);
            render_frames(m, mix.data(), 884);
            ASSERT_GE(m->row, -1);
            ASSERT_LT(m->order, 256);
        }
        EXPECT_TRUE(music_free(m));
    }
    EXPECT_GT(loaded, 50); // the damage left many files loadable, so playback was exercised
}
