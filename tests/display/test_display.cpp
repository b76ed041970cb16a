// The display sequences over the in-memory backend: open fallbacks and failures, presentation
// at a wide pitch, dropped frames while inactive, the pumps, and the close request.
#include "display/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "display/display_poll.h"
#include "display/memory/memory_display.h"
#include "display/pixel_convert.h"

namespace {

constexpr int W = 37; // not a multiple of any SIMD group
constexpr int H = 5;
constexpr uint8_t UNWRITTEN = 0xA5;

MemoryDisplayConfig config_for(const PixelLayout& layout, int extraPitch = 0) {
    MemoryDisplayConfig c;
    c.bitCount = layout.bitCount;
    c.redMask = layout.redMask;
    c.greenMask = layout.greenMask;
    c.blueMask = layout.blueMask;
    c.pitch = extraPitch ? W * layout.bytesPerPixel + extraPitch : 0;
    return c;
}

std::vector<uint32_t> test_frame() {
    std::mt19937 rng(42);
    std::vector<uint32_t> frame(W * H);
    for (uint32_t& p : frame)
        p = rng();
    return frame;
}

DisplayEvent event_of(DisplayEventType type, bool active = false) {
    DisplayEvent e;
    e.type = type;
    e.active = active;
    return e;
}

bool logged(const std::string& step) {
    const auto& log = display_memory_log();
    return std::find(log.begin(), log.end(), step) != log.end();
}

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
};

TEST_F(DisplayTest, EveryLayoutIsPresentedRowByRowPackedAndAtAWiderPitch) {
    const std::vector<uint32_t> frame = test_frame();
    for (int l = 0; l < 2 * PIXEL_LAYOUT_COUNT; ++l) {
        const PixelLayout& layout = display_pixel_layouts()[l / 2];
        const int extra = l % 2 ? 7 : 0;
        display_memory_configure(config_for(layout, extra));
        ASSERT_EQ(display_open("vorru", W, H), 1) << layout.name;
        ASSERT_EQ(display_update(frame.data()), 1);
        ASSERT_EQ(display_memory_flips(), 1);
        const std::vector<uint8_t>& front = display_memory_front();
        int pitch = display_memory_pitch();
        int row = W * layout.bytesPerPixel;
        ASSERT_EQ(pitch, row + extra);
        for (int y = 0; y < H; ++y) {
            std::vector<uint8_t> expected(row);
            layout.reference(frame.data() + y * W, expected.data(), W);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), front.begin() + y * pitch))
                << layout.name << " row " << y;
            for (int x = row; x < pitch; ++x)
                EXPECT_EQ(front[y * pitch + x], UNWRITTEN) << layout.name << " row " << y;
        }
        display_close();
    }
}

TEST_F(DisplayTest, OpenRunsTheStepsInOrderAndTurnsTheScreenSaverOff) {
    display_memory_configure(MemoryDisplayConfig{});
    ASSERT_EQ(display_open("vorru", W, H), 1);
    EXPECT_EQ(joined_log(), "loadLibrary;createDevice;createWindow vorru;setExclusive;setMode 32;"
                            "createSurfaces 2;attachBackBuffer;getPixelFormat;screenSaver off;");
    EXPECT_FALSE(display_memory_screen_saver_active());
    display_memory_clear_log();
    display_close();
    EXPECT_EQ(joined_log(),
              "releaseSurfaces;releaseDevice;destroyWindow;unloadLibrary;screenSaver on;");
    EXPECT_TRUE(display_memory_screen_saver_active());
}

TEST_F(DisplayTest, ModeFallsBackTo24ThenTo16Bits) {
    display_memory_configure(config_for(display_pixel_layouts()[3])); // 24 BGR
    ASSERT_EQ(display_open("vorru", W, H), 1);
    EXPECT_TRUE(logged("setMode 32") && logged("setMode 24") && !logged("setMode 16"));
    std::vector<uint32_t> frame(W * H, 0x00112233);
    ASSERT_EQ(display_update(frame.data()), 1);
    EXPECT_EQ(display_memory_front()[0], 0x11); // red first: the 24-bit BGR converter ran
    display_close();

    display_memory_configure(config_for(display_pixel_layouts()[6])); // RGB555
    ASSERT_EQ(display_open("vorru", W, H), 1);
    EXPECT_TRUE(logged("setMode 24") && logged("setMode 16"));
}

