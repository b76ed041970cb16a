// BlobSprites: blob sizes and cones, level clamping, saturating adds, byte 3, row wrapping
// and the guard that keeps every write inside the destination.
#include <vector>

#include <gtest/gtest.h>

#include "effects/blobs.h"
#include "gfx/bitmap.h"

namespace {

class Blobs : public ::testing::Test {
protected:
    void SetUp() override { blobs.init(256, 38); }
    BlobSprites blobs;
};

int changed(const Bitmap& b, uint32_t background) {
    int n = 0;
    for (int i = 0; i < b.width * b.height; ++i)
        n += b.pixels[i] != background;
    return n;
}

} // namespace

TEST_F(Blobs, SizesGrowWithTheIndex) {
    EXPECT_EQ(blobs.count, 256);
    EXPECT_EQ(blobs.widths[0], 0);
    EXPECT_EQ(blobs.widths[6], 0);
    EXPECT_EQ(blobs.widths[7], 1);
    EXPECT_EQ(blobs.widths[128], 19);
    EXPECT_EQ(blobs.widths[255], 37);
    for (int k = 0; k < 256; ++k)
        EXPECT_EQ(blobs.heights[k], blobs.widths[k]);
    EXPECT_EQ(blobs.images[7][0], 0);
    // The brightest sample of blob 255 sits near its centre and is close to 255.
    int peak = 0, peakAt = -1;
    for (int i = 0; i < 37 * 37; ++i)
        if (blobs.images[255][i] > peak)
            peak = blobs.images[255][i], peakAt = i;
    EXPECT_GE(peak, 240);
    EXPECT_NEAR(peakAt / 37, 18, 1);
    EXPECT_NEAR(peakAt % 37, 18, 1);
    EXPECT_EQ(blobs.images[255][0], 0); // corners have fallen to 0
    for (int e = 0; e < 256; ++e) {
        EXPECT_EQ(blobs.palette[e * 4 + 0], e);
        EXPECT_EQ(blobs.palette[e * 4 + 2], e);
        EXPECT_EQ(blobs.palette[e * 4 + 3], 0);
    }
}

TEST_F(Blobs, SmallBlobsDrawNothingAndLevelsAreClamped) {
    Bitmap dst(64, 64);
    dst.fill(0x01010101u);
    EXPECT_EQ(blobs.draw(32, 32, 7, dst), 1);
    EXPECT_EQ(blobs.draw(32, 32, -5, dst), 1);
    EXPECT_EQ(changed(dst, 0x01010101u), 0);

    Bitmap a(64, 64), b(64, 64);
    blobs.draw(32, 32, 300, a);
    blobs.draw(32, 32, 255, b);
    EXPECT_EQ(std::vector<uint32_t>(a.pixels, a.pixels + 4096),
              std::vector<uint32_t>(b.pixels, b.pixels + 4096));
    EXPECT_GT(changed(a, 0), 37 * 20);
}

TEST_F(Blobs, AddsSaturateAndKeepByteThree) {
    BlobSprites one;
    one.init(256, 38);
    // Blob 128 is 19x19; put intensity 100 everywhere to see the add alone.
    for (int i = 0; i < 19 * 19; ++i)
        one.images[128][i] = 100;
    Bitmap dst(40, 40);
    dst.fill(0xAB64C800u); // bytes 0, 200, 100, 0xAB
    one.draw(20, 20, 128, dst);
    // Top-left (20 - 9, 20 - 9).
    EXPECT_EQ(dst.pixels[11 * 40 + 11], 0xABC8FF64u);
    EXPECT_EQ(dst.pixels[29 * 40 + 29], 0xABC8FF64u);
    EXPECT_EQ(dst.pixels[10 * 40 + 11], 0xAB64C800u);
    EXPECT_EQ(dst.pixels[11 * 40 + 30], 0xAB64C800u);
    EXPECT_EQ(changed(dst, 0xAB64C800u), 19 * 19);
}

TEST_F(Blobs, RowsWrapAcrossTheLeftEdge) {
    // 37 wide at x = 11 covers columns -7..29: blob column 0 of blob row r lands on column
    // 313 of destination row top + r - 1.
    const int top = 30 - 18;
    Bitmap probe(320, 60);
    BlobSprites flat;
    flat.init(256, 38);
    for (int i = 0; i < 37 * 37; ++i)
        flat.images[255][i] = 1;
    flat.draw(11, 30, 255, probe);
    EXPECT_EQ(probe.pixels[(top - 1) * 320 + 313], 0x00010101u);
    EXPECT_EQ(probe.pixels[(top - 1) * 320 + 312], 0u);
    EXPECT_EQ(probe.pixels[top * 320 + 29], 0x00010101u);
    EXPECT_EQ(probe.pixels[top * 320 + 30], 0u);
}

TEST_F(Blobs, NeverWritesOutsideTheDestination) {
    // Blobs hanging over every edge and corner of a small bitmap: the cut rows must stay in
    // the buffer (the sanitizer build checks the writes), and the rest is still drawn.
    Bitmap dst(20, 16);
    for (int y : {-30, -10, 0, 8, 15, 25, 60})
        for (int x : {-30, -5, 0, 10, 19, 30, 60})
            blobs.draw(x, y, 255, dst);
    EXPECT_GT(changed(dst, 0), 0);

    Bitmap tiny(3, 2);
    blobs.draw(1, 1, 255, tiny);
    EXPECT_GT(changed(tiny, 0), 0); // the blob's centre lands on word 4
}

TEST(BlobInit, ReinitReplacesAndEmptyCountBuildsNothing) {
    BlobSprites b;
    EXPECT_EQ(b.count, 0);
    EXPECT_EQ(b.init(16, 10), 1);
    EXPECT_EQ(b.count, 16);
    EXPECT_EQ(b.widths[15], 9);
    EXPECT_EQ(b.init(0, 38), 1);
    EXPECT_EQ(b.count, 0);
    Bitmap dst(8, 8);
    EXPECT_EQ(b.draw(4, 4, 3, dst), 1);
    EXPECT_EQ(changed(dst, 0), 0);
}
