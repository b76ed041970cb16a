// darkenRows and blurBitmap: bounds, floors, and the exact in-place address-order blur.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "effects/filters.h"
#include "gfx/bitmap.h"

namespace {

uint8_t* bytes(Bitmap& b) {
    return reinterpret_cast<uint8_t*>(b.pixels);
}

std::vector<uint8_t> snapshot(Bitmap& b) {
    return std::vector<uint8_t>(bytes(b), bytes(b) + size_t(b.width) * b.height * 4);
}

// The blur as written: one byte at a time, in place, in address order.
void reference_blur(std::vector<uint8_t>& b, int width, int height) {
    const int w = width * 4;
    for (int i = w; i <= (height - 1) * w - 1; ++i)
        b[i] = uint8_t((b[i] + ((b[i - w] + b[i + w] + b[i - 4] + b[i + 4]) >> 2)) >> 1);
}

} // namespace

TEST(DarkenRows, RejectsRowsOutsideTheBitmap) {
    Bitmap b(4, 5);
    b.fill(0x80808080u);
    const std::vector<uint8_t> before = snapshot(b);
    EXPECT_EQ(darkenRows(-1, 4, 16, b), 0);
    EXPECT_EQ(darkenRows(5, 1, 16, b), 0);
    EXPECT_EQ(snapshot(b), before);
    // A count of 0 or less is accepted and does nothing.
    EXPECT_EQ(darkenRows(2, 0, 16, b), 1);
    EXPECT_EQ(darkenRows(2, -3, 16, b), 1);
    EXPECT_EQ(snapshot(b), before);
}

TEST(DarkenRows, CutsAtTheLastRowAndFloorsAtZero) {
    Bitmap b(3, 5);
    b.fill(0xC80AC80Au); // bytes 10, 200, 10, 200
    EXPECT_EQ(darkenRows(3, 4, 16, b), 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(b.pixels[y * 3 + x], y >= 3 ? 0xB800B800u : 0xC80AC80Au) << x << "," << y;

    EXPECT_EQ(darkenRows(0, 1, 24, b), 1);
    EXPECT_EQ(b.pixels[0], 0xB000B000u); // 200 - 24 = 176, 10 - 24 floors at 0, byte 3 too
    EXPECT_EQ(b.pixels[3], 0xC80AC80Au);
}

TEST(Blur, FiveByFiveImpulse) {
    Bitmap b(5, 5);
    bytes(b)[(2 * 5 + 2) * 4 + 1] = 255; // row 2, column 2, byte lane 1
    blurBitmap(b);
    const uint8_t expected[5][5] = {
        {0, 0, 0, 0, 0}, {0, 0, 31, 3, 0}, {0, 31, 135, 17, 2}, {0, 3, 17, 4, 0}, {0, 0, 0, 0, 0}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(bytes(b)[(y * 5 + x) * 4 + 1], expected[y][x]) << x << "," << y;
            for (int lane : {0, 2, 3})
                EXPECT_EQ(bytes(b)[(y * 5 + x) * 4 + lane], 0);
        }
}

TEST(Blur, EqualBytesStayAndEdgeRowsAreNeverWritten) {
    Bitmap flat(7, 4);
    flat.fill(0x5A5A5A5Au);
    blurBitmap(flat);
    for (int i = 0; i < 7 * 4; ++i)
        EXPECT_EQ(flat.pixels[i], 0x5A5A5A5Au);

    Bitmap b(6, 5);
    for (int i = 0; i < 6 * 5; ++i)
        b.pixels[i] = 0x01020304u * uint32_t(i * 37 + 11);
    const std::vector<uint8_t> before = snapshot(b);
    blurBitmap(b);
    const std::vector<uint8_t> after = snapshot(b);
    const size_t row = 6 * 4;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + row, after.begin()));
    EXPECT_TRUE(std::equal(before.end() - row, before.end(), after.end() - row));
}

TEST(Blur, MatchesTheByteWalkOnAnyContent) {
    // Rows wrap into each other at the sides, byte 3 is filtered like the colours, and odd
    // and even widths take both paths of the pixel-pair walk.
    for (int width : {1, 2, 5, 320}) {
        const int height = width == 320 ? 240 : 6;
        Bitmap b(width, height);
        uint32_t seed = 12345;
        for (int i = 0; i < width * height; ++i) {
            seed = seed * 1103515245u + 12345u;
            b.pixels[i] = seed;
        }
        std::vector<uint8_t> expected = snapshot(b);
        reference_blur(expected, width, height);
        blurBitmap(b);
        EXPECT_EQ(snapshot(b), expected) << width;
    }
}

TEST(Blur, FewerThanThreeRowsAreLeftAlone) {
    for (int height : {0, 1, 2}) {
        Bitmap b(4, height);
        for (int i = 0; i < 4 * height; ++i)
            b.pixels[i] = 0xFF00FF00u + uint32_t(i);
        const std::vector<uint8_t> before = snapshot(b);
        blurBitmap(b);
        EXPECT_EQ(snapshot(b), before);
    }
}
