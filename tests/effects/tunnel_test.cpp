// Tunnel and radial warp: the per-pixel tables, the two mappers, shading and refusals.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace {

int at(int x, int y) {
    return y * WARP_WIDTH + x;
}

class Warp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initWarpTables(); }

    // texel (u, v) = 0x00VVUU00 | (u ^ v): every texel tells where it came from.
    static void fill_coordinates(Bitmap& tex) {
        for (int v = 0; v < 256; ++v)
            for (int u = 0; u < 256; ++u)
                tex.pixels[v * 256 + u] = uint32_t(v << 16 | u << 8 | (u ^ v));
    }
    static uint32_t shaded(uint32_t texel, uint32_t k) {
        uint32_t out = 0;
        for (int s = 0; s < 24; s += 8)
            out |= (((texel >> s) & 255) * k >> 8) << s;
        return out;
    }
};

} // namespace

TEST_F(Warp, TunnelTablesAtTheCentreAndInTheFourDirections) {
    EXPECT_EQ(tunnelDepth[at(160, 120)], 10240);
    EXPECT_EQ(tunnelShade[at(160, 120)], 0);
    for (int d : {1, 50, 119}) {
        EXPECT_EQ(tunnelAngle[at(160, 120 + d)], 0) << d;   // below
        EXPECT_EQ(tunnelAngle[at(160, 120 - d)], 128) << d; // above
    }
    for (int d : {1, 80, 159}) {
        EXPECT_EQ(tunnelAngle[at(160 + d, 120)], 64) << d;  // right
        EXPECT_EQ(tunnelAngle[at(160 - d, 120)], -64) << d; // left
    }
    // Diagonals land exactly on 32 and -96 in double precision.
    EXPECT_EQ(tunnelAngle[at(170, 130)], 32);
    EXPECT_EQ(tunnelAngle[at(110, 70)], -96);
    EXPECT_EQ(tunnelAngle[at(0, 0)], -90);
    EXPECT_EQ(tunnelDepth[at(161, 120)], 9219);
    EXPECT_EQ(tunnelDepth[at(170, 130)], 532);
    EXPECT_EQ(tunnelDepth[at(0, 0)], 47);
    EXPECT_EQ(tunnelShade[at(260, 120)], 102);
    EXPECT_EQ(tunnelShade[at(272, 120)], 128);
    EXPECT_EQ(tunnelShade[at(0, 0)], 255);
}

TEST_F(Warp, WholeTablesMatchAnIndependentEvaluation) {
    // Sums from a separate double-precision evaluation of the formulas. A single-precision
    // atan2 moves diagonal angles, and norm = 24320 exactly moves 48 radial shades.
    int64_t angle = 0, depth = 0, shade = 0, distance = 0, radial = 0;
    for (int j = 0; j < WARP_WIDTH * WARP_HEIGHT; ++j) {
        angle += tunnelAngle[j];
        depth += tunnelDepth[j];
        shade += tunnelShade[j];
        distance += radialDistance[j];
        radial += radialShade[j];
    }
    EXPECT_EQ(angle, 93);
    EXPECT_EQ(depth, 7808972);
    EXPECT_EQ(shade, 10032677);
    EXPECT_EQ(distance, 8243764);
    EXPECT_EQ(radial, 4714372);
}

TEST_F(Warp, RadialTables) {
    EXPECT_EQ(radialDistance[at(0, 0)], 200);
    EXPECT_EQ(radialShade[at(0, 0)], 255);
    EXPECT_EQ(radialDistance[at(160, 120)], 0);
    EXPECT_EQ(radialShade[at(160, 120)], 0);
    EXPECT_EQ(radialDistance[at(60, 120)], 100);
    EXPECT_EQ(radialShade[at(60, 120)], 13);
    EXPECT_EQ(radialDistance[at(319, 239)], 198);
    for (int j = 0; j < WARP_WIDTH * WARP_HEIGHT; ++j) {
        ASSERT_GE(radialShade[j], 0);
        ASSERT_LE(radialShade[j], 255);
        ASSERT_LE(radialDistance[j], 200);
    }
}

TEST_F(Warp, TunnelShiftsWrapAtAFullTurnAndMoveTheTexture) {
    Bitmap tex(256, 256);
    fill_coordinates(tex);
    Bitmap a(320, 240), b(320, 240), c(320, 240);
    drawTunnel(0, 0, tex, a);
    drawTunnel(256, 256, tex, b);
    drawTunnel(5, 3, tex, c);
    EXPECT_EQ(std::vector<uint32_t>(a.pixels, a.pixels + 76800),
              std::vector<uint32_t>(b.pixels, b.pixels + 76800));
    for (int j : {at(272, 120), at(0, 0), at(100, 200)}) {
        const uint32_t u = uint32_t(tunnelAngle[j] + 5) & 255;
        const uint32_t v = uint32_t(tunnelDepth[j] + 3) & 255;
        EXPECT_EQ(c.pixels[j], shaded(tex.pixels[v * 256 + u], uint32_t(tunnelShade[j]))) << j;
    }
    EXPECT_EQ(a.pixels[at(160, 120)], 0u); // the centre is black
}

