// Bitmap: construction trace, fill, colour keying, clipping on every edge with the
// write-back of the clamped position, the four pixel modes, blend arithmetic, scaled blit.

#include "gfx/bitmap.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;

namespace {

// A w x h bitmap whose pixel (c, r) is base + r * 100 + c + 1 (never 0); made silently.
std::unique_ptr<Bitmap> numbered(int w, int h, uint32_t base = 0x10000) {
    std::unique_ptr<Bitmap> b;
    captured_stdout([&] { b.reset(new Bitmap(w, h)); });
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            b->pixels[r * w + c] = base + uint32_t(r * 100 + c + 1);
    return b;
}

std::unique_ptr<Bitmap> filled(int w, int h, uint32_t value) {
    std::unique_ptr<Bitmap> b;
    captured_stdout([&] {
        b.reset(new Bitmap(w, h));
        b->fill(value);
    });
    return b;
}

uint32_t at(const Bitmap& b, int c, int r) {
    return b.pixels[r * b.width + c];
}

// Counts destination pixels that differ from `background`.
int changed(const Bitmap& b, uint32_t background) {
    int n = 0;
    for (int i = 0; i < b.width * b.height; ++i)
        n += b.pixels[i] != background;
    return n;
}

} // namespace

TEST(BitmapLifecycle, ConstructorsAndDestructorTrace) {
    Bitmap* empty = nullptr;
    EXPECT_EQ(captured_stdout([&] { empty = new Bitmap(); }), "created new bitmap object\n");
    EXPECT_EQ(empty->width, 0);
    EXPECT_EQ(empty->height, 0);
    EXPECT_EQ(empty->drawWidth, 0);
    EXPECT_EQ(empty->pixels, nullptr);
    EXPECT_EQ(empty->mask, nullptr);
    EXPECT_EQ(empty->keyed, 0);

    Bitmap* sized = nullptr;
    EXPECT_EQ(captured_stdout([&] { sized = new Bitmap(3, 2); }),
              "created new bitmap object. width: 3, height: 2\n");
    EXPECT_EQ(sized->drawWidth, 3);
    EXPECT_EQ(sized->drawHeight, 2);
    EXPECT_EQ(sized->x | sized->y | sized->fadeLevel | sized->keyed, 0);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sized->pixels[i], 0u);
    EXPECT_EQ(sized->mask, nullptr);

    sized->setColorKey(5);
    EXPECT_EQ(captured_stdout([&] { delete sized; }), "deleted bitmap object\n");
    EXPECT_EQ(captured_stdout([&] { delete empty; }), "deleted bitmap object\n");
}

TEST(BitmapLifecycle, NegativeSizeOwnsNothingToDraw) {
    std::unique_ptr<Bitmap> b;
    EXPECT_EQ(captured_stdout([&] { b.reset(new Bitmap(-4, 3)); }),
              "created new bitmap object. width: 0, height: 3\n");
    std::unique_ptr<Bitmap> dst = filled(4, 4, 7);
    EXPECT_EQ(b->drawAt(0, 0, *dst), 1);
    EXPECT_EQ(changed(*dst, 7), 0);
    captured_stdout([&] { b.reset(); });
}

TEST(BitmapFill, FillAndClearCoverEveryPixel) {
    std::unique_ptr<Bitmap> b = numbered(5, 3);
    EXPECT_EQ(b->fill(0xABCDEF01u), 1);
    EXPECT_EQ(changed(*b, 0xABCDEF01u), 0);
    EXPECT_EQ(b->clear(), 1);
    EXPECT_EQ(changed(*b, 0), 0);
}

TEST(BitmapColorKey, ZeroKeyChangesNoPixel) {
    std::unique_ptr<Bitmap> b = filled(2, 1, 0);
    b->pixels[1] = 0x123456;
    b->setColorKey(0);
    EXPECT_EQ(b->keyed, 1);
    EXPECT_EQ(b->pixels[0], 0u);
    EXPECT_EQ(b->pixels[1], 0x123456u);
    EXPECT_EQ(b->mask[0], 0xFFFFFFFFu);
    EXPECT_EQ(b->mask[1], 0u);
}

