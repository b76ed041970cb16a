// Converters: fast paths against the per-pixel reference, the reference against an oracle built
// from the layout's masks, the tabled edge values, and converter selection.
#include "display/pixel_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr uint8_t GUARD = 0xA5;

// Packs one source pixel by the layout's masks alone: each channel keeps its top bits; only the
// 32-bit RGB layout, a plain copy, keeps byte 3.
uint32_t pack_by_masks(const PixelLayout& layout, uint32_t p) {
    const uint32_t masks[3] = {layout.redMask, layout.greenMask, layout.blueMask};
    uint32_t v = layout.convert == display_convert_32_rgb ? p & 0xFF000000u : 0;
    for (int c = 0; c < 3; ++c)
        v |= ((p >> (16 - 8 * c)) & 0xFF) >> (8 - __builtin_popcount(masks[c]))
                                                 << __builtin_ctz(masks[c]);
    return v;
}

uint32_t read_pixel(const std::vector<uint8_t>& out, int i, int bytes) {
    uint32_t v = 0;
    for (int b = 0; b < bytes; ++b)
        v |= uint32_t(out[1 + i * bytes + b]) << (8 * b);
    return v;
}

// Runs a converter into a buffer with guard bytes on both sides, at an odd address.
std::vector<uint8_t> run(PixelConverter convert, const PixelLayout& layout,
                         const std::vector<uint32_t>& src, int count) {
    std::vector<uint8_t> out(src.size() * layout.bytesPerPixel + 1 + 64, GUARD);
    convert(src.data(), out.data() + 1, count);
    return out;
}

TEST(PixelConvert, FastPathsMatchTheReferenceAndWriteNothingPastTheRow) {
    std::mt19937 rng(1234);
    for (int l = 0; l < PIXEL_LAYOUT_COUNT; ++l) {
        const PixelLayout& layout = display_pixel_layouts()[l];
        for (int length = -3; length <= 41; ++length) {    // 41 stands for a full 320 row
            const int count = length == 41 ? 320 : length; // negative counts write nothing
            std::vector<uint32_t> src(std::max(count, 0));
            for (int trial = 0; trial < 4; ++trial) {
                for (uint32_t& p : src)
                    p = rng();
                const std::vector<uint8_t> fast = run(layout.convert, layout, src, count);
                ASSERT_EQ(fast, run(layout.reference, layout, src, count))
                    << layout.name << " length " << length;
                const size_t end = 1 + src.size() * layout.bytesPerPixel;
                ASSERT_EQ(fast[0], GUARD) << layout.name;
                ASSERT_EQ(std::vector<uint8_t>(fast.begin() + end, fast.end()),
                          std::vector<uint8_t>(64, GUARD))
                    << layout.name << " wrote past the row at " << length;
                for (int i = 0; i < int(src.size()); ++i)
                    ASSERT_EQ(read_pixel(fast, i, layout.bytesPerPixel),
                              pack_by_masks(layout, src[i]))
                        << layout.name << " pixel " << std::hex << src[i];
            }
        }
    }
}

TEST(PixelConvert, EdgeValuesInEveryLayoutAndEveryPosition) {
    // In table order, read as little-endian values (24-bit B,G,R in memory reads 0xRRGGBB).
    const struct {
        uint32_t source, expected[PIXEL_LAYOUT_COUNT];
    } edges[] = {
        {0x00FFFFFF, {0x00FFFFFF, 0x00FFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFF, 0xFFFF, 0x7FFF, 0x7FFF}},
        {0x00808080, {0x00808080, 0x00808080, 0x808080, 0x808080, 0x8410, 0x8410, 0x4210, 0x4210}},
        {0x00FF0000, {0x00FF0000, 0x000000FF, 0xFF0000, 0x0000FF, 0xF800, 0x001F, 0x7C00, 0x001F}},
        {0x12345678, {0x12345678, 0x00785634, 0x345678, 0x785634, 0x32AF, 0x7AA6, 0x194F, 0x3D46}},
        {0xFF000000, {0xFF000000, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& edge : edges) {
        const std::vector<uint32_t> src(37, edge.source); // SIMD groups and a tail
        for (int l = 0; l < PIXEL_LAYOUT_COUNT; ++l) {
            const PixelLayout& layout = display_pixel_layouts()[l];
            for (PixelConverter convert : {layout.convert, layout.reference}) {
                const std::vector<uint8_t> out = run(convert, layout, src, 37);
                for (int i = 0; i < 37; ++i)
                    ASSERT_EQ(read_pixel(out, i, layout.bytesPerPixel), edge.expected[l])
                        << layout.name << " source " << std::hex << edge.source << " pixel " << i;
            }
        }
    }
}

TEST(PickConverter, EachTableRowAndNoNearMiss) {
    const struct {
        int bits;
        uint32_t r, g, b;
        PixelConverter want;
    } rows[] = {
        {32, 0xFF0000, 0x00FF00, 0x0000FF, display_convert_32_rgb},
        {32, 0x0000FF, 0x00FF00, 0xFF0000, display_convert_32_bgr},
        {24, 0xFF0000, 0x00FF00, 0x0000FF, display_convert_24_rgb},
        {24, 0x0000FF, 0x00FF00, 0xFF0000, display_convert_24_bgr},
        {16, 0xF800, 0x07E0, 0x001F, display_convert_16_rgb565},
        {16, 0x001F, 0x07E0, 0xF800, display_convert_16_bgr565},
        {16, 0x7C00, 0x03E0, 0x001F, display_convert_16_rgb555},
        {16, 0x001F, 0x03E0, 0x7C00, display_convert_16_bgr555},
        {16, 0xF800, 0x03E0, 0x001F, nullptr},       // 565 red and blue with 555 green
        {16, 0x7C00, 0x07E0, 0x001F, nullptr},       // 555 red with 565 green
        {15, 0x7C00, 0x03E0, 0x001F, nullptr},       // the 555 masks at SDL's depth of 15
        {16, 0xFF0000, 0x00FF00, 0x0000FF, nullptr}, // 32-bit masks at 16 bits
        {24, 0xF800, 0x07E0, 0x001F, nullptr},
        {32, 0xFF0000, 0x00FF00, 0x0000FE, nullptr}, // one bit short
        {32, 0xFF000000, 0x00FF0000, 0x0000FF00, nullptr},
        {8, 0xE0, 0x1C, 0x03, nullptr}, // 8-bit direct colour
        {8, 0, 0, 0, nullptr},          // 8-bit palette
    };
    for (const auto& row : rows)
        EXPECT_EQ(display_pick_converter(row.bits, row.r, row.g, row.b), row.want)
            << row.bits << " " << std::hex << row.r << "/" << row.g << "/" << row.b;
}

} // namespace
