// The sound output on the in-memory device: sizes, refusals, the position queries when the
// device laps or jumps through the ring, the stop and replay sequences (the steady ring and its
// sound are in the capture golden; the silent clock's pace in the SDL no-driver test).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

namespace {

const SoundOutput& s = sound_output();

// Moves the device to the start of absolute block `block` (laps counted) and waits up to 5 s
// for the feeder to catch up; that also orders its ring writes before the caller's reads.
bool advance_to_block(int block)
{
    memory_device_set_position(uint64_t(block) * uint64_t(s.block_frames) * 4);
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < limit) {
        if (s.reader_index.load() == block % s.block_count && !s.filling.load())
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// Positions as "order/row/ms", so one comparison says which field is off.
std::string text(int order, int row, int ms)
{
    return std::to_string(order) + "/" + std::to_string(row) + "/" + std::to_string(ms);
}
std::string text(const PositionEntry& e) { return text(e.order, e.row, e.time_ms); }
std::string slot(int k) { return text(sound_position_entry(k)); }
std::string heard(Module* m) { return text(sound_get_order(m), sound_get_row(m), sound_get_time(m)); }

// Song positions after each of `blocks` 884-frame blocks, rendered offline.
std::vector<PositionEntry> positions(Module* module, int blocks)
{
    std::vector<PositionEntry> out;
    offline_pcm(module, 884 * blocks, 884, &out);
    return out;
}

class SoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        music_test::serve_bytes(test_song_bytes());
        memory_device_refuse_open(false);
        ASSERT_TRUE(sound_open(44100));
    }
    void TearDown() override
    {
        sound_close();
        sound_set_threaded(true);
    }
    ScriptedSong song;  // 882 frames per tick at 125 BPM
};

TEST_F(SoundOutputTest, SizesFollowTheRate)
{
    EXPECT_EQ(s.ring_frames, 88400);
    EXPECT_EQ(mixer_settings.ramp_length, 128);
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(memory_device_status().ring_bytes, 353600u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(s.mix) % 16, 0u);
    // 20 ms rounded up to a multiple of 4 frames; always 100 blocks.
    for (auto [rate, frames] : {std::pair{44100, 884}, {48000, 960}, {22050, 444}, {11025, 220}}) {
        ASSERT_TRUE(sound_open(rate));
        EXPECT_EQ(s.block_frames, frames) << rate;
        EXPECT_EQ(s.block_count, 100) << rate;
    }
}

TEST_F(SoundOutputTest, Refusals)
{
    sound_close();
    int opens = memory_device_status().opens;
    auto fopen = +[](const char*) { return 0; };
    auto fclose = +[](int) {};
    auto fread = +[](void*, int, int) { return 0; };
    auto fseek = +[](int, int32_t, int) {};
    auto ftell = +[](int) { return int32_t(0); };
    for (int missing = 0; missing < 5; ++missing) {
        music_set_file_callbacks(missing == 0 ? nullptr : fopen, missing == 1 ? nullptr : fclose,
                                 missing == 2 ? nullptr : fread, missing == 3 ? nullptr : fseek,
                                 missing == 4 ? nullptr : ftell);
        EXPECT_FALSE(sound_open(44100)) << "callback " << missing;
    }
    EXPECT_EQ(memory_device_status().opens, opens);  // refused before the device is touched
    music_set_file_callbacks(fopen, fclose, fread, fseek, ftell);
    memory_device_refuse_open(true);
    EXPECT_FALSE(sound_open(44100));
    EXPECT_EQ(s.device, nullptr);
    memory_device_refuse_open(false);
    for (int rate : {0, -44100, 344, 768001})
        EXPECT_FALSE(sound_open(rate)) << rate;
    EXPECT_FALSE(sound_play(&song.module));  // nothing open
    EXPECT_EQ(s.playing, nullptr);

    ASSERT_TRUE(sound_open(768000));
    ASSERT_TRUE(sound_open(345));
    EXPECT_FALSE(sound_play(nullptr));
    EXPECT_FALSE(sound_stop(nullptr));
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(heard(nullptr), "0/0/0");
    EXPECT_GT(sound_get_time(&song.module), 0);
}

