// The sound output on the in-memory device: sizes, refusals, the position queries as the device
// moves through the ring, the block fill's tick boundaries, and the stop and replay sequences.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "tests/sound/memory_steps.h"
#include "tests/sound/sound_test_support.h"

namespace {

class SoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test_files_register("song.xm", test_song_bytes());
        memory_device_refuse_open(false);
    }
    void TearDown() override { sound_close(); }
};

int fake_open(const char*) { return 0; }
void fake_close(int) {}
int fake_read(void*, int, int) { return 0; }
void fake_seek(int, int32_t, int) {}
int32_t fake_tell(int) { return 0; }

TEST_F(SoundOutputTest, SizesFollowTheRate)
{
    ASSERT_TRUE(sound_open(44100));
    const SoundOutput& s = sound_output();
    EXPECT_EQ(s.block_frames, 884);
    EXPECT_EQ(s.ring_frames, 88400);
    EXPECT_EQ(s.block_count, 100);
    EXPECT_EQ(mixer_settings.ramp_length, 128);
    EXPECT_EQ(memory_device_status().rate, 44100);

    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(memory_device_status().ring_bytes, 353600u);
    EXPECT_TRUE(memory_device_status().playing);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(s.mix) % 16, 0u);

    // 20 ms rounded up to a multiple of 4 frames; always 100 blocks.
    ASSERT_TRUE(sound_open(48000));
    EXPECT_EQ(s.block_frames, 960);
    ASSERT_TRUE(sound_open(22050));
    EXPECT_EQ(s.block_frames, 444);
    EXPECT_EQ(s.block_count, 100);
    ASSERT_TRUE(sound_open(11025));
    EXPECT_EQ(s.block_frames, 220);
}

TEST_F(SoundOutputTest, OpenRefusals)
{
    int opens = memory_device_status().opens;
    // Any one callback missing clears them all, and sound_open leaves the device alone.
    for (int missing = 0; missing < 5; ++missing) {
        music_set_file_callbacks(missing == 0 ? nullptr : fake_open,
                                 missing == 1 ? nullptr : fake_close,
                                 missing == 2 ? nullptr : fake_read,
                                 missing == 3 ? nullptr : fake_seek,
                                 missing == 4 ? nullptr : fake_tell);
        EXPECT_FALSE(sound_open(44100)) << "callback " << missing;
    }
    EXPECT_EQ(memory_device_status().opens, opens);

    music_set_file_callbacks(fake_open, fake_close, fake_read, fake_seek, fake_tell);
    memory_device_refuse_open(true);
    EXPECT_FALSE(sound_open(44100));
    EXPECT_EQ(sound_output().device, nullptr);
    memory_device_refuse_open(false);

    // Rates whose block or ramp arithmetic breaks down.
    EXPECT_FALSE(sound_open(0));
    EXPECT_FALSE(sound_open(-44100));
    EXPECT_FALSE(sound_open(SOUND_MIN_RATE - 1));
    EXPECT_FALSE(sound_open(SOUND_MAX_RATE + 1));
    EXPECT_TRUE(sound_open(SOUND_MIN_RATE));

    // Without an open output nothing plays.
    sound_close();
    ScriptedSong song;
    EXPECT_FALSE(sound_play(&song.module));
    EXPECT_EQ(sound_output().playing, nullptr);
}

TEST_F(SoundOutputTest, NullModules)
{
    ASSERT_TRUE(sound_open(44100));
    EXPECT_FALSE(sound_play(nullptr));
    EXPECT_FALSE(sound_stop(nullptr));
    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    EXPECT_EQ(sound_get_order(nullptr), 0);
    EXPECT_EQ(sound_get_row(nullptr), 0);
    EXPECT_EQ(sound_get_time(nullptr), 0);
    EXPECT_EQ(sound_get_time(&song.module), 19);
}

TEST_F(SoundOutputTest, QueriesRightAfterPlayReportEntryZero)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;  // 882 frames per tick at 125 BPM
    std::vector<PositionEntry> expected = offline_positions(&song.module, 884, 100);
    ASSERT_TRUE(sound_play(&song.module));
    // Ticks at frames 0 and 882 of the first 884: row 1; 882 frames add 19 ms, 2 frames 0.
    EXPECT_EQ(sound_get_order(&song.module), 0);
    EXPECT_EQ(sound_get_row(&song.module), 1);
    EXPECT_EQ(sound_get_time(&song.module), 19);
    EXPECT_EQ(sound_output().reader_index.load(), 0);
    EXPECT_EQ(sound_output().write_index, 0);

    // The whole ring was filled in order before the device started.
    for (int k = 0; k < 100; ++k) {
        PositionEntry e = sound_position_entry(k);
        EXPECT_EQ(int(e.time_ms), int(expected[k].time_ms)) << "block " << k;
        EXPECT_EQ(e.row, expected[k].row) << "block " << k;
        EXPECT_EQ(e.order, expected[k].order) << "block " << k;
    }
}

