// Bitmap: construction trace, fill, clipping on every edge with the write-back of the clamped
// position, and the scaled blit (the demo never scales; its keyed and faded blits are in the
// capture golden).

#include "gfx/bitmap.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;
using Bmp = std::unique_ptr<Bitmap>;

namespace {

// A w x h bitmap filled with `value`, or numbered when `numbered`: pixel (c, r) is
// value + r * 100 + c + 1. Made silently.
Bmp make(int w, int h, uint32_t value, bool numbered = false) {
    Bmp b;
    captured_stdout([&] { b.reset(new Bitmap(w, h)); });
    for (int i = 0; i < w * h; ++i)
        b->pixels[i] = numbered ? value + uint32_t(i / w * 100 + i % w + 1) : value;
    return b;
}

uint32_t at(const Bitmap& b, int c, int r) {
    return b.pixels[r * b.width + c];
}

// Destination pixels that differ from `background`.
int changed(const Bitmap& b, uint32_t background) {
    int n = 0;
    for (int i = 0; i < b.width * b.height; ++i)
        n += b.pixels[i] != background;
    return n;
}

} // namespace

TEST(Bitmap, LifecycleTraceFillAndClear) {
    Bitmap *empty = nullptr, *sized = nullptr, *negative = nullptr;
    EXPECT_EQ(captured_stdout([&] { empty = new Bitmap(); }), "created new bitmap object\n");
    EXPECT_EQ(empty->width | empty->height | empty->drawWidth | empty->keyed, 0);
    EXPECT_EQ(empty->pixels, nullptr);
    EXPECT_EQ(captured_stdout([&] { sized = new Bitmap(3, 2); }),
              "created new bitmap object. width: 3, height: 2\n");
    EXPECT_EQ(sized->drawWidth, 3);
    EXPECT_EQ(sized->drawHeight, 2);
    EXPECT_EQ(sized->x | sized->y | sized->fadeLevel | sized->keyed, 0);
    EXPECT_EQ(sized->mask, nullptr);
    EXPECT_EQ(changed(*sized, 0), 0);
    EXPECT_EQ(sized->fill(0xABCDEF01u), 1);
    EXPECT_EQ(changed(*sized, 0xABCDEF01u), 0);
    EXPECT_EQ(sized->clear(), 1);
    EXPECT_EQ(changed(*sized, 0), 0);
    EXPECT_EQ(captured_stdout([&] { negative = new Bitmap(-4, 3); }),
              "created new bitmap object. width: 0, height: 3\n");
    Bmp dst = make(4, 4, 7);
    EXPECT_EQ(negative->drawAt(0, 0, *dst) + empty->drawAt(1, 1, *dst), 2);
    EXPECT_EQ(empty->drawScaled(*dst), 0);
    EXPECT_EQ(changed(*dst, 7), 0);
    sized->setColorKey(5); // the mask is released too
    for (Bitmap* b : {empty, sized, negative})
        EXPECT_EQ(captured_stdout([&] { delete b; }), "deleted bitmap object\n");
}

TEST(BitmapClip, EveryEdgeAndTheWriteBack) {
    Bmp dst = make(20, 10, 7);
    Bmp src = make(10, 10, 0x10000, true);
    // clang-format off
    const struct { int x, y, result, changed, storedX, storedY; } cases[] = {
        {20, 0, 1, 0, 20, 0}, {0, 10, 1, 0, 0, 10}, {21, 0, 0, 0, 21, 0}, {0, 11, 0, 0, 0, 11},
        {-10, 0, 1, 0, 0, 0}, {0, -10, 1, 0, 0, 0}, {-11, 0, 0, 0, -11, 0}, {0, -11, 0, 0, 0, -11},
        {INT32_MIN, INT32_MIN, 0, 0, INT32_MIN, INT32_MIN}, {17, 8, 1, 6, 17, 8}};
    // clang-format on
    for (const auto& c : cases) {
        dst->fill(7);
        EXPECT_EQ(src->drawAt(c.x, c.y, *dst), c.result) << c.x << "," << c.y;
        EXPECT_EQ(changed(*dst, 7), c.changed) << c.x << "," << c.y;
        EXPECT_EQ(src->x, c.storedX) << c.x << "," << c.y;
        EXPECT_EQ(src->y, c.storedY) << c.x << "," << c.y;
    }
    EXPECT_EQ(at(*dst, 17, 8), at(*src, 0, 0)); // the last case: cut at right and bottom
    EXPECT_EQ(at(*dst, 19, 9), at(*src, 2, 1));
    EXPECT_EQ(src->drawAt(0, 0, nullptr), 0);

    dst->fill(7);
    EXPECT_EQ(src->drawAt(-5, -3, *dst), 1);
    EXPECT_EQ(src->x | src->y, 0);
    EXPECT_EQ(changed(*dst, 7), 5 * 7);
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 5, 3));
    EXPECT_EQ(at(*dst, 4, 6), at(*src, 9, 9));
    dst->fill(7);
    EXPECT_EQ(src->draw(*dst), 1); // draw() uses the stored position, now 0, 0
    EXPECT_EQ(at(*dst, 0, 0), at(*src, 0, 0));
    EXPECT_EQ(changed(*dst, 7), 100);
}

