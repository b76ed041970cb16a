// Tunnel and radial warp: the warp's placement in a taller bitmap and the refusals of small
// bitmaps (the frames the demo draws are checked by the capture golden).
#include <vector>

#include <gtest/gtest.h>

#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace {

int at(int x, int y) {
    return y * WARP_WIDTH + x;
}

std::vector<uint32_t> all(const Bitmap& b) {
    return std::vector<uint32_t>(b.pixels, b.pixels + b.width * b.height);
}

class Warp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initWarpTables(); }
    Warp() : tex(256, 256) {
        uint32_t seed = 99;
        for (int i = 0; i < 256 * 256; ++i)
            tex.pixels[i] = seed = seed * 1664525u + 1013904223u;
    }
    Bitmap tex;
};

} // namespace

TEST_F(Warp, RadialWarpIntoATallerBitmapAndRefusalsOfSmallOnes) {
    Bitmap flat(320, 240), tall(320, 320);
    tall.fill(0x11223344u);
    drawRadialWarp(77, tex, flat);
    drawRadialWarp(77, tex, tall, 20);
    drawRadialWarp(77, tex, tall, 81); // rows 81..320 would not fit
    drawRadialWarp(77, tex, tall, -1);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; x += 7)
            ASSERT_EQ(tall.pixels[y * 320 + x],
                      (y < 20 || y >= 260)
                          ? 0x11223344u
                          : ((flat.pixels[at(x, y - 20)] & 0x00FFFFFFu) | 0x11000000u))
                << x << "," << y;
    Bitmap smallTex(255, 256), narrow(319, 240), low(320, 239), ok(320, 240);
    smallTex.fill(0x00FFFFFFu);
    drawTunnel(0, 0, tex, narrow);
    drawTunnel(0, 0, tex, low);
    drawRadialWarp(0, tex, narrow);
    drawRadialWarp(0, tex, low);
    drawTunnel(0, 0, smallTex, ok);
    drawRadialWarp(0, smallTex, ok);
    for (Bitmap* b : {&narrow, &low, &ok})
        EXPECT_EQ(all(*b), std::vector<uint32_t>(size_t(b->width) * b->height, 0u));
}