TEST(BitmapColorKey, OtherKeysKeepBlackVisibleAsOne) {
    std::unique_ptr<Bitmap> b = filled(4, 1, 0);
    b->pixels[1] = 0xFF00FF;
    b->pixels[2] = 0x01FF00FF; // byte 3 counts in the comparison
    b->pixels[3] = 1;
    b->setColorKey(0xFF00FF);
    EXPECT_EQ(b->pixels[0], 1u);
    EXPECT_EQ(b->pixels[1], 0u);
    EXPECT_EQ(b->pixels[2], 0x01FF00FFu);
    EXPECT_EQ(b->pixels[3], 1u);
    EXPECT_EQ(b->mask[0], 0u);
    EXPECT_EQ(b->mask[1], 0xFFFFFFFFu);
    EXPECT_EQ(b->mask[2], 0u);

    // Keying again replaces the mask; with key 1 the former black pixels become transparent.
    b->setColorKey(1);
    EXPECT_EQ(b->pixels[0], 0u);
    EXPECT_EQ(b->pixels[3], 0u);
    EXPECT_EQ(b->mask[0], 0xFFFFFFFFu);
    EXPECT_EQ(b->mask[1], 0xFFFFFFFFu); // 0 became 1, then matched
    EXPECT_EQ(b->mask[2], 0u);
}

TEST(BitmapClip, RightAndBottomEdges) {
    std::unique_ptr<Bitmap> dst = filled(20, 10, 7);
    std::unique_ptr<Bitmap> src = numbered(10, 10);
    EXPECT_EQ(src->drawAt(20, 0, *dst), 1);
    EXPECT_EQ(src->drawAt(0, 10, *dst), 1);
    EXPECT_EQ(changed(*dst, 7), 0);
    EXPECT_EQ(src->drawAt(21, 0, *dst), 0);
    EXPECT_EQ(src->drawAt(0, 11, *dst), 0);
    EXPECT_EQ(src->x, 0);
    EXPECT_EQ(src->y, 11);

    EXPECT_EQ(src->drawAt(17, 8, *dst), 1);
    EXPECT_EQ(changed(*dst, 7), 3 * 2);
    EXPECT_EQ(at(*dst, 17, 8), at(*src, 0, 0));
    EXPECT_EQ(at(*dst, 19, 9), at(*src, 2, 1));
}

TEST(BitmapClip, LeftAndTopEdgesWriteBackZero) {
    std::unique_ptr<Bitmap> dst = filled(20, 10, 7);
    std::unique_ptr<Bitmap> src = numbered(10, 10);
    EXPECT_EQ(src->drawAt(-5, -3, *dst), 1);
    EXPECT_EQ(src->x, 0);
    EXPECT_EQ(src->y, 0);
    EXPECT_EQ(changed(*dst, 7), 5 * 7);
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 5, 3));
    EXPECT_EQ(at(*dst, 4, 6), at(*src, 9, 9));
    EXPECT_EQ(at(*dst, 5, 0), 7u);
    EXPECT_EQ(at(*dst, 0, 7), 7u);

    // draw() uses the stored position, which now reads 0.
    dst->fill(7);
    EXPECT_EQ(src->draw(*dst), 1);
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 0, 0));
    EXPECT_EQ(changed(*dst, 7), 10 * 10);
}

TEST(BitmapClip, WhollyOffTheLeftOrTop) {
    std::unique_ptr<Bitmap> dst = filled(20, 10, 7);
    std::unique_ptr<Bitmap> src = numbered(10, 10);
    EXPECT_EQ(src->drawAt(-10, 0, *dst), 1);
    EXPECT_EQ(src->drawAt(0, -10, *dst), 1);
    EXPECT_EQ(changed(*dst, 7), 0);
    EXPECT_EQ(src->drawAt(-11, 0, *dst), 0);
    EXPECT_EQ(src->drawAt(0, -11, *dst), 0);
    EXPECT_EQ(src->drawAt(INT32_MIN, INT32_MIN, *dst), 0);
    EXPECT_EQ(changed(*dst, 7), 0);
    EXPECT_EQ(src->drawAt(0, 0, nullptr), 0);
}

TEST(BitmapClip, TallerThanTheDestinationFromAboveKeepsToItsRows) {
    // A 280-row picture drawn 20 rows up shows its rows 20..259 in a 240-row frame.
    std::unique_ptr<Bitmap> dst = filled(4, 240, 7);
    std::unique_ptr<Bitmap> src = numbered(4, 280, 0);
    EXPECT_EQ(src->drawAt(0, -20, *dst), 1);
    EXPECT_EQ(src->y, 0);
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 0, 20));
    EXPECT_EQ(at(*dst, 3, 239), at(*src, 3, 259));
}