TEST_F(Warp, WholeFramesMatchThePixelWalk) {
    // Every pixel of both mappers, against the per-pixel walk over the public tables.
    Bitmap tex(256, 256), tunnel(320, 240), warp(320, 240);
    uint32_t seed = 99;
    for (int i = 0; i < 256 * 256; ++i)
        tex.pixels[i] = seed = seed * 1664525u + 1013904223u;
    for (int i = 0; i < 76800; ++i)
        tunnel.pixels[i] = warp.pixels[i] = uint32_t(i) << 20;
    drawTunnel(300, -7, tex, tunnel);
    drawRadialWarp(200, tex, warp);
    uint8_t rowOffset[256], colOffset[256];
    for (int i = 0; i < 256; ++i) {
        const double t = i * 0.006135923151542565, p = 200 * 0.02454369260617026;
        rowOffset[i] = uint8_t(int32_t(std::sin(t) * (std::cos(p) * -400)));
        colOffset[i] = uint8_t(int32_t(std::cos(t) * (std::sin(p) * 350)));
    }
    for (int j = 0; j < 76800; ++j) {
        const uint32_t byte3 = (uint32_t(j) << 20) & 0xFF000000u;
        const uint32_t tu = uint32_t(tunnelAngle[j] + 300) & 255;
        const uint32_t tv = uint32_t(tunnelDepth[j] - 7) & 255;
        ASSERT_EQ(tunnel.pixels[j],
                  shaded(tex.pixels[tv * 256 + tu], uint32_t(tunnelShade[j]) & 255) | byte3)
            << j;
        const int d = radialDistance[j];
        const uint32_t wu = uint32_t(colOffset[d] + j % 320) & 255;
        const uint32_t wv = uint32_t(rowOffset[d] + j / 320) & 255;
        ASSERT_EQ(warp.pixels[j],
                  shaded(tex.pixels[wv * 256 + wu], uint32_t(radialShade[j])) | byte3)
            << j;
    }
}

TEST_F(Warp, ShadingKeepsByteThree) {
    Bitmap tex(256, 256);
    tex.fill(0x00FFFFFFu);
    Bitmap dst(320, 240);
    dst.fill(0xAB000000u);
    drawTunnel(0, 0, tex, dst);
    EXPECT_EQ(dst.pixels[at(272, 120)], 0xAB7F7F7Fu);
    EXPECT_EQ(dst.pixels[at(160, 120)], 0xAB000000u);
    drawRadialWarp(0, tex, dst);
    EXPECT_EQ(dst.pixels[at(0, 0)], 0xABFEFEFEu);
}

TEST_F(Warp, RadialWarpAtPhaseZero) {
    Bitmap tex(256, 256);
    fill_coordinates(tex);
    Bitmap dst(320, 240);
    drawRadialWarp(0, tex, dst);
    // Corner: distance 200, row offset trunc(-400 sin(200 * 2pi/1024)) = -376, i.e. 136.
    EXPECT_EQ(dst.pixels[at(0, 0)], shaded(tex.pixels[136 * 256 + 0], 255));
    // Every column offset is 0 at phase 0; the row offset follows the distance alone.
    for (int x : {0, 100, 200, 255, 256, 319}) {
        const int y = 7;
        const int j = at(x, y);
        const int d = radialDistance[j];
        const uint32_t v = uint32_t(int(std::sin(d * 0.006135923151542565) * -400) + y) & 255;
        const uint32_t u = uint32_t(x) & 255;
        EXPECT_EQ(dst.pixels[j], shaded(tex.pixels[v * 256 + u], uint32_t(radialShade[j]))) << x;
    }
}

TEST_F(Warp, RadialWarpIntoRowsOfATallerBitmap) {
    Bitmap tex(256, 256);
    fill_coordinates(tex);
    Bitmap flat(320, 240);
    Bitmap tall(320, 320);
    tall.fill(0x11223344u);
    drawRadialWarp(77, tex, flat);
    drawRadialWarp(77, tex, tall, 20);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; x += 7) {
            const uint32_t expected =
                (y < 20 || y >= 260) ? 0x11223344u
                                     : ((flat.pixels[at(x, y - 20)] & 0x00FFFFFFu) | 0x11000000u);
            ASSERT_EQ(tall.pixels[y * 320 + x], expected) << x << "," << y;
        }
}

TEST_F(Warp, RefusesSmallDestinationsAndTextures) {
    Bitmap tex(256, 256);
    tex.fill(0x00FFFFFFu);
    Bitmap smallTex(255, 256);
    smallTex.fill(0x00FFFFFFu);
    Bitmap narrow(319, 240), low(320, 239), ok(320, 240), tall(320, 300);
    drawTunnel(0, 0, tex, narrow);
    drawTunnel(0, 0, tex, low);
    drawRadialWarp(0, tex, narrow);
    drawRadialWarp(0, tex, low);
    drawTunnel(0, 0, smallTex, ok);
    drawRadialWarp(0, smallTex, ok);
    drawRadialWarp(0, tex, tall, 61);
    drawRadialWarp(0, tex, tall, -1);
    for (Bitmap* b : {&narrow, &low, &ok, &tall})
        for (int i = 0; i < b->width * b->height; ++i)
            ASSERT_EQ(b->pixels[i], 0u);
    drawRadialWarp(0, tex, tall, 60);
    EXPECT_NE(tall.pixels[60 * 320], 0u);
}
