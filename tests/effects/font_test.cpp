// Font: cutting a strip into glyphs (gaps, the last-column rule, running out, duplicates),
// proportional drawing with spaces, unknown characters, clipping and fade.
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "effects/font.h"
#include "effects_test_support.h"

using effects_test::make_pcx;
using effects_test::pixel;
using effects_test::Store;

namespace {

constexpr uint32_t RED = 0x00FF0000u, GREEN = 0x0000FF00u, BLUE = 0x000000FFu, WHITE = 0x00FFFFFFu,
                   GREY = 0x00808080u;

// 13x3 strip: a = columns 1-2, b = 5-7 with a hole at (6, 1), c = 9, then ink in 11-12 where
// 12 is the last column.
std::vector<uint8_t> test_strip() {
    const int w = 13, h = 3;
    std::vector<uint32_t> p(w * h, 0);
    for (int y = 0; y < h; ++y) {
        p[y * w + 1] = p[y * w + 2] = RED;
        p[y * w + 5] = p[y * w + 6] = p[y * w + 7] = GREEN;
        p[y * w + 9] = BLUE;
        p[y * w + 11] = WHITE;
        p[y * w + 12] = GREY;
    }
    p[1 * w + 6] = 0;
    return make_pcx(w, h, p);
}

class FontTest : public ::testing::Test {
protected:
    FontTest() : store({{"data\\strip.pcx", test_strip()}}) {}
    ~FontTest() override { font.unload(); }
    Store store;
    Font font;
};

int glyph_count(const Font& f) {
    int n = 0;
    for (const Glyph* g = f.glyphs; g; g = g->next)
        ++n;
    return n;
}

} // namespace

