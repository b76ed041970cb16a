// RotoZoomer: 11-bit tables, the quarter-turn mapping, the strict inner bounds, the angle clamp,
// keyed and tiled sources.
#include <vector>

#include <gtest/gtest.h>

#include "effects/rotozoomer.h"
#include "gfx/bitmap.h"

namespace {

constexpr uint32_t SENTINEL = 0xDEADBEEFu;

std::vector<uint32_t> all(const Bitmap& b) {
    return std::vector<uint32_t>(b.pixels, b.pixels + b.width * b.height);
}

class Roto : public ::testing::Test {
protected:
    void SetUp() override { roto.init(); }
    // A source whose every pixel is distinct and non-zero.
    static void number(Bitmap& b) {
        for (int i = 0; i < b.width * b.height; ++i)
            b.pixels[i] = 0x00100000u + uint32_t(i);
    }
    RotoZoomer roto;
};

} // namespace

TEST_F(Roto, AngleZeroAndQuarterTurnNeverSampleRowOrColumnZero) {
    Bitmap src(64, 48);
    number(src);
    for (uint16_t angle : {uint16_t(0), uint16_t(256)}) {
        Bitmap dst(320, 240);
        dst.fill(SENTINEL);
        roto.render(angle, 1.0, src, dst);
        int drawn = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const int dx = x - 160, dy = y - 100;
                const int u = angle == 0 ? 32 + dx : 32 - dy, v = angle == 0 ? 24 + dy : 24 + dx;
                const bool inside = u > 0 && u < 64 && v > 0 && v < 48;
                drawn += inside;
                ASSERT_EQ(dst.pixels[y * 320 + x], inside ? src.pixels[v * 64 + u] : SENTINEL)
                    << angle << ": " << x << "," << y;
            }
        EXPECT_EQ(drawn, 63 * 47);
    }
}

TEST_F(Roto, ZoomIsElevenBitFixedPointWithFloorShifts) {
    Bitmap src(64, 48);
    number(src);
    Bitmap dst(320, 240);
    roto.render(0, 0.7, src, dst);
    // Z = 1433: (10 * 2048 * 1433) >> 11 is 14330, 6.997 source pixels; -10 floors to -7.
    EXPECT_EQ(dst.pixels[100 * 320 + 170], src.pixels[24 * 64 + 32 + 6]);
    EXPECT_EQ(dst.pixels[100 * 320 + 150], src.pixels[24 * 64 + 32 - 7]);
    EXPECT_EQ(dst.pixels[110 * 320 + 160], src.pixels[(24 + 6) * 64 + 32]);
    roto.offsetX = 5;
    roto.offsetY = -3;
    roto.render(0, 0.7, src, dst);
    EXPECT_EQ(dst.pixels[100 * 320 + 170], src.pixels[21 * 64 + 43]);
}

TEST_F(Roto, AnglesAbove1023AreClampedNotWrapped) {
    Bitmap src(100, 90);
    number(src);
    Bitmap a(320, 240), b(320, 240), c(320, 240);
    roto.render(1023, 0.8, src, a);
    roto.render(2000, 0.8, src, b);
    roto.render(2000 & 1023, 0.8, src, c);
    EXPECT_EQ(all(a), all(b));
    EXPECT_NE(all(c), all(b));
}

TEST_F(Roto, KeyedSourceShowsTheDestinationThroughItsHoles) {
    Bitmap src(8, 8), dst(320, 240);
    src.fill(0x00FF0000u);
    src.pixels[3 * 8 + 3] = 0x00000077u;
    src.setColorKey(0x00000077u);
    dst.fill(0x0000FF00u);
    roto.render(0, 1.0, src, dst);
    // Source (u, v) lands on (160 + u - 4, 100 + v - 4).
    EXPECT_EQ(dst.pixels[99 * 320 + 159], 0x0000FF00u); // the hole
    EXPECT_EQ(dst.pixels[98 * 320 + 159], 0x00FF0000u);
    EXPECT_EQ(dst.pixels[96 * 320 + 159], 0x0000FF00u); // row 0 never sampled
}

TEST_F(Roto, TiledSourceFillsEverythingAndNeedsAFull256Square) {
    Bitmap src(256, 256), small(255, 256), dst(320, 240), empty;
    number(src);
    number(small);
    roto.tiled = 1;
    roto.render(0, 1.0, src, dst);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(dst.pixels[y * 320 + x],
                      src.pixels[((28 + y) & 255) * 256 + ((x - 32) & 255)]);
    dst.fill(SENTINEL);
    roto.render(333, 2.7, src, dst);
    for (int i = 0; i < 76800; ++i)
        ASSERT_NE(dst.pixels[i], SENTINEL) << i;
    dst.fill(SENTINEL);
    roto.render(0, 1.0, small, dst);
    roto.tiled = 0;
    roto.render(100, 0.7, empty, dst);
    EXPECT_EQ(all(dst), std::vector<uint32_t>(76800, SENTINEL));
}