TEST(BitmapClip, WiderThanTheDestinationIsCutAtTheRight) {
    std::unique_ptr<Bitmap> dst = filled(8, 2, 7);
    std::unique_ptr<Bitmap> src = numbered(12, 1);
    EXPECT_EQ(src->drawAt(0, 1, *dst), 1);
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(at(*dst, c, 1), at(*src, c, 0));
    EXPECT_EQ(changed(*dst, 7), 8);
    // Cut on both sides at once.
    dst->fill(7);
    EXPECT_EQ(src->drawAt(-2, 0, *dst), 1);
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 2, 0));
    EXPECT_EQ(at(*dst, 7, 0), at(*src, 9, 0));
    EXPECT_EQ(changed(*dst, 7), 8);
}

TEST(BitmapClip, EmptyBitmapDrawsNothing) {
    std::unique_ptr<Bitmap> dst = filled(4, 4, 7);
    Bitmap* empty = nullptr;
    captured_stdout([&] { empty = new Bitmap(); });
    EXPECT_EQ(empty->drawAt(1, 1, *dst), 1);
    EXPECT_EQ(empty->drawScaled(*dst), 0);
    EXPECT_EQ(changed(*dst, 7), 0);
    captured_stdout([&] { delete empty; });
}

TEST(BitmapModes, BlendWeighsEachColourByte) {
    std::unique_ptr<Bitmap> dst = filled(1, 1, 0xAAC8C8C8u);
    std::unique_ptr<Bitmap> src = filled(1, 1, 0x55646464u);
    src->pixels[0] = 0x55FF6400u; // red 255, green 100, blue 0
    dst->pixels[0] = 0xAA00C8FFu; // red 0, green 200, blue 255
    src->fadeLevel = 128;
    EXPECT_EQ(src->drawAt(0, 0, *dst), 1);
    // red 0 + 127, green 100 + 50, blue 127 + 0; byte 3 of the destination stays.
    EXPECT_EQ(dst->pixels[0], 0xAA7F967Fu);

    dst->pixels[0] = 0x00C8C8C8u;
    src->pixels[0] = 0x00646464u;
    src->fadeLevel = 255;
    src->drawAt(0, 0, *dst);
    EXPECT_EQ(dst->pixels[0], 0x00C7C7C7u); // 199 + 0: almost unchanged
}

TEST(BitmapModes, BlendIsPerByteForEveryWeight) {
    // Each byte on its own: d * f >> 8 plus s * (256 - f) >> 8, no carry between bytes.
    std::unique_ptr<Bitmap> src = numbered(256, 1);
    std::unique_ptr<Bitmap> dst = numbered(256, 1);
    for (uint32_t f = 1; f < 256; ++f) {
        for (uint32_t i = 0; i < 256; ++i) {
            src->pixels[i] = i << 16 | (255 - i) << 8 | ((i * 7) & 255);
            dst->pixels[i] = 0x5A000000u | ((i * 13) & 255) << 16 | i << 8 | (255 - i);
        }
        const std::vector<uint32_t> before(dst->pixels, dst->pixels + 256);
        src->fadeLevel = int32_t(f);
        src->drawAt(0, 0, *dst);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t want = 0x5A000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t d = (before[i] >> shift) & 255, s = (src->pixels[i] >> shift) & 255;
                want |= (((d * f) >> 8) + ((s * (256 - f)) >> 8)) << shift;
            }
            ASSERT_EQ(dst->pixels[i], want) << "f " << f << " pixel " << i;
        }
    }
}

TEST(BitmapModes, KeyedWithoutFadeShowsTheDestinationThroughTheKey) {
    std::unique_ptr<Bitmap> dst = filled(3, 1, 0x00ABCDEFu);
    std::unique_ptr<Bitmap> src = filled(3, 1, 0x00FF00FFu);
    src->pixels[1] = 0x00112233u;
    src->pixels[2] = 0;
    src->setColorKey(0x00FF00FFu);
    EXPECT_EQ(src->drawAt(0, 0, *dst), 1);
    EXPECT_EQ(dst->pixels[0], 0x00ABCDEFu);
    EXPECT_EQ(dst->pixels[1], 0x00112233u);
    EXPECT_EQ(dst->pixels[2], 1u); // black made visible as 1
}

