// Playback, queries from another thread, stop and free at the same time: run under
// ThreadSanitizer (build with -DVORRU_SANITIZE=thread) to check the lock-free sharing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

namespace {

TEST(SoundConcurrency, QueriesWhilePlayingStoppingAndFreeing)
{
    test_files_register("song.xm", test_song_bytes());
    ASSERT_TRUE(sound_open(44100));
    for (int round = 0; round < 3; ++round) {
        Module* song = test_song_load();
        ASSERT_NE(song, nullptr);
        ASSERT_TRUE(sound_play(song));

        std::atomic<bool> done{false};
        std::atomic<int> backwards{0};
        std::thread reader([&] {
            int last = 0;
            while (!done.load()) {
                int t = sound_get_time(song);
                sound_get_order(song);
                sound_get_row(song);
                if (t < last) {
                    backwards++;
                    std::fprintf(stderr, "clock went back from %d to %d\n", last, t);
                }
                last = t;
            }
        });
        // The device runs ahead in uneven steps while the reader polls.
        uint64_t frames = 0;
        for (int i = 0; i < 60; ++i) {
            frames += 300 + uint64_t(i % 5) * 400;
            memory_device_set_position(frames * 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        // Free while the feeder may be inside a block fill.
        EXPECT_TRUE(music_free(song));
        done = true;
        reader.join();
        EXPECT_EQ(backwards.load(), 0);
        EXPECT_EQ(sound_output().playing, nullptr);
        EXPECT_FALSE(sound_output().thread.joinable());
    }
    sound_close();
}

TEST(SoundConcurrency, StopBeforeTheFeederHasBegunLeavesNoThreadBehind)
{
    Module* song = test_song_load();
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(sound_open(44100));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(sound_play(song));
        ASSERT_TRUE(sound_stop(song));
        ASSERT_TRUE(sound_output().thread_finished.load());
    }
    // A straggler would now refill blocks as the device moves.
    PositionEntry before = sound_position_entry(0);
    memory_device_set_position(uint64_t(5) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PositionEntry after = sound_position_entry(0);
    EXPECT_EQ(int(after.time_ms), int(before.time_ms));
    EXPECT_EQ(sound_output().reader_index.load(), 0);
    music_free(song);
    sound_close();
}

}  // namespace
