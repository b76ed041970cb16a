// Converters: fast paths against the per-pixel reference, the reference against an oracle built
// from the layout's masks, the tabled edge values, and converter selection.
#include "display/pixel_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr uint8_t GUARD = 0xA5;

// Packs one source pixel by the layout's masks alone: each channel keeps its top bits.
uint32_t pack_by_masks(const PixelLayout& layout, uint32_t p) {
    const uint32_t channels[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
    const uint32_t masks[3] = {layout.redMask, layout.greenMask, layout.blueMask};
    uint32_t v = 0;
    for (int c = 0; c < 3; ++c) {
        int shift = __builtin_ctz(masks[c]);
        int width = __builtin_popcount(masks[c]);
        v |= (channels[c] >> (8 - width)) << shift;
    }
    // Only the 32-bit RGB layout is a plain copy, so it keeps byte 3.
    if (layout.convert == display_convert_32_rgb)
        v |= p & 0xFF000000u;
    return v;
}

uint32_t read_pixel(const uint8_t* row, int i, int bytes) {
    uint32_t v = 0;
    for (int b = 0; b < bytes; ++b)
        v |= uint32_t(row[i * bytes + b]) << (8 * b);
    return v;
}

// Runs a converter into a buffer with guard bytes on both sides, at an odd address.
std::vector<uint8_t> run(PixelConverter convert, const PixelLayout& layout,
                         const std::vector<uint32_t>& src) {
    std::vector<uint8_t> out(src.size() * layout.bytesPerPixel + 1 + 64, GUARD);
    convert(src.data(), out.data() + 1, int(src.size()));
    return out;
}

std::vector<uint32_t> random_row(std::mt19937& rng, int length) {
    std::vector<uint32_t> row(length);
    for (uint32_t& p : row)
        p = rng();
    return row;
}

class EveryLayout : public ::testing::TestWithParam<int> {
protected:
    const PixelLayout& layout() const { return display_pixel_layouts()[GetParam()]; }
};

TEST_P(EveryLayout, FastPathMatchesReferenceOnEveryShortLengthAndWritesNothingElse) {
    std::mt19937 rng(1234 + GetParam());
    for (int length = 0; length <= 40; ++length) {
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<uint32_t> src = random_row(rng, length);
            std::vector<uint8_t> fast = run(layout().convert, layout(), src);
            std::vector<uint8_t> ref = run(layout().reference, layout(), src);
            ASSERT_EQ(fast, ref) << layout().name << " length " << length;
            std::size_t end = 1 + std::size_t(length) * layout().bytesPerPixel;
            EXPECT_EQ(fast[0], GUARD);
            for (std::size_t i = end; i < fast.size(); ++i)
                ASSERT_EQ(fast[i], GUARD) << layout().name << " wrote past the row at " << i;
        }
    }
}

TEST_P(EveryLayout, ReferenceCutsEachChannelToTheMaskWidth) {
    std::mt19937 rng(99 + GetParam());
    std::vector<uint32_t> src = random_row(rng, 333);
    std::vector<uint8_t> out = run(layout().reference, layout(), src);
    for (int i = 0; i < int(src.size()); ++i)
        ASSERT_EQ(read_pixel(out.data() + 1, i, layout().bytesPerPixel),
                  pack_by_masks(layout(), src[i]))
            << layout().name << " pixel " << std::hex << src[i];
}

TEST_P(EveryLayout, FastPathMatchesReferenceOnAFullFrameRow) {
    std::mt19937 rng(7);
    std::vector<uint32_t> src = random_row(rng, 320);
    EXPECT_EQ(run(layout().convert, layout(), src), run(layout().reference, layout(), src));
}

INSTANTIATE_TEST_SUITE_P(Converters, EveryLayout, ::testing::Range(0, PIXEL_LAYOUT_COUNT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = display_pixel_layouts()[info.param].name;
                             for (char& c : name)
                                 c = c == ' ' ? '_' : c;
                             return name;
                         });

struct EdgeCase {
    uint32_t source;
    uint32_t expected[PIXEL_LAYOUT_COUNT]; // in table order, read as little-endian values
};

// 24-bit values are the three bytes in memory order read little-endian: B,G,R -> 0xRRGGBB.
const EdgeCase EDGES[] = {
    {0x00FFFFFF, {0x00FFFFFF, 0x00FFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFF, 0xFFFF, 0x7FFF, 0x7FFF}},
    {0x00808080, {0x00808080, 0x00808080, 0x808080, 0x808080, 0x8410, 0x8410, 0x4210, 0x4210}},
    {0x00FF0000, {0x00FF0000, 0x000000FF, 0xFF0000, 0x0000FF, 0xF800, 0x001F, 0x7C00, 0x001F}},
    {0x12345678, {0x12345678, 0x00785634, 0x345678, 0x785634, 0x32AF, 0x7AA6, 0x194F, 0x3D46}},
    {0xFF000000, {0xFF000000, 0, 0, 0, 0, 0, 0, 0}},
};

