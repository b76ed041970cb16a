// The tick-and-mix loop: where ticks fall, the song clock, and sameness with any block size.
#include <gtest/gtest.h>

#include <vector>

#include "audio/mixer.h"
#include "audio/render.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

int ticks = 0;
std::vector<int> tick_frames;
int frames_so_far = 0;

void counting_tick(Module* module) {
    ++ticks;
    tick_frames.push_back(frames_so_far);
    music_tick(module);
}

Module* start(const XmModuleDef& def) {
    Module* m = load_module_bytes(xm_write(def));
    EXPECT_NE(m, nullptr);
    mixer_set_rate(44100);
    mixer_reset_voices();
    music_reset_playback(m);
    ticks = 0;
    tick_frames.clear();
    frames_so_far = 0;
    m->tick_entry = counting_tick;
    return m;
}

void render(Module* m, std::vector<float>& buffer, int frames) {
    buffer.assign(size_t(2 * frames), 0.0f);
    render_frames(m, buffer.data(), frames);
    frames_so_far += frames;
}

} // namespace

TEST(RenderLoop, BlocksOf884At125Bpm) {
    Module* m = start(basic_module());
    std::vector<float> block;
    render(m, block, 884);
    EXPECT_EQ(ticks, 2); // the first tick at frame 0, the second at 882
    EXPECT_EQ(m->tick_samples_left, 880);
    EXPECT_EQ(m->time_ms, 19); // 882 frames add 19 (not 20), 2 frames add 0
    render(m, block, 884);
    EXPECT_EQ(m->time_ms, 38); // 880 + 4 frames: 19 + 0
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(m->tick_samples_left, 878);
    music_free(m);
}

TEST(RenderLoop, TickAtTheVeryStartOfABlockAndTicksLongerThanABlock) {
    XmModuleDef def = basic_module();
    def.bpm = 32; // 3445 frames per tick
    Module* m = start(def);
    std::vector<float> block;
    render(m, block, 1000);
    EXPECT_EQ(ticks, 1);
    render(m, block, 1000);
    render(m, block, 1000);
    EXPECT_EQ(ticks, 1);
    render(m, block, 445);
    EXPECT_EQ(m->tick_samples_left, 0);
    EXPECT_EQ(ticks, 1);
    render(m, block, 1); // the next tick runs before the block's first frame
    EXPECT_EQ(ticks, 2);
    music_free(m);
}

TEST(RenderLoop, SameSamplesAsLongAsTheBlocksAreTheSame) {
    XmModuleDef def = basic_module(2, 8);
    def.instruments[0].samples[0] = flat_sample(3000, 9000);
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    def.patterns[0].at(3, 1, 2) = {61, 1, 0x20, 0, 0};
    std::vector<float> a, b, block;
    Module* m = start(def);
    for (int k = 0; k < 20; ++k) {
        render(m, block, 884);
        a.insert(a.end(), block.begin(), block.end());
    }
    const int32_t clock = m->time_ms;
    music_free(m);
    m = start(def);
    for (int k = 0; k < 20; ++k) {
        render(m, block, 884);
        b.insert(b.end(), block.begin(), block.end());
    }
    EXPECT_EQ(a, b);
    EXPECT_EQ(m->time_ms, clock);
    float peak = 0;
    for (float x : a)
        peak = x > peak ? x : peak;
    EXPECT_GT(peak, 1000.0f); // the notes were heard
    music_free(m);
}

TEST(RenderLoop, ZeroFrameTicksCannotHang) {
    Module* m = start(basic_module());
    std::vector<float> block;
    render(m, block, 10);
    m->samples_per_tick = 0;
    m->tick_samples_left = 0;
    render(m, block, 5);
    EXPECT_GE(ticks, 5);
    render_frames(nullptr, block.data(), 5);
    render_frames(m, nullptr, 5);
    music_free(m);
}