TEST(BitmapModes, KeyedWithFadeSkipsZeroWordsAndBlendsTheRest) {
    std::unique_ptr<Bitmap> dst = filled(2, 1, 0x00C8C8C8u);
    std::unique_ptr<Bitmap> src = filled(2, 1, 0x00646464u);
    src->pixels[0] = 0x00FF00FFu;
    src->setColorKey(0x00FF00FFu);
    src->fadeLevel = 128;
    src->drawAt(0, 0, *dst);
    EXPECT_EQ(dst->pixels[0], 0x00C8C8C8u);
    EXPECT_EQ(dst->pixels[1], 0x00969696u);

    // The scaled blit blends the keyed-out pixel too, as black.
    dst->fill(0x00C8C8C8u);
    src->drawScaled(*dst);
    EXPECT_EQ(dst->pixels[0], 0x00646464u);
    EXPECT_EQ(dst->pixels[1], 0x00969696u);
}

TEST(BitmapModes, ScaledKeyedWithoutFadeUsesTheMaskAtTheSourceIndex) {
    std::unique_ptr<Bitmap> dst = filled(4, 2, 0x00ABCDEFu);
    std::unique_ptr<Bitmap> src = filled(2, 1, 0x00FF00FFu);
    src->pixels[1] = 0x00112233u;
    src->setColorKey(0x00FF00FFu);
    src->drawWidth = 4;
    src->drawHeight = 2;
    EXPECT_EQ(src->drawScaled(*dst), 0);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(at(*dst, 0, r), 0x00ABCDEFu);
        EXPECT_EQ(at(*dst, 1, r), 0x00ABCDEFu);
        EXPECT_EQ(at(*dst, 2, r), 0x00112233u);
        EXPECT_EQ(at(*dst, 3, r), 0x00112233u);
    }
}

TEST(BitmapScaled, IntegerEnlargementRepeatsPixels) {
    std::unique_ptr<Bitmap> dst = filled(6, 6, 7);
    std::unique_ptr<Bitmap> src = numbered(2, 2);
    src->drawWidth = 4;
    src->drawHeight = 4;
    src->x = 1;
    src->y = 2;
    EXPECT_EQ(src->drawScaled(*dst), 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(at(*dst, 1 + c, 2 + r), at(*src, c / 2, r / 2)) << c << "," << r;
    EXPECT_EQ(changed(*dst, 7), 16);
}

TEST(BitmapScaled, StepsAreSinglePrecisionQuotients) {
    // 14/20 as a float is just below 0.7, so destination column 10 samples column 6, not 7.
    std::unique_ptr<Bitmap> dst = filled(20, 1, 7);
    std::unique_ptr<Bitmap> src = numbered(14, 1, 0);
    src->drawWidth = 20;
    src->drawHeight = 1;
    src->drawScaled(*dst);
    const int expected[20] = {0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 11, 12, 13};
    for (int c = 0; c < 20; ++c)
        EXPECT_EQ(at(*dst, c, 0), uint32_t(expected[c] + 1)) << c;
}

TEST(BitmapScaled, ShrinkAndClipAtEveryEdge) {
    std::unique_ptr<Bitmap> dst = filled(3, 3, 7);
    std::unique_ptr<Bitmap> src = numbered(8, 8);
    src->drawWidth = 4;
    src->drawHeight = 4;
    src->x = -1;
    src->y = -2;
    EXPECT_EQ(src->drawScaled(*dst), 0);
    EXPECT_EQ(src->x, 0);
    EXPECT_EQ(src->y, 0);
    // Destination (c, r) shows scaled pixel (c + 1, r + 2), i.e. source (2c + 2, 2r + 4).
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(at(*dst, c, r), at(*src, 2 * c + 2, 2 * r + 4)) << c << "," << r;
    EXPECT_EQ(at(*dst, 0, 2), 7u);

    dst->fill(7);
    src->x = 2;
    src->y = 2;
    src->drawScaled(*dst);
    EXPECT_EQ(changed(*dst, 7), 1);
    EXPECT_EQ(at(*dst, 2, 2), at(*src, 0, 0));

    src->x = -5; // wholly off the left: rejected, nothing drawn
    dst->fill(7);
    src->drawScaled(*dst);
    EXPECT_EQ(changed(*dst, 7), 0);
    src->x = 0;
    src->drawWidth = 0;
    src->drawScaled(*dst);
    EXPECT_EQ(changed(*dst, 7), 0);
}