TEST_F(SoundOutputTest, LastBlockRefilledWhenTheDeviceWraps)
{
    std::vector<PositionEntry> expected = positions(&song.module, 401);
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(99));
    EXPECT_EQ(s.reader_index.load(), 99);
    EXPECT_EQ(slot(99), text(expected[99]));
    EXPECT_EQ(slot(98), text(expected[198]));
    ASSERT_TRUE(advance_to_block(100));
    EXPECT_EQ(s.reader_index.load(), 0);
    EXPECT_EQ(s.write_index, 0);
    EXPECT_EQ(slot(99), text(expected[199]));
    EXPECT_EQ(heard(&song.module), text(expected[100]));

    // Lapped by the device (block 250 is slot 50, behind W = 60), the feeder waits for the wrap
    // and then refills 60..99 in one go.
    ASSERT_TRUE(advance_to_block(160));
    memory_device_set_position(uint64_t(250) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(s.reader_index.load(), 60);
    ASSERT_TRUE(advance_to_block(300));
    EXPECT_EQ(s.reader_index.load(), 0);
    EXPECT_EQ(slot(99), text(expected[299]));
    EXPECT_EQ(heard(&song.module), text(expected[200]));

    // A jump from block 99 over block 0 to block 1 still refills both.
    ASSERT_TRUE(advance_to_block(399));
    ASSERT_TRUE(advance_to_block(401));
    EXPECT_EQ(slot(0), text(expected[400]));
    EXPECT_EQ(heard(&song.module), text(expected[301]));
}

TEST_F(SoundOutputTest, StopTwiceThenPlayOrOpenAgain)
{
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(3));
    EXPECT_TRUE(sound_stop(&song.module));
    EXPECT_TRUE(sound_stop(&song.module));
    EXPECT_EQ(s.playing, nullptr);
    EXPECT_EQ(s.mix, nullptr);
    EXPECT_EQ(s.thread, nullptr);
    MemoryDeviceStatus status = memory_device_status();
    EXPECT_TRUE(status.playing && !status.prepared && status.ring);
    // Nothing refills any more; the queries keep the last entry heard.
    std::string before = slot(3);
    memory_device_set_position(uint64_t(10) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(s.reader_index.load(), 3);
    EXPECT_EQ(slot(3), before);
    EXPECT_EQ(heard(&song.module), before);

    // Playing again, stopped or not, ends the old loop before its ring is replaced and starts
    // at frame 0.
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(50));
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(memory_device_status().resets, status.resets + 2);
    EXPECT_EQ(memory_device_position(), 0u);
    EXPECT_EQ(heard(&song.module), "0/1/19");
    // Opening again closes first, which stops the song.
    ASSERT_TRUE(sound_open(44100));
    EXPECT_EQ(memory_device_status().closes, status.closes + 1);
    EXPECT_EQ(s.playing, nullptr);
    EXPECT_EQ(s.thread, nullptr);
    sound_close();
    sound_close();
    EXPECT_FALSE(memory_device_status().open);
    EXPECT_EQ(s.ring, nullptr);
}

TEST_F(SoundOutputTest, ExitWhileASongPlaysEndsTheProcessNormally)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((sound_play(&song.module), std::exit(0)), testing::ExitedWithCode(0), "");
}

// Without a feeder thread nothing moves until the caller pumps; each pump refills the block just
// played (the pumped sound itself is in the capture golden's WAV).
TEST_F(SoundOutputTest, PumpFeedsOnTheCallersThread)
{
    std::vector<PositionEntry> expected = positions(&song.module, 360);
    sound_set_threaded(false);
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(s.thread, nullptr);
    memory_device_set_position(uint64_t(884) * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(s.reader_index.load(), 0);
    for (int a = 1; a <= 260; ++a) {
        memory_device_set_position(uint64_t(a) * 884 * 4);
        sound_pump();
        ASSERT_EQ(s.reader_index.load(), a % 100) << "block " << a;
        ASSERT_EQ(slot((a + 99) % 100), text(expected[a + 99])) << "block " << a;
    }
}

}  // namespace