TEST_F(DisplayTest, SurfacesFallBackToOneBackBufferAndFailWithALonePrimary) {
    MemoryDisplayConfig c;
    c.maxBackBuffers = 1;
    display_memory_configure(c);
    ASSERT_EQ(display_open("vorru", W, H), 1);
    EXPECT_TRUE(logged("createSurfaces 2") && logged("createSurfaces 1"));
    display_close();

    c.maxBackBuffers = 0;
    display_memory_configure(c);
    EXPECT_EQ(display_open("vorru", W, H), 0);
    EXPECT_TRUE(logged("createSurfaces 0") && logged("attachBackBuffer"));
    EXPECT_FALSE(logged("getPixelFormat"));
    EXPECT_TRUE(display_memory_screen_saver_active());
    std::vector<uint32_t> frame(W * H);
    EXPECT_EQ(display_update(frame.data()), 0);
}

TEST_F(DisplayTest, OpenFailsAtTheFirstFailedStep) {
    MemoryDisplayConfig c;
    c.failLoad = true;
    display_memory_configure(c);
    EXPECT_EQ(display_open("vorru", W, H), 0);
    EXPECT_EQ(joined_log(), "loadLibrary;");

    c = MemoryDisplayConfig{};
    c.failExclusive = true;
    display_memory_configure(c);
    EXPECT_EQ(display_open("vorru", W, H), 0);
    EXPECT_FALSE(logged("setMode 32"));
    display_memory_clear_log();
    display_close(); // releases what the failed open left: window, device and library
    EXPECT_EQ(joined_log(), "releaseDevice;destroyWindow;unloadLibrary;screenSaver on;");

    c = MemoryDisplayConfig{};
    c.rgb = false;
    display_memory_configure(c);
    EXPECT_EQ(display_open("vorru", W, H), 0);

    c = MemoryDisplayConfig{};
    c.bitCount = 16; // F800/03E0/001F: no such layout
    c.redMask = 0xF800;
    c.greenMask = 0x03E0;
    c.blueMask = 0x001F;
    display_memory_configure(c);
    EXPECT_EQ(display_open("vorru", W, H), 0);
    EXPECT_TRUE(logged("getPixelFormat"));
    EXPECT_TRUE(display_memory_screen_saver_active());
    std::vector<uint32_t> frame(W * H);
    EXPECT_EQ(display_update(frame.data()), 0);
}

TEST_F(DisplayTest, UpdateRestoresLocksUnlocksFlipsAndYields) {
    display_memory_configure(MemoryDisplayConfig{});
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H, 0x00445566);
    display_memory_clear_log();
    ASSERT_EQ(display_update(frame.data()), 1);
    EXPECT_EQ(joined_log(), "restore;lock;unlock;flip;sleep 0;");
}

TEST_F(DisplayTest, LockFailureLosesTheFrame) {
    MemoryDisplayConfig c;
    c.failLock = true;
    display_memory_configure(c);
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H);
    EXPECT_EQ(display_update(frame.data()), 0);
    EXPECT_EQ(display_memory_flips(), 0);
    EXPECT_FALSE(logged("flip"));
}

TEST_F(DisplayTest, PitchShorterThanARowIsRefusedWithoutWriting) {
    MemoryDisplayConfig c;
    c.pitch = W * 4 - 1;
    display_memory_configure(c);
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H);
    EXPECT_EQ(display_update(frame.data()), 0);
    EXPECT_TRUE(logged("unlock"));
    EXPECT_FALSE(logged("flip"));
}

TEST_F(DisplayTest, InactiveFramesAreDroppedWhileMessagesAreStillPumped) {
    MemoryDisplayConfig c;
    c.activateOnOpen = false;
    display_memory_configure(c);
    ASSERT_EQ(display_open("vorru", W, H), 1);
    EXPECT_FALSE(display_is_active());
    std::vector<uint32_t> frame(W * H, 0x00FFFFFF);

    display_memory_post(event_of(DisplayEventType::SET_CURSOR));
    display_memory_clear_log();
    EXPECT_EQ(display_update(frame.data()), 1);
    EXPECT_EQ(joined_log(), "sleep 1;");
    EXPECT_EQ(display_memory_flips(), 0);
    EXPECT_EQ(display_memory_pending(), 0);
    EXPECT_TRUE(display_memory_cursor_hidden());

    display_memory_post(event_of(DisplayEventType::ACTIVATE, true));
    EXPECT_EQ(display_update(frame.data()), 1);
    EXPECT_TRUE(display_is_active());
    EXPECT_EQ(display_memory_flips(), 1);

    display_memory_post(event_of(DisplayEventType::ACTIVATE, false));
    EXPECT_EQ(display_update(frame.data()), 1);
    EXPECT_EQ(display_memory_flips(), 1);
}