TEST_F(SoundOutputTest, QueriesFollowTheBlockBeingHeardAcrossLaps)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    std::vector<PositionEntry> expected = offline_positions(&song.module, 884, 260);
    ASSERT_TRUE(sound_play(&song.module));
    // The device in absolute block a plays what was mixed as the song's block a.
    for (int a = 1; a < 259; a += (a % 7 == 0 ? 2 : 1)) {
        ASSERT_TRUE(advance_to_block(a)) << "block " << a;
        EXPECT_EQ(sound_get_time(&song.module), int(expected[a].time_ms)) << "block " << a;
        EXPECT_EQ(sound_get_row(&song.module), expected[a].row) << "block " << a;
        EXPECT_EQ(sound_get_order(&song.module), expected[a].order) << "block " << a;
    }
    // At the end of block 259 the song has had 261 ticks (frame 0, 882, ... 229320): row 260
    // and order 65 before the 8-bit cut.
    ASSERT_TRUE(advance_to_block(259));
    EXPECT_EQ(sound_get_row(&song.module), 4);
    EXPECT_EQ(sound_get_order(&song.module), 65);
}

TEST_F(SoundOutputTest, ClockStepsOnlyAtBlockChanges)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    int last = sound_get_time(&song.module);
    uint64_t frames = 0;
    for (int block = 1; block <= 6; ++block) {
        // Inside a block the clock stands still, however the position moves.
        for (int step = 0; step < 4; ++step) {
            frames += 200;
            if (frames >= uint64_t(block) * 884)
                break;
            memory_device_set_position(frames * 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
            EXPECT_EQ(sound_get_time(&song.module), last) << "frame " << frames;
        }
        ASSERT_TRUE(advance_to_block(block));
        frames = uint64_t(block) * 884;
        int now = sound_get_time(&song.module);
        EXPECT_TRUE(now - last == 19 || now - last == 20) << now << " after " << last;
        last = now;
    }
}

TEST_F(SoundOutputTest, LastBlockRefilledWhenTheDeviceWraps)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    std::vector<PositionEntry> expected = offline_positions(&song.module, 884, 200);
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(99));
    EXPECT_EQ(sound_output().reader_index.load(), 99);
    EXPECT_EQ(int(sound_position_entry(99).time_ms), int(expected[99].time_ms));
    EXPECT_EQ(int(sound_position_entry(98).time_ms), int(expected[198].time_ms));

    ASSERT_TRUE(advance_to_block(100));
    EXPECT_EQ(sound_output().reader_index.load(), 0);
    EXPECT_EQ(sound_output().write_index, 0);
    EXPECT_EQ(int(sound_position_entry(99).time_ms), int(expected[199].time_ms));
    EXPECT_EQ(sound_get_time(&song.module), int(expected[100].time_ms));
}

TEST_F(SoundOutputTest, FallenBehindCatchesUpOnlyAfterTheWrap)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    std::vector<PositionEntry> expected = offline_positions(&song.module, 884, 300);
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(60));
    // The device laps the feeder: block 150 is block 50 of the ring, behind W = 60.
    memory_device_set_position(uint64_t(150) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(sound_output().reader_index.load(), 60);
    // Once the position wraps to block 0 the feeder refills 60..99 in one go.
    ASSERT_TRUE(advance_to_block(200));
    EXPECT_EQ(sound_output().reader_index.load(), 0);
    EXPECT_EQ(int(sound_position_entry(99).time_ms), int(expected[199].time_ms));
    EXPECT_EQ(sound_get_time(&song.module), int(expected[100].time_ms));
}

TEST_F(SoundOutputTest, TickBoundaryAtTheStartOfEveryBlock)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song(884);
    ASSERT_TRUE(sound_play(&song.module));
    // One tick at frame 0 of each block and one whole 884-frame stretch: 20 ms per block.
    for (int k = 0; k < 100; ++k) {
        PositionEntry e = sound_position_entry(k);
        EXPECT_EQ(e.row, k) << "block " << k;
        EXPECT_EQ(int(e.time_ms), 20 * (k + 1)) << "block " << k;
    }
    EXPECT_EQ(song.module.tick_samples_left, 0);
}