TEST_F(FontTest, ScanCutsGlyphsAtGapsAndDropsTheLastColumn) {
    const std::string trace =
        vorru_test::captured_stdout([&] { EXPECT_EQ(font.load("data\\strip.pcx", "abcd"), 1); });
    ASSERT_EQ(glyph_count(font), 4);
    EXPECT_STREQ(font.charset, "abcd");
    const int widths[4] = {2, 3, 1, 1};
    const char chars[4] = {'a', 'b', 'c', 'd'};
    size_t at = 0;
    int k = 0;
    for (const Glyph* g = font.glyphs; g; g = g->next, ++k) {
        EXPECT_EQ(g->character, chars[k]);
        EXPECT_EQ(g->bitmap->width, widths[k]);
        EXPECT_EQ(g->bitmap->height, 3);
        EXPECT_NE(g->bitmap->keyed, 0);
        const std::string line =
            "created new bitmap object. width: " + std::to_string(widths[k]) + ", height: 3\n";
        at = trace.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
    // "d" keeps only column 11: the grey last column never belongs to a glyph.
    EXPECT_EQ(font.findGlyph('d')->bitmap->pixels[0], WHITE);
    // The hole in "b" is transparent.
    EXPECT_EQ(font.findGlyph('b')->bitmap->mask[1 * 3 + 1], 0xFFFFFFFFu);
    EXPECT_EQ(font.findGlyph('b')->bitmap->mask[0], 0u);
}

TEST_F(FontTest, RunningOutOfStripLeavesLaterCharactersWithoutGlyphs) {
    EXPECT_EQ(font.load("data\\strip.pcx", "abcdefg"), 1);
    EXPECT_EQ(glyph_count(font), 4);
    EXPECT_EQ(font.findGlyph('e'), nullptr);
    EXPECT_EQ(font.findGlyph('g'), nullptr);

    // Ink that starts in the last column can never close a glyph.
    Font edge;
    std::vector<uint32_t> p = {RED, 0, 0, 0, BLUE};
    Store other({{"data\\edge.pcx", make_pcx(5, 1, p)}});
    EXPECT_EQ(edge.load("data\\edge.pcx", "ab"), 1);
    EXPECT_EQ(glyph_count(edge), 1);
    EXPECT_EQ(edge.findGlyph('b'), nullptr);
    edge.unload();
}

TEST_F(FontTest, DuplicateCharactersGetTwoGlyphsAndLookupFindsTheFirst) {
    EXPECT_EQ(font.load("data\\strip.pcx", "aab"), 1);
    ASSERT_EQ(glyph_count(font), 3);
    EXPECT_EQ(font.findGlyph('a'), font.glyphs);
    EXPECT_EQ(font.findGlyph('a')->bitmap->width, 2);
    EXPECT_EQ(font.glyphs->next->character, 'a');
    EXPECT_EQ(font.glyphs->next->bitmap->width, 3);
    EXPECT_EQ(font.findGlyph('b')->bitmap->width, 1);
}

TEST_F(FontTest, MissingStripFailsAndKeepsTheFont) {
    EXPECT_EQ(font.load("data\\nothing.pcx", "xyz"), 0);
    EXPECT_EQ(font.glyphs, nullptr);
    EXPECT_EQ(font.charset, nullptr);
    EXPECT_EQ(font.spaceWidth, 8);
    Bitmap dst(4, 4);
    EXPECT_EQ(font.drawText(dst, "abc"), 1); // an empty font draws nothing
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(dst.pixels[i], 0u);

    ASSERT_EQ(font.load("data\\strip.pcx", "ab"), 1);
    Glyph* before = font.glyphs;
    EXPECT_EQ(font.load("data\\nothing.pcx", "xyz"), 0);
    EXPECT_EQ(font.glyphs, before);
    EXPECT_STREQ(font.charset, "ab");
    EXPECT_EQ(font.load(nullptr, "xyz"), 0);
}

TEST_F(FontTest, ProportionalSpacingSpacesAndUnknownBytes) {
    ASSERT_EQ(font.load("data\\strip.pcx", "abcd"), 1);
    Bitmap dst(40, 5);
    font.x = 10;
    font.y = 1;
    EXPECT_EQ(font.drawText(dst, "ab c"), 1);
    EXPECT_EQ(pixel(dst, 9, 1), 0u);
    EXPECT_EQ(pixel(dst, 10, 1), RED);
    EXPECT_EQ(pixel(dst, 11, 3), RED);
    EXPECT_EQ(pixel(dst, 12, 1), GREEN);
    EXPECT_EQ(pixel(dst, 14, 1), GREEN);
    for (int x = 15; x < 23; ++x)
        EXPECT_EQ(pixel(dst, x, 1), 0u) << x;
    EXPECT_EQ(pixel(dst, 23, 1), BLUE); // 10 + 2 + 3 + 8

    Bitmap two(40, 5);
    font.spaceWidth = 8;
    font.drawText(two, "a  Xc"); // two spaces advance 16; X has no glyph and no width
    EXPECT_EQ(pixel(two, 28, 1), BLUE);
    EXPECT_EQ(pixel(two, 27, 1), 0u);
    EXPECT_EQ(pixel(two, 29, 1), 0u);
}

TEST_F(FontTest, ClippingIsPerGlyphAndRejectedGlyphsStillAdvance) {
    ASSERT_EQ(font.load("data\\strip.pcx", "abcd"), 1);
    Bitmap dst(6, 3);
    font.x = -6;
    font.drawText(dst, "bba"); // b at -6 rejected, b at -3 wholly off, a at 0
    EXPECT_EQ(pixel(dst, 0, 0), RED);
    EXPECT_EQ(pixel(dst, 1, 0), RED);
    EXPECT_EQ(pixel(dst, 2, 0), 0u);

    Bitmap cut(6, 3);
    font.x = -1;
    font.drawText(cut, "ab"); // a loses its first column, b follows at 1
    EXPECT_EQ(pixel(cut, 0, 0), RED);
    EXPECT_EQ(pixel(cut, 1, 0), GREEN);
    EXPECT_EQ(pixel(cut, 3, 0), GREEN);
    EXPECT_EQ(pixel(cut, 4, 0), 0u);

    Bitmap right(4, 3);
    font.x = 3;
    font.drawText(right, "bc"); // b cut at the right edge; c at 6 skipped
    EXPECT_EQ(pixel(right, 3, 0), GREEN);
    EXPECT_EQ(pixel(right, 2, 0), 0u);
}

TEST_F(FontTest, FadeBlendsInkAndSkipsHoles) {
    ASSERT_EQ(font.load("data\\strip.pcx", "abcd"), 1);
    Bitmap dst(8, 3);
    dst.fill(0x00646464u);
    font.fadeLevel = 255;
    font.drawText(dst, "d");
    EXPECT_EQ(pixel(dst, 0, 0), 0x00636363u); // almost invisible
    font.fadeLevel = 128;
    font.x = 1;
    font.drawText(dst, "d");
    EXPECT_EQ(pixel(dst, 1, 0), 0x00B1B1B1u); // 50 + 127
    font.fadeLevel = 0;
    font.x = 2;
    font.drawText(dst, "b");
    EXPECT_EQ(pixel(dst, 2, 0), GREEN);
    EXPECT_EQ(pixel(dst, 3, 1), 0x00646464u); // the hole shows the background
    font.fadeLevel = 200;
    font.x = 5;
    font.drawText(dst, "b");
    EXPECT_EQ(pixel(dst, 6, 1), 0x00646464u);
    EXPECT_EQ(font.findGlyph('b')->bitmap->fadeLevel, 200);
}

TEST(ProgramFont, StripOfTheProgram) {
    std::ifstream in(EFFECTS_ASSET_DIR "/data/font2.pcx", std::ios::binary);
    ASSERT_TRUE(in) << "missing font2.pcx";
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    Store store({{"data\\font2.pcx", data}});
    Font font;
    ASSERT_EQ(font.load("data\\font2.pcx", "abcdefghijklmnopqrstuwvxyz\xE4\xF6"
                                           "1234567890,.()?!-'[]=+;:"),
              1);
    EXPECT_EQ(glyph_count(font), 52);
    EXPECT_EQ(font.findGlyph('a')->bitmap->width, 12);
    EXPECT_EQ(font.findGlyph('i')->bitmap->width, 6);
    EXPECT_EQ(font.findGlyph('m')->bitmap->width, 18);
    EXPECT_EQ(font.findGlyph('w')->bitmap->width, 19);
    EXPECT_EQ(font.findGlyph('.')->bitmap->width, 3);
    EXPECT_EQ(font.findGlyph(':')->bitmap->width, 3);
    EXPECT_EQ(font.findGlyph('A'), nullptr);

    // "ab c": b at x + 12, c at x + 32.
    Bitmap text(100, 23), expected(100, 23);
    font.x = 20;
    font.drawText(text, "ab c");
    font.findGlyph('a')->bitmap->drawAt(20, 0, expected);
    font.findGlyph('b')->bitmap->drawAt(32, 0, expected);
    font.findGlyph('c')->bitmap->drawAt(52, 0, expected);
    EXPECT_EQ(std::vector<uint32_t>(text.pixels, text.pixels + 2300),
              std::vector<uint32_t>(expected.pixels, expected.pixels + 2300));
    font.unload();
}
