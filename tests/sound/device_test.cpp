// The in-memory device and the silent clock on their own, through the device contract.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/device.h"
#include "audio/memory/memory_device.h"

namespace {

TEST(MemoryDevice, RecordsWhatPassesThePlayPositionAcrossTheLoop)
{
    const WaveDevice* d = memory_wave_device();
    ASSERT_TRUE(d->open(44100));
    int16_t ring[8] = {1, -1, 2, -2, 3, -3, 4, -4};  // 4 frames
    d->prepare(ring, sizeof ring);
    memory_device_set_position(8);  // not playing yet: ignored
    EXPECT_EQ(d->position(), 0u);
    d->write();
    memory_device_record(true);
    memory_device_set_position(12);         // frames 0..2
    memory_device_advance(3);               // frames 3, 0, 1 (looped)
    memory_device_set_position(4);          // backwards: nothing recorded
    EXPECT_EQ(d->position(), 4u);
    std::vector<int16_t> heard = memory_device_recording();
    std::vector<int16_t> want = {1, -1, 2, -2, 3, -3, 4, -4, 1, -1, 2, -2};
    EXPECT_EQ(heard, want);

    d->unprepare();
    EXPECT_TRUE(memory_device_status().playing);  // unpreparing does not stop the loop
    d->reset();
    EXPECT_FALSE(memory_device_status().playing);
    EXPECT_EQ(memory_device_status().ring, nullptr);
    EXPECT_EQ(d->position(), 0u);
    d->close();
    d->close();  // harmless
    EXPECT_FALSE(memory_device_status().open);
    memory_device_refuse_open(true);
    EXPECT_FALSE(d->open(44100));
    memory_device_refuse_open(false);
    EXPECT_EQ(wave_device_default(), d);
}

TEST(SilentClock, PositionFollowsTheMonotonicClock)
{
    const WaveDevice* d = silent_wave_device();
    EXPECT_FALSE(d->open(0));
    ASSERT_TRUE(d->open(44100));
    int16_t ring[4] = {};
    d->prepare(ring, sizeof ring);
    EXPECT_EQ(d->position(), 0u);
    auto start = std::chrono::steady_clock::now();
    d->write();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    uint64_t a = d->position();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(a % 4, 0u);
    EXPECT_GE(a, uint64_t(60 * 44100 / 1000 * 4));
    EXPECT_LE(a, uint64_t((ms + 1) * 44100 / 1000 * 4));
    EXPECT_GE(d->position(), a);
    d->reset();
    EXPECT_EQ(d->position(), 0u);
    d->close();
}

}  // namespace
