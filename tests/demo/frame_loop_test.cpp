// The frame clock's tick counts and waits and the frame loop's exit rules; what the scenes draw
// is checked whole by the capture golden.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "demo/demo_main.h"
#include "demo/frame_clock.h"
#include "display/display.h"
#include "display/display_backend.h"
#include "display/memory/memory_display.h"

namespace {

std::vector<int> script;
size_t scriptAt = 0;
int scripted_time(Module*) { return script[scriptAt < script.size() ? scriptAt++ : script.size() - 1]; }

} // namespace

TEST(FrameClock, TicksPerElapsedSongTime) {
    const struct { uint32_t elapsed, ticks; } cases[] = {
        {20, 1}, {31, 1}, {32, 1}, {63, 1}, {64, 2}, {100, 3}, {0xFFFFFFE0u, 0x7FFFFFFu}};
    for (const auto& c : cases) EXPECT_EQ(frame_clock_ticks(c.elapsed), c.ticks) << c.elapsed;
}

TEST(FrameClock, WaitReadsThreeTimesAndDropsTheRemainder) {
    script = {1000, 1000, 1000, 1064, 1070, 1071};
    scriptAt = 0;
    frame_clock_set_time_source(scripted_time);
    startFrameClock(nullptr);
    EXPECT_EQ(lastClock, 1000u);
    waitFrameClock(nullptr);
    EXPECT_EQ(pendingTicks, 2u); // second read 1070: 70 ms
    EXPECT_EQ(lastClock, 1071u); // third read
    frame_clock_set_time_source(nullptr);
}

TEST(FrameClock, ElapsedIsUnsigned) {
    script = {10, 5, 5, 5};
    scriptAt = 0;
    frame_clock_set_time_source(scripted_time);
    startFrameClock(nullptr);
    waitFrameClock(nullptr);
    EXPECT_EQ(pendingTicks, (uint32_t(5) - 10u) >> 5);
    frame_clock_set_time_source(nullptr);
}

TEST(FrameClock, StalledClockStillLetsTheLoopRun) {
    script = {42};
    scriptAt = 0;
    frame_clock_set_time_source(scripted_time);
    frame_clock_set_stall_ms(5);
    // Past the stall limit the clock has moved on: the wait ends with one tick from there.
    frame_clock_set_idle_hook([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(6));
        script = {43};
        scriptAt = 0;
    });
    startFrameClock(nullptr);
    waitFrameClock(nullptr);
    EXPECT_EQ(pendingTicks, 1u);
    EXPECT_EQ(lastClock, 43u);
    frame_clock_set_idle_hook(nullptr);
    frame_clock_set_stall_ms(0);
    frame_clock_set_time_source(nullptr);
}

TEST(FrameLoopExit, OrderSixteenExactlyEndsTheLoop) {
    FrameLoopState state;
    EXPECT_FALSE(demo_should_stop(state, 15));
    EXPECT_TRUE(demo_should_stop(state, END_ORDER));
    EXPECT_FALSE(demo_should_stop(state, 17)); // a jump past 16 plays on
}

TEST(FrameLoopExit, OnlyAKeyDownFromTheLoopsOwnPollEndsIt) {
    MemoryDisplayConfig config;
    display_memory_configure(config);
    display_set_backend(display_memory_backend());
    ASSERT_EQ(display_open("vorru", 320, 240), 1);
    std::vector<uint32_t> frame(320 * 240, 0);
    FrameLoopState state;

    DisplayEvent key;
    key.type = DisplayEventType::KEY_DOWN;
    key.key = 32;
    display_memory_post(key, true); // the window's own message: display_update's pump takes it
    display_update(frame.data());
    EXPECT_FALSE(display_poll_event(&state.lastPolledMessage));
    EXPECT_FALSE(demo_should_stop(state, 3));

    display_memory_post(key, false); // left for the loop's poll
    EXPECT_TRUE(display_poll_event(&state.lastPolledMessage));
    EXPECT_TRUE(demo_should_stop(state, 3));

    // Nothing pending: the last polled message stays.
    EXPECT_FALSE(display_poll_event(&state.lastPolledMessage));
    EXPECT_TRUE(demo_should_stop(state, 3));
    display_close();
    display_set_backend(nullptr);
}
