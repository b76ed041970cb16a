// The tick-and-mix loop: where ticks fall and the song clock. That xmrender and the block fill
// produce the same samples is checked in tests/xmrender.
#include <gtest/gtest.h>

#include <vector>

#include "audio/render.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

int ticks = 0;

void counting_tick(Module* module) {
    ++ticks;
    music_tick(module);
}

ModulePtr start(const XmModuleDef& def) {
    ModulePtr m = start_playback(def);
    EXPECT_TRUE(m);
    ticks = 0;
    if (m)
        m->tick_entry = counting_tick;
    return m;
}

// `frames` frames rendered in blocks of `block`.
std::vector<float> render(Module* m, int frames, int block = 884) {
    std::vector<float> out(size_t(2 * frames), 0.0f);
    for (int at = 0; at < frames; at += block)
        render_frames(m, out.data() + 2 * at, std::min(block, frames - at));
    return out;
}

} // namespace

TEST(RenderLoop, ZeroFrameTicksCannotHang) {
    ModulePtr m = start(basic_module());
    ASSERT_TRUE(m);
    render(m.get(), 10);
    m->samples_per_tick = 0;
    m->tick_samples_left = 0;
    render(m.get(), 5);
    EXPECT_GE(ticks, 5);
    std::vector<float> block(10);
    render_frames(nullptr, block.data(), 5);
    render_frames(m.get(), nullptr, 5);
}
