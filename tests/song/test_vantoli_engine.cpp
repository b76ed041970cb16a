// The committed song through our own loader and replay: it loads, and every order
// position up to the landing takes 128 ticks of 882 samples (2.56 s at 44 100 Hz).
#include "audio/mixer.h"
#include "music/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> g_song;
long g_position = 0;

int song_open(const char* name) {
    g_position = 0;
    return std::strcmp(name, "data\\vantoli.xm") == 0 && !g_song.empty() ? 1 : 0;
}
void song_close(int) {}
int song_read(void* buffer, int count, int) {
    const long left = std::max(0L, long(g_song.size()) - g_position);
    const long n = std::min<long>(std::max(count, 0), left);
    if (n > 0) std::memcpy(buffer, g_song.data() + g_position, size_t(n));
    g_position += n;
    return int(n);
}
void song_seek(int, int32_t offset, int whence) { g_position = (whence == 0 ? 0 : g_position) + offset; }
int32_t song_tell(int) { return int32_t(g_position); }

class SongInEngine : public ::testing::Test {
protected:
    void SetUp() override {
        g_song.clear();
        FILE* f = std::fopen(VORRU_SONG_PATH, "rb");
        ASSERT_NE(f, nullptr);
        uint8_t buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) g_song.insert(g_song.end(), buf, buf + n);
        std::fclose(f);
        music_set_file_callbacks(song_open, song_close, song_read, song_seek, song_tell);
        mixer_set_rate(44100);
        mixer_reset_voices();
        module = music_load("data\\vantoli.xm", nullptr);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        music_free(module);
        music_set_file_callbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    Module* module = nullptr;
};

}  // namespace

TEST_F(SongInEngine, LoadsWithTheTimelineFacts) {
    EXPECT_GE(module->song_length, 17);
    EXPECT_GE(module->num_channels, 6);
    EXPECT_LE(module->num_channels, 16);
    EXPECT_EQ(module->default_speed, 2);
    EXPECT_EQ(module->default_bpm, 125);
    EXPECT_EQ(module->flags & 1, 1);
    for (int order = 0; order <= 16; ++order) EXPECT_EQ(module->patterns[module->orders[order]].rows, 64);
    bool pingpong = false;
    for (int i = 0; i < module->num_instruments; ++i) {
        const Instrument& ins = module->instruments[i];
        ASSERT_GE(ins.num_samples, 1) << "instrument " << i + 1;
        const Sample* s = ins.samples[0];
        EXPECT_NE(s->data, nullptr) << "instrument " << i + 1;
        EXPECT_LE(s->loop_start + s->loop_length, s->length);
        pingpong = pingpong || s->loop_type == LOOP_PINGPONG;
    }
    EXPECT_TRUE(pingpong);
}

TEST_F(SongInEngine, EveryOrderPositionUpToTheLandingLasts128Ticks) {
    music_reset_playback(module);
    for (int tick = 0; tick < 16 * 128; ++tick) {
        module->tick_entry(module);  // a row start moves to the next position
        ASSERT_EQ(module->order, tick / 128) << "tick " << tick;
        ASSERT_EQ(module->row, (tick % 128) / 2) << "tick " << tick;
        ASSERT_EQ(module->speed, 2) << "tick " << tick;
        ASSERT_EQ(module->samples_per_tick, 882) << "tick " << tick;
    }
    EXPECT_EQ(module->order, 15);
    module->tick_entry(module);  // the first tick of the landing
    EXPECT_EQ(module->order, 16);
    EXPECT_EQ(module->row, 0);
}
