// Tunnel and radial warp: the per-pixel tables, both mappers against a pixel walk, shading,
// and the refusals of small bitmaps.
#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace {

int at(int x, int y) {
    return y * WARP_WIDTH + x;
}

uint32_t shaded(uint32_t texel, uint32_t k) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8)
        out |= (((texel >> s) & 255) * k >> 8) << s;
    return out;
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

TEST_F(Warp, TablesAtTheCentreCornersAndTheFourDirections) {
    const struct {
        int x, y, angle, depth, shade;
    } tunnel[] = {
        {160, 120, 0, 10240, 0}, {160, 121, 0, -1, -1},   {160, 239, 0, -1, -1},
        {160, 119, 128, -1, -1}, {160, 1, 128, -1, -1},   {161, 120, 64, 9219, -1},
        {319, 120, 64, -1, -1},  {159, 120, -64, -1, -1}, {1, 120, -64, -1, -1},
        {170, 130, 32, 532, -1}, {110, 70, -96, -1, -1},  {0, 0, -90, 47, 255},
        {260, 120, 64, -1, 102}, {272, 120, 64, -1, 128}, // -1: not checked
    };
    for (const auto& t : tunnel) {
        const int j = at(t.x, t.y);
        EXPECT_EQ(tunnelAngle[j], t.angle) << t.x << "," << t.y;
        EXPECT_EQ(t.depth < 0 ? t.depth : tunnelDepth[j], t.depth) << t.x << "," << t.y;
        EXPECT_EQ(t.shade < 0 ? t.shade : tunnelShade[j], t.shade) << t.x << "," << t.y;
    }
    const int radial[][4] = {{0, 0, 200, 255}, {160, 120, 0, 0}, {60, 120, 100, 13}};
    for (const auto& r : radial) {
        EXPECT_EQ(radialDistance[at(r[0], r[1])], r[2]) << r[0] << "," << r[1];
        EXPECT_EQ(radialShade[at(r[0], r[1])], r[3]) << r[0] << "," << r[1];
    }
    // Sums from a separate double-precision evaluation: a single-precision atan2 moves diagonal
    // angles, and norm = 24320 exactly moves 48 radial shades.
    const auto sum = [](const auto* table) {
        return std::accumulate(table, table + WARP_WIDTH * WARP_HEIGHT, int64_t(0));
    };
    EXPECT_EQ(sum(tunnelAngle), 93);
    EXPECT_EQ(sum(tunnelDepth), 7808972);
    EXPECT_EQ(sum(tunnelShade), 10032677);
    EXPECT_EQ(sum(radialDistance), 8243764);
    EXPECT_EQ(sum(radialShade), 4714372);
}

TEST_F(Warp, WholeFramesMatchThePixelWalk) {
    // Byte 3 of the destination stays; shifts 0 and 256 give the same frame.
    Bitmap a(320, 240), b(320, 240);
    drawTunnel(0, 0, tex, a);
    drawTunnel(256, 256, tex, b);
    EXPECT_EQ(all(a), all(b));
    EXPECT_EQ(a.pixels[at(160, 120)], 0u); // the centre is black
    for (int phase : {0, 200}) {
        Bitmap tunnel(320, 240), warp(320, 240);
        for (int i = 0; i < 76800; ++i)
            tunnel.pixels[i] = warp.pixels[i] = uint32_t(i) << 20;
        drawTunnel(300, -7, tex, tunnel);
        drawRadialWarp(uint8_t(phase), tex, warp);
        uint8_t rowOffset[256], colOffset[256];
        for (int i = 0; i < 256; ++i) {
            const double t = i * 0.006135923151542565, p = phase * 0.02454369260617026;
            rowOffset[i] = uint8_t(int32_t(std::sin(t) * (std::cos(p) * -400)));
            colOffset[i] = uint8_t(int32_t(std::cos(t) * (std::sin(p) * 350)));
        }
        // Corner at phase 0: distance 200, row offset trunc(-400 sin(200 * 2pi/1024)) = -376.
        EXPECT_EQ(phase ? 136 : rowOffset[200], 136);
        for (int j = 0; j < 76800; ++j) {
            const uint32_t byte3 = (uint32_t(j) << 20) & 0xFF000000u;
            const uint32_t tu = uint32_t(tunnelAngle[j] + 300) & 255,
                           tv = uint32_t(tunnelDepth[j] - 7) & 255;
            ASSERT_EQ(tunnel.pixels[j],
                      shaded(tex.pixels[tv * 256 + tu], uint32_t(tunnelShade[j]) & 255) | byte3)
                << j;
            const int d = radialDistance[j];
            const uint32_t wu = uint32_t(colOffset[d] + j % 320) & 255,
                           wv = uint32_t(rowOffset[d] + j / 320) & 255;
            ASSERT_EQ(warp.pixels[j],
                      shaded(tex.pixels[wv * 256 + wu], uint32_t(radialShade[j])) | byte3)
                << j;
        }
    }
}

TEST_F(Warp, WhiteShadesTo7F7F7FAndKeepsByteThree) {
    tex.fill(0x00FFFFFFu);
    Bitmap dst(320, 240);
    dst.fill(0xAB000000u);
    drawTunnel(0, 0, tex, dst);
    EXPECT_EQ(dst.pixels[at(272, 120)], 0xAB7F7F7Fu);
    EXPECT_EQ(dst.pixels[at(160, 120)], 0xAB000000u);
    drawRadialWarp(0, tex, dst);
    EXPECT_EQ(dst.pixels[at(0, 0)], 0xABFEFEFEu);
}

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
