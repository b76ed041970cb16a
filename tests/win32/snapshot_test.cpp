// The front-surface snapshot: surface rows at their pitch, channels by mask, scaled to 8 bits.
#include "display/win32/win32_snapshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string temp_path(const char* name) {
    return std::string(::testing::TempDir()) + name;
}

TEST(Win32Snapshot, ReadsRowsAtThePitchAndScales565ToFullRange) {
    // 2 x 2 RGB565 pixels, rows of 6 bytes (2 bytes of padding that must not show up).
    const uint8_t surface[] = {
        0x00, 0xF8, 0xE0, 0x07, 0xEE, 0xEE, // pure red, pure green, padding
        0x1F, 0x00, 0xFF, 0xFF, 0xEE, 0xEE, // pure blue, white, padding
    };
    const std::string path = temp_path("snapshot565.ppm");
    ASSERT_TRUE(win32_write_snapshot(path.c_str(), surface, 2, 2, 6, 16, 0xF800, 0x07E0, 0x001F));
    const std::string expected = std::string("P6\n2 2\n255\n") +
                                 std::string("\xFF\x00\x00\x00\xFF\x00", 6) +
                                 std::string("\x00\x00\xFF\xFF\xFF\xFF", 6);
    EXPECT_EQ(read_file(path), expected);
    std::remove(path.c_str());
}

TEST(Win32Snapshot, ThirtyTwoAndTwentyFourBitLayoutsFollowTheirMasks) {
    const uint8_t bgrx[] = {0x11, 0x22, 0x33, 0x99}; // 0x99332211: red 0x33, top byte ignored
    const std::string path32 = temp_path("snapshot32.ppm");
    ASSERT_TRUE(win32_write_snapshot(path32.c_str(), bgrx, 1, 1, 4, 32, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(read_file(path32).substr(11), std::string("\x33\x22\x11", 3));
    std::remove(path32.c_str());

    const uint8_t rgb24[] = {0x11, 0x22, 0x33}; // 24-bit BGR layout: red in the low byte
    const std::string path24 = temp_path("snapshot24.ppm");
    ASSERT_TRUE(win32_write_snapshot(path24.c_str(), rgb24, 1, 1, 3, 24, 0xFF, 0xFF00, 0xFF0000));
    EXPECT_EQ(read_file(path24).substr(11), std::string("\x11\x22\x33", 3));
    std::remove(path24.c_str());
}

TEST(Win32Snapshot, RefusesPaletteModesAndUnwritablePaths) {
    const uint8_t surface[4] = {};
    const std::string path = temp_path("snapshot8.ppm");
    EXPECT_FALSE(win32_write_snapshot(path.c_str(), surface, 2, 2, 2, 8, 0, 0, 0));
    EXPECT_FALSE(win32_write_snapshot("/nonexistent-dir/x.ppm", surface, 1, 1, 4, 32, 0xFF0000,
                                      0xFF00, 0xFF));
    EXPECT_FALSE(win32_write_snapshot(path.c_str(), nullptr, 1, 1, 4, 32, 0xFF0000, 0xFF00, 0xFF));
}

} // namespace
