// The display sequences over the in-memory backend: open fallbacks and failures, presentation
// at a wide pitch, dropped frames while inactive, the pumps, and the close request.
#include "display/display.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "display/display_poll.h"
#include "display/memory/memory_display.h"
#include "display/pixel_convert.h"

namespace {

constexpr int W = 37; // not a multiple of any SIMD group
constexpr int H = 5;

MemoryDisplayConfig config_for(int layoutIndex, int extraPitch = 0) {
    const PixelLayout& layout = display_pixel_layouts()[layoutIndex];
    MemoryDisplayConfig c;
    c.bitCount = layout.bitCount;
    c.redMask = layout.redMask;
    c.greenMask = layout.greenMask;
    c.blueMask = layout.blueMask;
    c.pitch = extraPitch ? W * layout.bytesPerPixel + extraPitch : 0;
    return c;
}

using E = DisplayEventType;

std::string joined_log() {
    std::string s;
    for (const std::string& step : display_memory_log())
        s += step + ";";
    return s;
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override { display_set_backend(display_memory_backend()); }
    void TearDown() override { display_close(); }
    bool open(const MemoryDisplayConfig& c) {
        display_memory_configure(c);
        return display_open("vorru", W, H) == 1;
    }
    int update() { return display_update(frame.data()); }
    std::vector<uint32_t> frame = std::vector<uint32_t>(W * H, 0x00112233);
};

TEST_F(DisplayTest, EveryLayoutIsPresentedRowByRowAndAWiderPitchKeepsItsExtraBytes) {
    std::mt19937 rng(42);
    for (uint32_t& p : frame)
        p = rng();
    int frames = 0;
    display_memory_set_present_callback(
        [](const uint8_t*, int width, int height, int, void* user) {
            *static_cast<int*>(user) += width == W && height == H;
        },
        &frames);
    for (int l = 0; l < 2 * PIXEL_LAYOUT_COUNT; ++l) {
        const PixelLayout& layout = display_pixel_layouts()[l / 2];
        ASSERT_TRUE(open(config_for(l / 2, l % 2 ? 7 : 0))) << layout.name;
        ASSERT_EQ(update(), 1);
        const std::vector<uint8_t>& front = display_memory_front();
        const int pitch = display_memory_pitch(), row = W * layout.bytesPerPixel;
        ASSERT_EQ(pitch, row + (l % 2 ? 7 : 0));
        for (int y = 0; y < H; ++y) {
            std::vector<uint8_t> expected(pitch, 0xA5); // 0xA5: bytes never written
            layout.reference(frame.data() + y * W, expected.data(), W);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), front.begin() + y * pitch))
                << layout.name << " row " << y;
        }
        display_close();
    }
    display_memory_set_present_callback(nullptr, nullptr);
    EXPECT_EQ(frames, 2 * PIXEL_LAYOUT_COUNT);
}

TEST_F(DisplayTest, SizesWithASideAtZeroAndNoTitleAreRefused) {
    display_memory_configure(MemoryDisplayConfig{});
    for (auto [w, h] : {std::pair{0, H}, {W, 0}, {-W, H}, {W, -1}})
        EXPECT_EQ(display_open("vorru", w, h), 0) << w << "x" << h;
    EXPECT_EQ(display_open(nullptr, W, H), 0);
    EXPECT_EQ(joined_log(), "");
}

TEST_F(DisplayTest, ASecondCloseReleasesNothingAgain) {
    ASSERT_TRUE(open(config_for(0)));
    display_close();
    display_close();
    const std::string log = joined_log();
    for (const char* step :
         {"releaseSurfaces;", "releaseDevice;", "destroyWindow;", "unloadLibrary;"})
        EXPECT_EQ(log.find(step), log.rfind(step)) << step << " in " << log;
}

