// What the ring holds and what the device plays, against the offline render of the same song.
#include <gtest/gtest.h>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "tests/sound/memory_steps.h"
#include "tests/sound/sound_test_support.h"

namespace {

class SoundRingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        song = test_song_load();
        ASSERT_NE(song, nullptr);
        ASSERT_TRUE(sound_open(44100));
    }
    void TearDown() override
    {
        music_free(song);
        sound_close();
    }
    Module* song = nullptr;
};

// The index of the first differing sample, or -1.
long first_difference(const int16_t* a, const int16_t* b, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (a[i] != b[i])
            return long(i);
    return -1;
}

TEST_F(SoundRingTest, InitialFillEqualsTheOfflineRender)
{
    // Rendered in pieces that do not line up with blocks or ticks: the loop is the same.
    std::vector<int16_t> expected = offline_pcm(song, 88400, 1000);
    ASSERT_TRUE(sound_play(song));
    MemoryDeviceStatus status = memory_device_status();
    ASSERT_EQ(status.ring_bytes, 353600u);
    EXPECT_EQ(first_difference(status.ring, expected.data(), expected.size()), -1);
    long loud = 0;
    for (int16_t v : expected)
        loud += v != 0;
    EXPECT_GT(loud, 100000);  // the song is not silence
}

TEST_F(SoundRingTest, DevicePlaysTheOfflineRenderInOrderOverSeveralLaps)
{
    const int blocks = 260;
    std::vector<int16_t> expected = offline_pcm(song, blocks * 884, 884);
    ASSERT_TRUE(sound_play(song));
    memory_device_record(true);
    for (int a = 1; a <= blocks; ++a)
        ASSERT_TRUE(advance_to_block(a)) << "block " << a;
    std::vector<int16_t> heard = memory_device_recording();
    memory_device_record(false);
    ASSERT_EQ(heard.size(), expected.size());
    EXPECT_EQ(first_difference(heard.data(), expected.data(), expected.size()), -1);
}

}  // namespace