TEST_F(SoundOutputTest, TickSpanningTwoBlocks)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song(1000);
    ASSERT_TRUE(sound_play(&song.module));
    // Block 0: the tick at frame 0, 884 frames (20 ms), 116 left over.
    PositionEntry e0 = sound_position_entry(0);
    EXPECT_EQ(e0.row, 0);
    EXPECT_EQ(int(e0.time_ms), 20);
    // Block 1: 116 frames (2 ms), the tick at frame 1000, 768 frames (17 ms).
    PositionEntry e1 = sound_position_entry(1);
    EXPECT_EQ(e1.row, 1);
    EXPECT_EQ(int(e1.time_ms), 39);
    // Block 2: 232 frames (5 ms), tick at 2000, 652 frames (14 ms).
    PositionEntry e2 = sound_position_entry(2);
    EXPECT_EQ(e2.row, 2);
    EXPECT_EQ(int(e2.time_ms), 58);
}

TEST_F(SoundOutputTest, StopTwiceKeepsTheDeviceLooping)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(3));
    EXPECT_TRUE(sound_stop(&song.module));
    EXPECT_TRUE(sound_stop(&song.module));
    const SoundOutput& s = sound_output();
    EXPECT_EQ(s.playing, nullptr);
    EXPECT_EQ(s.mix, nullptr);
    EXPECT_TRUE(s.thread_finished.load());
    EXPECT_FALSE(s.thread.joinable());
    MemoryDeviceStatus status = memory_device_status();
    EXPECT_TRUE(status.playing);
    EXPECT_FALSE(status.prepared);
    EXPECT_NE(status.ring, nullptr);

    // Nothing refills any more: the device replays the ring as it was.
    PositionEntry before = sound_position_entry(3);
    memory_device_set_position(uint64_t(10) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(int(sound_position_entry(3).time_ms), int(before.time_ms));
    EXPECT_EQ(s.reader_index.load(), 3);

    sound_close();
    EXPECT_FALSE(memory_device_status().open);
    EXPECT_EQ(s.ring, nullptr);
}

TEST_F(SoundOutputTest, PlayAgainRestartsFromTheFirstOrder)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    ASSERT_TRUE(advance_to_block(50));
    EXPECT_GT(sound_get_time(&song.module), 900);
    int resets = memory_device_status().resets;

    ASSERT_TRUE(sound_play(&song.module));
    // The old loop is stopped before its ring goes; the new one starts at frame 0.
    EXPECT_EQ(memory_device_status().resets, resets + 1);
    EXPECT_EQ(memory_device_position(), 0u);
    EXPECT_EQ(sound_get_time(&song.module), 19);
    EXPECT_EQ(sound_get_row(&song.module), 1);
    ASSERT_TRUE(advance_to_block(1));
    EXPECT_EQ(sound_get_time(&song.module), int(sound_position_entry(1).time_ms));
}

TEST_F(SoundOutputTest, OpenAgainClosesFirstAndStopsPlayback)
{
    ASSERT_TRUE(sound_open(44100));
    ScriptedSong song;
    ASSERT_TRUE(sound_play(&song.module));
    int closes = memory_device_status().closes;
    ASSERT_TRUE(sound_open(44100));
    EXPECT_EQ(memory_device_status().closes, closes + 1);
    EXPECT_EQ(sound_output().playing, nullptr);
    EXPECT_FALSE(sound_output().thread.joinable());
    sound_close();
    sound_close();
    EXPECT_FALSE(memory_device_status().open);
}

TEST_F(SoundOutputTest, MusicFreeStopsThePlayingSong)
{
    ASSERT_TRUE(sound_open(44100));
    Module* song = test_song_load();
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(sound_play(song));
    ASSERT_TRUE(advance_to_block(5));
    EXPECT_TRUE(music_free(song));
    EXPECT_EQ(sound_output().playing, nullptr);
    EXPECT_FALSE(sound_output().thread.joinable());
}

TEST_F(SoundOutputTest, ExitWhileASongPlaysEndsTheProcessNormally)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ScriptedSong song;
            sound_open(44100);
            sound_play(&song.module);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(SoundOutputTest, FreeingASongThenPlayingAnotherMixesNoFreedSamples)
{
    ASSERT_TRUE(sound_open(44100));
    Module* first = test_song_load();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(sound_play(first));
    int sounding = 0;
    for (const Voice& voice : voice_table)
        sounding += voice.sample != nullptr;
    EXPECT_GT(sounding, 0);
    ASSERT_TRUE(music_free(first));
    for (const Voice& voice : voice_table)
        EXPECT_EQ(voice.sample, nullptr);
    // Under AddressSanitizer a voice left on the freed song's samples fails here.
    Module* second = test_song_load();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(sound_play(second));
    ASSERT_TRUE(advance_to_block(3));
    EXPECT_TRUE(music_free(second));
}

}  // namespace