TEST_F(DisplayTest, PollReportsAKeyDownItRemovedAndKeepsTheLastMessage) {
    display_memory_configure(MemoryDisplayConfig{});
    ASSERT_EQ(display_open("vorru", W, H), 1);
    DisplayEvent last;
    ASSERT_TRUE(display_poll_event(&last)); // the activation queued at window creation
    EXPECT_EQ(last.type, DisplayEventType::ACTIVATE);
    EXPECT_TRUE(display_is_active()); // dispatched through the window procedure

    DisplayEvent key = event_of(DisplayEventType::KEY_DOWN);
    key.key = 27;
    display_memory_post(key);
    display_memory_post(event_of(DisplayEventType::OTHER));
    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_TRUE(display_is_key_down(last));
    EXPECT_EQ(last.key, 27);
    EXPECT_EQ(display_memory_pending(), 1); // at most one per poll

    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_FALSE(display_is_key_down(last));
    EXPECT_FALSE(display_poll_event(&last)); // nothing pending: the last message stays
    EXPECT_EQ(last.type, DisplayEventType::OTHER);
}

TEST_F(DisplayTest, KeyDownRemovedByTheUpdatePumpIsNotReported) {
    display_memory_configure(MemoryDisplayConfig{});
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H);
    display_memory_post(event_of(DisplayEventType::KEY_DOWN));
    ASSERT_EQ(display_update(frame.data()), 1);
    DisplayEvent last;
    EXPECT_FALSE(display_poll_event(&last));
    EXPECT_FALSE(display_is_key_down(last));
}

TEST_F(DisplayTest, UpdatePumpLeavesOtherWindowsMessagesToThePoll) {
    display_memory_configure(MemoryDisplayConfig{});
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H);
    display_memory_post(event_of(DisplayEventType::KEY_DOWN), false);
    ASSERT_EQ(display_update(frame.data()), 1);
    EXPECT_EQ(display_memory_pending(), 1);
    DisplayEvent last;
    ASSERT_TRUE(display_poll_event(&last));
    EXPECT_TRUE(display_is_key_down(last));
}

const char* const CLOSED_IN_ORDER = "memory display exit 0 after: .*restore;.*"
                                    "releaseSurfaces;releaseDevice;destroyWindow;unloadLibrary;"
                                    "screenSaver on;";

TEST_F(DisplayTest, CloseRequestInUpdateClosesAndEndsTheProcessWithZero) {
    EXPECT_EXIT(
        {
            display_memory_configure(MemoryDisplayConfig{});
            std::vector<uint32_t> frame(W * H);
            if (display_open("vorru", W, H) != 1 || display_update(frame.data()) != 1)
                std::_Exit(3);
            display_memory_post(event_of(DisplayEventType::CLOSE_REQUEST));
            display_update(frame.data());
            std::_Exit(4); // not reached when the close request ends the process
        },
        ::testing::ExitedWithCode(0), CLOSED_IN_ORDER);
}

TEST_F(DisplayTest, CloseRequestInTheFramePollEndsTheProcessWithZero) {
    EXPECT_EXIT(
        {
            display_memory_configure(MemoryDisplayConfig{});
            std::vector<uint32_t> frame(W * H);
            if (display_open("vorru", W, H) != 1 || display_update(frame.data()) != 1)
                std::_Exit(3);
            display_memory_post(event_of(DisplayEventType::CLOSE_REQUEST), false);
            DisplayEvent last;
            display_poll_event(&last);
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), CLOSED_IN_ORDER);
}

TEST_F(DisplayTest, PresentCallbackReceivesEveryFlippedFrame) {
    struct Seen {
        int frames = 0;
        uint8_t firstByte = 0;
        int pitch = 0;
    } seen;
    display_memory_set_present_callback(
        [](const uint8_t* surface, int width, int height, int pitch, void* user) {
            Seen* s = static_cast<Seen*>(user);
            ++s->frames;
            s->firstByte = surface[0];
            s->pitch = pitch;
            EXPECT_EQ(width, W);
            EXPECT_EQ(height, H);
        },
        &seen);
    display_memory_configure(config_for(display_pixel_layouts()[0], 12));
    ASSERT_EQ(display_open("vorru", W, H), 1);
    std::vector<uint32_t> frame(W * H, 0x000000AB);
    display_update(frame.data());
    display_update(frame.data());
    display_memory_set_present_callback(nullptr, nullptr);
    EXPECT_EQ(seen.frames, 2);
    EXPECT_EQ(seen.firstByte, 0xAB);
    EXPECT_EQ(seen.pitch, W * 4 + 12);
}

} // namespace
