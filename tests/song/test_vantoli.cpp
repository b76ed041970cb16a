// The committed song module: reproducible from the generator, its header facts, and how our
// loader and replay take it (every order position up to 16 lasts 2.56 s, and the close has
// faded out before 16).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/render.h"
#include "mixer/mixer.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

unsigned u16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

class SongInEngine : public ::testing::Test {
protected:
    void SetUp() override {
        music_test::serve_bytes(read_file(VORRU_SONG_PATH));
        mixer_set_rate(44100);
        mixer_reset_voices();
        module = music_load("data\\vantoli.xm", nullptr);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { music_free(module); }
    Module* module = nullptr;
};

} // namespace

TEST(SongModule, GeneratorReproducesTheCommittedFile) {
    const std::string out = ::testing::TempDir() + "vantoli_regenerated.xm";
    const std::string cmd = std::string("\"") + SONGGEN_PATH + "\" \"" + out + "\" 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::vector<uint8_t> fresh = read_file(out), committed = read_file(VORRU_SONG_PATH);
    std::remove(out.c_str());
    ASSERT_EQ(committed.size(), 85178u);
    ASSERT_EQ(fresh.size(), committed.size());
    EXPECT_EQ(std::mismatch(fresh.begin(), fresh.end(), committed.begin()).first - fresh.begin(),
              std::ptrdiff_t(fresh.size()))
        << "first differing byte";
}

TEST(SongModule, HeaderFacts) {
    const std::vector<uint8_t> b = read_file(VORRU_SONG_PATH);
    ASSERT_GE(b.size(), 336u);
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: ", 17));
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(u16(b, 58), 0x0104u);
    EXPECT_EQ(u16(b, 60) | (u16(b, 62) << 16), 276u);
    const unsigned length = u16(b, 64), channels = u16(b, 68);
    EXPECT_GE(length, 17u);
    EXPECT_LT(u16(b, 66), length); // restart
    EXPECT_GE(channels, 6u);
    EXPECT_LE(channels, 16u);
    EXPECT_EQ(u16(b, 74) & 1, 1u); // linear frequency table
    EXPECT_EQ(u16(b, 76), 2u);     // speed
    EXPECT_EQ(u16(b, 78), 125u);   // BPM
    for (unsigned i = 0; i < length; ++i)
        EXPECT_LT(b[80 + i], u16(b, 70)) << "order " << i;
}

// The header facts above, as the loader reads them, are implied by the tick walk below.
TEST_F(SongInEngine, InstrumentsLoadWithSamplesLoopsAndEnvelopes) {
    bool pingpong = false;
    int enveloped = 0;
    for (int i = 0; i < module->num_instruments; ++i) {
        const Instrument& ins = module->instruments[i];
        ASSERT_GE(ins.num_samples, 1) << "instrument " << i + 1;
        const Sample* s = ins.samples[0];
        EXPECT_NE(s->data, nullptr) << "instrument " << i + 1;
        EXPECT_LE(s->loop_start + s->loop_length, s->length);
        pingpong = pingpong || s->loop_type == LOOP_PINGPONG;
        enveloped += ins.volume_type & 1;
    }
    EXPECT_TRUE(pingpong);
    EXPECT_GE(module->num_instruments, 8);
    EXPECT_GE(enveloped, module->num_instruments / 2);
}

// No speed, tempo, jump, break, loop or row delay moves the demo's clock before position 16.
TEST_F(SongInEngine, EveryOrderPositionUpToTheLandingLasts128Ticks) {
    music_reset_playback(module);
    for (int tick = 0; tick < 16 * 128; ++tick) {
        module->tick_entry(module);
        ASSERT_EQ(module->order, tick / 128) << "tick " << tick;
        ASSERT_EQ(module->row, (tick % 128) / 2) << "tick " << tick;
        ASSERT_EQ(module->speed, 2) << "tick " << tick;
        ASSERT_EQ(module->samples_per_tick, 882) << "tick " << tick;
    }
    module->tick_entry(module); // the first tick of position 16, where the demo stops
    EXPECT_EQ(module->order, 16);
    EXPECT_EQ(module->row, 0);
}

// The demo stops on reaching position 16: the song must have faded out by then. Rendered
// tick by tick through the block fill's loop, the last 50 ms before position 16 stay below
// -40 dBFS RMS, while the close itself is still heard (a second before it is far louder).
TEST_F(SongInEngine, TheCloseFadesOutBeforePosition16) {
    music_reset_playback(module);
    constexpr int TICK = 882, LAST = 44100 / 20, EARLIER = 44100;
    std::vector<float> mix(TICK * 2);
    std::vector<int16_t> pcm(TICK * 2), song;
    while (module->order < 16) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module, mix.data(), TICK);
        mixer_to_pcm16(pcm.data(), mix.data(), TICK);
        if (module->order < 16)
            song.insert(song.end(), pcm.begin(), pcm.end());
    }
    ASSERT_EQ(song.size(), size_t(16 * 128 * TICK * 2));
    auto rms_dbfs = [&](size_t from_end, size_t frames) {
        double sum = 0;
        const size_t end = song.size() - from_end * 2;
        for (size_t i = end - frames * 2; i < end; ++i)
            sum += double(song[i]) * song[i];
        return 10 * std::log10(sum / (frames * 2) / (32768.0 * 32768.0) + 1e-30);
    };
    EXPECT_LT(rms_dbfs(0, LAST), -40.0);
    EXPECT_GT(rms_dbfs(EARLIER, LAST), -30.0);
}
