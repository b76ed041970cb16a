// RotoZoomer: what the owl scene never asks of it (the capture golden checks what it does):
// the angle clamp and tiled sources.
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

TEST_F(Roto, TiledSourceFillsEverythingAndNeedsAFull256Square) {
    Bitmap src(256, 256), small(255, 256), dst(320, 240), empty;
    number(src);
    number(small);
    roto.centreX = roto.centreY = roto.offsetX = roto.offsetY = 99;
    roto.init(); // puts the centre and the offsets back
    roto.tiled = 1;
    roto.render(0, 1.0, src, dst);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(dst.pixels[y * 320 + x],
                      src.pixels[((28 + y) & 255) * 256 + ((x - 32) & 255)]);
    roto.render(256, 1.0, src, dst); // a quarter turn
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(dst.pixels[y * 320 + x],
                      src.pixels[((x - 32) & 255) * 256 + ((228 - y) & 255)]) << x << "," << y;
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
