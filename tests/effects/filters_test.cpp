// darkenRows at its bounds and BlobSprites at theirs (row-wrapping, never outside the
// destination); the blur and the blobs as the scenes use them are in the capture golden.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "effects/blobs.h"
#include "effects/filters.h"
#include "gfx/bitmap.h"

namespace {

std::vector<uint8_t> bytes(const Bitmap& b) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(b.pixels);
    return std::vector<uint8_t>(p, p + size_t(b.width) * b.height * 4);
}

int changed(const Bitmap& b, uint32_t background) {
    int n = 0;
    for (int i = 0; i < b.width * b.height; ++i)
        n += b.pixels[i] != background;
    return n;
}

} // namespace

TEST(DarkenRows, BoundsAndSaturatingValues) {
    Bitmap b(3, 5);
    b.fill(0xC80AC80Au); // bytes 10, 200, 10, 200
    const std::vector<uint8_t> before = bytes(b);
    EXPECT_EQ(darkenRows(-1, 4, 16, b), 0);
    EXPECT_EQ(darkenRows(5, 1, 16, b), 0);
    EXPECT_EQ(darkenRows(2, 0, 16, b), 1); // a count of 0 or less does nothing
    EXPECT_EQ(darkenRows(2, -3, 16, b), 1);
    EXPECT_EQ(bytes(b), before);
    EXPECT_EQ(darkenRows(3, 4, 16, b), 1); // cut at the last row
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(b.pixels[i], i >= 9 ? 0xB800B800u : 0xC80AC80Au) << i;
    EXPECT_EQ(darkenRows(0, 1, 24, b), 1);
    EXPECT_EQ(b.pixels[0], 0xB000B000u); // 200 - 24, 10 - 24 floors at 0, byte 3 too
    EXPECT_EQ(b.pixels[3], 0xC80AC80Au);
    Bitmap c(3, 2);
    c.fill(0x10101010u);
    EXPECT_EQ(darkenRows(0, 1, -16, c), 1); // a negative amount adds, wrapping, in its rows only
    EXPECT_EQ(std::vector<uint32_t>(c.pixels, c.pixels + 6),
              (std::vector<uint32_t>{0x20202020u, 0x20202020u, 0x20202020u, 0x10101010u,
                                     0x10101010u, 0x10101010u}));
}

class Blobs : public ::testing::Test {
protected:
    void SetUp() override { blobs.init(256, 38); }
    BlobSprites blobs;
};

TEST_F(Blobs, NothingForBlob7AndLevelsClamp) {
    Bitmap dst(64, 64), a(64, 64), b(64, 64);
    dst.fill(0x01010101u);
    EXPECT_EQ(blobs.draw(32, 32, 7, dst), 1);
    EXPECT_EQ(blobs.draw(32, 32, -5, dst), 1);
    EXPECT_EQ(changed(dst, 0x01010101u), 0);
    blobs.draw(32, 32, 300, a);
    blobs.draw(32, 32, 255, b);
    EXPECT_EQ(bytes(a), bytes(b));
    EXPECT_GT(changed(a, 0), 37 * 20);
}

TEST_F(Blobs, RowsWrapAtXElevenButNeverLeaveTheBuffer) {
    // 37 wide at x = 11 covers columns -7..29: blob column 0 of row r lands on column 313 of
    // destination row top + r - 1.
    for (int i = 0; i < 37 * 37; ++i)
        blobs.images[255][i] = 1;
    Bitmap probe(320, 60);
    blobs.draw(11, 30, 255, probe);
    EXPECT_EQ(probe.pixels[11 * 320 + 313], 0x00010101u);
    EXPECT_EQ(probe.pixels[11 * 320 + 312], 0u);
    EXPECT_EQ(probe.pixels[12 * 320 + 29], 0x00010101u);
    EXPECT_EQ(probe.pixels[12 * 320 + 30], 0u);
    // Over every edge and corner of a small bitmap (the sanitizer build checks the writes).
    Bitmap dst(20, 16), tiny(3, 2);
    for (int y : {-30, -10, 0, 8, 15, 25, 60})
        for (int x : {-30, -5, 0, 10, 19, 30, 60})
            blobs.draw(x, y, 255, dst);
    EXPECT_GT(changed(dst, 0), 0);
    blobs.draw(1, 1, 255, tiny);
    EXPECT_GT(changed(tiny, 0), 0);
}