TEST_F(DisplayTest, StepsFallbacksAndFailuresOfOpenUpdateAndClose) {
    using Config = MemoryDisplayConfig;
    const struct {
        int layout; // the surface the platform offers, then a change to its configuration
        void (*change)(Config&);
        bool opens;
        int updated; // what display_update returns after the open
        const char* log;
    } cases[] = {
        {0, [](Config&) {}, true, 1,
         "loadLibrary;createDevice;createWindow vorru;setExclusive;setMode 32;createSurfaces 2;"
         "attachBackBuffer;getPixelFormat;screenSaver off;restore;lock;unlock;flip;sleep 0;"
         "releaseSurfaces;releaseDevice;destroyWindow;unloadLibrary;screenSaver on;"},
        {3, [](Config&) {}, true, 1, "setMode 32;setMode 24;createSurfaces 2"}, // 24 BGR
        {6, [](Config&) {}, true, 1, "setMode 32;setMode 24;setMode 16;createSurfaces 2"},
        {0, [](Config& c) { c.maxBackBuffers = 1; }, true, 1, "createSurfaces 2;createSurfaces 1;"},
        {0, [](Config& c) { c.maxBackBuffers = 0; }, false, 0, "attachBackBuffer;releaseSurfaces"},
        {0, [](Config& c) { c.failLoad = true; }, false, 0, "loadLibrary;screenSaver on;"},
        {0, [](Config& c) { c.failExclusive = true; }, false, 0,
         "setExclusive;releaseDevice;destroyWindow;unloadLibrary;screenSaver on;"},
        {0, [](Config& c) { c.rgb = false; }, false, 0, "getPixelFormat;releaseSurfaces"},
        {4, [](Config& c) { c.greenMask = 0x03E0; }, false, 0, "getPixelFormat;releaseSurfaces"},
        {0, [](Config& c) { c.failLock = true; }, true, 0, "restore;lock;releaseSurfaces"},
        {0, [](Config& c) { c.pitch = W * 4 - 1; }, true, 0, "lock;unlock;releaseSurfaces"},
    };
    for (const auto& t : cases) {
        Config config = config_for(t.layout);
        t.change(config);
        EXPECT_EQ(open(config), t.opens) << t.log;
        EXPECT_EQ(display_memory_screen_saver_active(), !t.opens) << t.log;
        EXPECT_EQ(update(), t.updated) << t.log;
        display_close();
        EXPECT_NE(joined_log().find(t.log), std::string::npos) << joined_log();
        EXPECT_EQ(display_memory_flips(), t.updated) << t.log;
        EXPECT_TRUE(display_memory_screen_saver_active()) << t.log;
    }
}

TEST_F(DisplayTest, InactiveFramesAreDroppedWhileMessagesAreStillPumped) {
    MemoryDisplayConfig c;
    c.activateOnOpen = false;
    ASSERT_TRUE(open(c));
    EXPECT_FALSE(display_is_active());
    display_memory_post(DisplayEvent{E::SET_CURSOR});
    display_memory_clear_log();
    EXPECT_EQ(update(), 1);
    EXPECT_EQ(joined_log(), "sleep 1;");
    EXPECT_EQ(display_memory_pending(), 0);
    EXPECT_TRUE(display_memory_cursor_hidden());
    for (bool active : {true, false}) {
        display_memory_post(DisplayEvent{E::ACTIVATE, active});
        EXPECT_EQ(update(), 1);
        EXPECT_EQ(display_is_active(), active);
        EXPECT_EQ(display_memory_flips(), 1); // only the active frame was presented
    }
}

TEST_F(DisplayTest, PollReportsItsKeyDownButNotOneTheUpdatePumpRemoved) {
    ASSERT_TRUE(open(MemoryDisplayConfig{}));
    DisplayEvent last;
    ASSERT_TRUE(display_poll_event(&last)); // the activation queued at window creation
    EXPECT_EQ(last.type, E::ACTIVATE);
    EXPECT_TRUE(display_is_active()); // dispatched through the window procedure
    display_memory_post(DisplayEvent{E::KEY_DOWN, false, 27});
    display_memory_post(DisplayEvent{E::OTHER});
    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_TRUE(display_is_key_down(last));
    EXPECT_EQ(last.key, 27);
    EXPECT_EQ(display_memory_pending(), 1); // at most one per poll
    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_FALSE(display_is_key_down(last));
    EXPECT_FALSE(display_poll_event(&last)); // nothing pending: the last message stays
    EXPECT_EQ(last.type, E::OTHER);

    display_memory_post(DisplayEvent{E::KEY_DOWN});
    ASSERT_EQ(update(), 1);
    EXPECT_FALSE(display_poll_event(&last)); // the pump took it
    // Another window's key-down is left to the poll.
    display_memory_post(DisplayEvent{E::KEY_DOWN}, false);
    ASSERT_EQ(update(), 1);
    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_TRUE(display_is_key_down(last));
}

TEST_F(DisplayTest, CloseRequestInUpdateOrPollClosesAndEndsTheProcessWithZero) {
    for (bool inPoll : {false, true})
        EXPECT_EXIT(
            {
                if (!open(MemoryDisplayConfig{}) || update() != 1)
                    std::_Exit(3);
                display_memory_post(DisplayEvent{E::CLOSE_REQUEST}, !inPoll);
                DisplayEvent last;
                inPoll ? void(display_poll_event(&last)) : void(update());
                std::_Exit(4); // not reached when the close request ends the process
            },
            ::testing::ExitedWithCode(0),
            "memory display exit 0 after: .*restore;.*releaseSurfaces;releaseDevice;"
            "destroyWindow;unloadLibrary;screenSaver on;");
}

} // namespace