TEST(BitmapScaled, EnlargeKeyedUsesTheMaskAtTheSourceIndex) {
    Bmp dst = make(6, 6, 7);
    Bmp src = make(2, 2, 0x10000, true);
    src->pixels[0] = 0x00FF00FFu;
    src->setColorKey(0x00FF00FFu);
    src->drawWidth = src->drawHeight = 4;
    src->x = 1;
    src->y = 2;
    EXPECT_EQ(src->drawScaled(*dst), 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(at(*dst, 1 + c, 2 + r), c < 2 && r < 2 ? 7u : at(*src, c / 2, r / 2))
                << c << "," << r;
    EXPECT_EQ(changed(*dst, 7), 12);

    // 14/20 as a float is just below 0.7, so destination column 10 samples column 6, not 7.
    Bmp row = make(20, 1, 7);
    Bmp narrow = make(14, 1, 0, true);
    narrow->drawWidth = 20;
    narrow->drawScaled(*row);
    const int expected[20] = {0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 11, 12, 13};
    for (int c = 0; c < 20; ++c)
        EXPECT_EQ(at(*row, c, 0), uint32_t(expected[c] + 1)) << c;
}

TEST(BitmapScaled, ShrinkAndClipAtEveryEdge) {
    Bmp dst = make(3, 3, 7);
    Bmp src = make(8, 8, 0x10000, true);
    src->drawWidth = src->drawHeight = 4;
    src->x = -1;
    src->y = -2;
    EXPECT_EQ(src->drawScaled(*dst), 0);
    EXPECT_EQ(src->x | src->y, 0); // written back
    // Destination (c, r) shows scaled pixel (c + 1, r + 2), i.e. source (2c + 2, 2r + 4).
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(at(*dst, c, r), r < 2 ? at(*src, 2 * c + 2, 2 * r + 4) : 7u) << c << "," << r;
    // Cut at right and bottom; wholly off the left; nothing to draw.
    const struct {
        int x, y, drawWidth, changed, corner;
    } more[] = {{2, 2, 4, 1, 0x10001}, {-5, 0, 4, 0, 7}, {0, 0, 0, 0, 7}};
    for (const auto& m : more) {
        dst->fill(7);
        src->x = m.x;
        src->y = m.y;
        src->drawWidth = m.drawWidth;
        src->drawScaled(*dst);
        EXPECT_EQ(changed(*dst, 7), m.changed) << m.x << "," << m.y;
        EXPECT_EQ(at(*dst, 2, 2), uint32_t(m.corner)) << m.x << "," << m.y;
    }
}

// A bitmap with a side at 0 (or below) draws nothing, even when asked to draw it larger.
TEST(BitmapScaled, ASideAtZeroDrawsNothing) {
    Bmp dst = make(8, 8, 7);
    for (auto [w, h] : {std::pair{0, 3}, {3, 0}, {-2, 3}, {3, -2}}) {
        Bmp b = make(w, h, 0);
        b->drawWidth = 4;
        b->drawHeight = 4;
        EXPECT_EQ(b->drawScaled(dst.get()), 0);
        b->drawAt(1, 1, dst.get());
        EXPECT_EQ(changed(*dst, 7), 0) << w << "x" << h;
    }
}