TEST(PixelConvert, EdgeValuesInEveryLayoutAndEveryPosition) {
    for (const EdgeCase& edge : EDGES) {
        // 37 pixels: SIMD groups and a tail, so every code path sees the value.
        std::vector<uint32_t> src(37, edge.source);
        for (int l = 0; l < PIXEL_LAYOUT_COUNT; ++l) {
            const PixelLayout& layout = display_pixel_layouts()[l];
            for (PixelConverter convert : {layout.convert, layout.reference}) {
                std::vector<uint8_t> out = run(convert, layout, src);
                for (int i = 0; i < 37; ++i)
                    ASSERT_EQ(read_pixel(out.data() + 1, i, layout.bytesPerPixel), edge.expected[l])
                        << layout.name << " source " << std::hex << edge.source << " pixel "
                        << std::dec << i;
            }
        }
    }
}

TEST(PixelConvert, TwentyFourBitByteOrder) {
    const uint32_t src[1] = {0x00112233};
    uint8_t out[3];
    display_convert_24_rgb(src, out, 1);
    EXPECT_EQ(out[0], 0x33);
    EXPECT_EQ(out[1], 0x22);
    EXPECT_EQ(out[2], 0x11);
    display_convert_24_bgr(src, out, 1);
    EXPECT_EQ(out[0], 0x11);
    EXPECT_EQ(out[2], 0x33);
}

TEST(PixelConvert, NegativeCountWritesNothing) {
    const uint32_t src[1] = {0x00FFFFFF};
    for (int l = 0; l < PIXEL_LAYOUT_COUNT; ++l) {
        uint8_t out[8];
        std::memset(out, GUARD, sizeof out);
        display_pixel_layouts()[l].convert(src, out, -3);
        for (uint8_t b : out)
            EXPECT_EQ(b, GUARD);
    }
}

TEST(PickConverter, EachTableRowSelectsItsConverter) {
    const PixelConverter expected[PIXEL_LAYOUT_COUNT] = {
        display_convert_32_rgb,    display_convert_32_bgr,    display_convert_24_rgb,
        display_convert_24_bgr,    display_convert_16_rgb565, display_convert_16_bgr565,
        display_convert_16_rgb555, display_convert_16_bgr555,
    };
    struct Row {
        int bits;
        uint32_t r, g, b;
    };
    const Row rows[PIXEL_LAYOUT_COUNT] = {
        {32, 0xFF0000, 0x00FF00, 0x0000FF}, {32, 0x0000FF, 0x00FF00, 0xFF0000},
        {24, 0xFF0000, 0x00FF00, 0x0000FF}, {24, 0x0000FF, 0x00FF00, 0xFF0000},
        {16, 0xF800, 0x07E0, 0x001F},       {16, 0x001F, 0x07E0, 0xF800},
        {16, 0x7C00, 0x03E0, 0x001F},       {16, 0x001F, 0x03E0, 0x7C00},
    };
    for (int i = 0; i < PIXEL_LAYOUT_COUNT; ++i)
        EXPECT_EQ(display_pick_converter(rows[i].bits, rows[i].r, rows[i].g, rows[i].b),
                  expected[i])
            << "row " << i;
}

TEST(PickConverter, NearMissesYieldNone) {
    struct Row {
        int bits;
        uint32_t r, g, b;
    };
    const Row misses[] = {
        {16, 0xF800, 0x03E0, 0x001F},       // 565 red and blue with 555 green
        {16, 0x7C00, 0x07E0, 0x001F},       // 555 red with 565 green
        {15, 0x7C00, 0x03E0, 0x001F},       // the 555 masks at SDL's depth of 15
        {16, 0xFF0000, 0x00FF00, 0x0000FF}, // 32-bit masks at 16 bits
        {24, 0xF800, 0x07E0, 0x001F},       // 565 masks at 24 bits
        {32, 0xFF0000, 0x00FF00, 0x0000FE}, // one bit short
        {32, 0xFF000000, 0x00FF0000, 0x0000FF00},
        {32, 0, 0, 0},
        {8, 0xE0, 0x1C, 0x03}, // 8-bit direct colour
        {8, 0, 0, 0},          // 8-bit palette
    };
    for (const Row& m : misses)
        EXPECT_EQ(display_pick_converter(m.bits, m.r, m.g, m.b), nullptr)
            << m.bits << " " << std::hex << m.r << "/" << m.g << "/" << m.b;
}

} // namespace
