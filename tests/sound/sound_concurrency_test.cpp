// Playback, queries from another thread, stop and free at the same time; build with
// -DVORRU_SANITIZE=thread to check the lock-free sharing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "mixer/mixer.h"
#include "tests/sound/sound_test_support.h"

namespace {

TEST(SoundConcurrency, QueriesWhilePlayingStoppingAndFreeing)
{
    music_test::serve_bytes(test_song_bytes());  // sound_open wants the file callbacks
    ASSERT_TRUE(sound_open(44100));
    for (int round = 0; round < 3; ++round) {
        Module* song = test_song_load();
        ASSERT_TRUE(song && sound_play(song));
        std::atomic<bool> done{false};
        int bad = 0;
        std::thread reader([&] {
            for (int last = 0, t = 0; !done.load(); last = t) {
                t = sound_get_time(song);
                bad += t < last || sound_get_order(song) > 255 || sound_get_row(song) > 255;
            }
        });
        // The device runs ahead in uneven steps while the reader polls.
        for (uint64_t i = 0, frames = 0; i < 60; ++i) {
            memory_device_set_position((frames += 300 + i % 5 * 400) * 4);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(music_free(song));  // the feeder may be inside a block fill
        done = true;
        reader.join();
        EXPECT_EQ(bad, 0) << "the clock went back or a position left 0..255";
        EXPECT_EQ(sound_output().playing, nullptr);
        EXPECT_EQ(sound_output().thread, nullptr);
        // No voice is left on the freed samples (AddressSanitizer fails the next round if so).
        EXPECT_TRUE(std::none_of(std::begin(voice_table), std::end(voice_table),
                                 [](const Voice& v) { return v.sample != nullptr; }));
    }
    sound_close();
}

TEST(SoundConcurrency, StopBeforeTheFeederHasBegunLeavesNoThreadBehind)
{
    Module* song = test_song_load();
    ASSERT_TRUE(song && sound_open(44100));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(sound_play(song) && sound_stop(song));
        ASSERT_TRUE(sound_output().thread_finished.load());
    }
    // A straggler would refill blocks as the device moves.
    int before = sound_position_entry(0).time_ms;
    memory_device_set_position(uint64_t(5) * 884 * 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(int(sound_position_entry(0).time_ms), before);
    EXPECT_EQ(sound_output().reader_index.load(), 0);
    music_free(song);
    sound_close();
}

}  // namespace
