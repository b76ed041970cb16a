// Font (glyph cutting, spacing, unknown bytes, clipping, fade) and the animation frame set:
// both load PCX pictures from the store.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "effects/animation.h"
#include "effects/font.h"
#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/store/blob_builder.h"

namespace {

// A 1-plane 8-bit PCX of `pixels` (row-major 0x00RRGGBB, at most 256 colours), every index
// written as a run so any value is safe.
std::vector<uint8_t> make_pcx(int w, int h, const std::vector<uint32_t>& pixels) {
    std::vector<uint32_t> palette;
    std::vector<uint8_t> f(128, 0);
    f[0] = 10, f[1] = 5, f[2] = 1, f[3] = 8, f[65] = 1; // RLE, 8 bits, 1 plane
    for (int i = 0; i < 2; ++i) // little-endian xMax, yMax and bytes per line
        f[8 + i] = uint8_t((w - 1) >> 8 * i), f[10 + i] = uint8_t((h - 1) >> 8 * i),
              f[66 + i] = uint8_t(w >> 8 * i);
    for (uint32_t p : pixels) {
        size_t i = std::find(palette.begin(), palette.end(), p) - palette.begin();
        if (i == palette.size())
            palette.push_back(p);
        f.insert(f.end(), {0xC1, uint8_t(i)});
    }
    f.push_back(0x0C);
    palette.resize(256, 0);
    for (uint32_t p : palette)
        f.insert(f.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    return f;
}

// Keeps a blob alive as the store's content.
struct Store {
    std::vector<uint8_t> blob;
    explicit Store(const std::vector<vorru_test::BlobEntry>& entries)
        : blob(vorru_test::build_blob(entries)) {
        fs_init(blob.data(), uint32_t(blob.size()));
    }
    ~Store() { fs_init(nullptr, 0); }
};

constexpr uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF;
const std::string INK = ".RGBWY"; // 0, red, green, blue, white, grey
const uint32_t INK_RGB[] = {0, RED, GREEN, BLUE, WHITE, 0x808080};

// 13x3 strip: a = columns 1-2, b = 5-7 with a hole at (6, 1), c = 9, then ink in 11-12 where
// 12 is the strip's last column.
std::vector<uint8_t> test_strip() {
    std::vector<uint32_t> p;
    for (char c : std::string(".RR..GGG.B.WY.RR..G.G.B.WY.RR..GGG.B.WY"))
        p.push_back(INK_RGB[INK.find(c)]);
    return make_pcx(13, 3, p);
}

class FontTest : public ::testing::Test {
protected:
    FontTest() : store({{"data\\strip.pcx", test_strip()}}) {}
    ~FontTest() override { font.unload(); }
    std::string widths() const { // glyph characters and widths in list order, e.g. "a2b3"
        std::string s;
        for (const Glyph* g = font.glyphs; g; g = g->next)
            s += char(g->character) + std::to_string(g->bitmap->width);
        return s;
    }
    std::string draw(int width, int x, const char* text) { // row 0 in INK letters
        Bitmap dst(width, 3);
        font.x = x;
        font.drawText(dst, text);
        std::string row;
        for (int i = 0; i < width; ++i)
            row += INK[std::find(INK_RGB, INK_RGB + 6, dst.pixels[i]) - INK_RGB];
        return row;
    }
    Store store;
    Font font;
};

} // namespace

TEST_F(FontTest, RunningOutDuplicatesAndFailedLoads) {
    EXPECT_EQ(font.load("data\\strip.pcx", "abcdefg"), 1);
    EXPECT_EQ(widths(), "a2b3c1d1"); // the strip ran out: e, f, g get no glyph
    EXPECT_EQ(font.findGlyph('e'), nullptr);
    // A new load deletes the four old glyphs (with the decoder's work picture and the strip).
    const std::string trace =
        vorru_test::captured_stdout([&] { EXPECT_EQ(font.load("data\\strip.pcx", "aab"), 1); });
    size_t deleted = 0;
    for (size_t at = 0; (at = trace.find("deleted bitmap object", at)) != std::string::npos; ++at)
        ++deleted;
    EXPECT_EQ(deleted, 6u) << trace;
    EXPECT_EQ(widths(), "a2a3b1");
    EXPECT_EQ(font.findGlyph('a'), font.glyphs); // lookup finds the first
    // A failed load keeps the font.
    Glyph* before = font.glyphs;
    EXPECT_EQ(font.load("data\\nothing.pcx", "xyz"), 0);
    EXPECT_EQ(font.load(nullptr, "xyz"), 0);
    EXPECT_EQ(font.glyphs, before);
    EXPECT_STREQ(font.charset, "aab");
    // Ink that starts in the last column can never close a glyph; an empty font draws nothing.
    Store edge({{"data\\edge.pcx", make_pcx(5, 1, {RED, 0, 0, 0, BLUE})}});
    EXPECT_EQ(font.load("data\\edge.pcx", "ab"), 1);
    EXPECT_EQ(widths(), "a1");
    Font empty;
    EXPECT_EQ(empty.load("data\\nothing.pcx", "xyz"), 0);
    EXPECT_EQ(empty.glyphs, nullptr);
    EXPECT_EQ(empty.spaceWidth, 8);
    Bitmap dst(4, 4);
    EXPECT_EQ(empty.drawText(dst, "abc"), 1);
    EXPECT_EQ(std::vector<uint32_t>(dst.pixels, dst.pixels + 16), std::vector<uint32_t>(16, 0u));
}

TEST_F(FontTest, SpacingUnknownBytesAndClipping) {
    ASSERT_EQ(font.load("data\\strip.pcx", "abcd"), 1);
    const struct {
        int width, x;
        const char* text;
        std::string want;
    } cases[] = {
        {40, 10, "ab c", "..........RRGGG........B................"},  // a, b, 8 for the space
        {40, 10, "a  Xc", "..........RR................B..........."}, // X: no glyph, no width
        {6, -6, "bba", "RR...."}, // b at -6 rejected, b at -3 wholly off, a at 0
        {6, -1, "ab", "RGGG.."},  // a loses its first column
        {4, 3, "bc", "...G"},     // b cut at the right edge, c skipped
    };
    for (const auto& t : cases)
        EXPECT_EQ(draw(t.width, t.x, t.text), t.want) << t.text << " at " << t.x;
}

// The store's order: the other files first, then the frames in byte order of their names.
// Frame n is n pixels wide and coloured n, so each slot tells which file it holds.
TEST(Animation, SlotKHoldsFileKPlusOneAndAMissingFileLeavesAnEmptySlot) {
    for (int skip : {0, 5}) {
        std::vector<vorru_test::BlobEntry> entries = {
            {"data\\font2.pcx", make_pcx(2, 2, {1, 2, 3, 4})}};
        for (int n : {1,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 2,
                      20, 21, 22, 23, 24, 3,  4,  5,  6,  7,  8,  9})
            if (n != skip)
                entries.push_back(
                    {"data\\kelmo\\" + std::to_string(n) + ".pcx",
                     make_pcx(n, 2, std::vector<uint32_t>(size_t(n) * 2, uint32_t(n)))});
        Store store(entries);
        const std::string trace = vorru_test::captured_stdout([] { loadAnimationFrames(); });
        for (int k = 0; k < ANIMATION_FRAME_COUNT; ++k) {
            ASSERT_NE(animationFrames[k], nullptr);
            const int n = k + 1 == skip ? 0 : k + 1;
            EXPECT_EQ(animationFrames[k]->width, n) << k;
            EXPECT_EQ(animationFrames[k]->height, n ? 2 : 0) << k;
            EXPECT_EQ(n ? animationFrames[k]->pixels[0] : 0u, uint32_t(n)) << k;
        }
        EXPECT_EQ(trace.find("couldn't open data\\kelmo\\5.pcx!\n") != std::string::npos,
                  skip == 5);
        EXPECT_LT(trace.find("fileopen: data\\kelmo\\9.pcx found"),
                  trace.find("fileopen: data\\kelmo\\10.pcx found"));
    }
    Bitmap dst(4, 4);
    EXPECT_EQ(animationFrames[4]->drawAt(0, 0, dst), 1); // the empty slot is safe to draw
}
