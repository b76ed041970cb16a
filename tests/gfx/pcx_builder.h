#pragma once
// Builds PCX files in memory for the decoder tests.

#include <cstdint>
#include <vector>

namespace vorru_test {

struct PcxHeader {
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int planes = 1, bytesPerLine = 0, bitsPerPixel = 8, encoding = 1;
};

// Header, the given run-length data, and for `withPalette` the 0x0C marker and a palette
// whose entry i is red i, green 255 - i, blue i ^ 0x55.
inline std::vector<uint8_t> make_pcx(const PcxHeader& h, const std::vector<uint8_t>& data,
                                     bool withPalette) {
    std::vector<uint8_t> f(128, 0);
    const int words[][2] = {
        {4, h.xmin}, {6, h.ymin}, {8, h.xmax}, {10, h.ymax}, {66, h.bytesPerLine}};
    for (const auto& w : words) {
        f[w[0]] = uint8_t(w[1]);
        f[w[0] + 1] = uint8_t(w[1] >> 8);
    }
    f[0] = 10;
    f[1] = 5;
    f[2] = uint8_t(h.encoding);
    f[3] = uint8_t(h.bitsPerPixel);
    f[65] = uint8_t(h.planes);
    f.insert(f.end(), data.begin(), data.end());
    if (withPalette) {
        f.push_back(0x0C);
        for (int i = 0; i < 256; ++i)
            f.insert(f.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x55)});
    }
    return f;
}

// The pixel word of palette entry i of make_pcx's palette.
inline uint32_t palette_word(int i) {
    return uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i ^ 0x55);
}

} // namespace vorru_test
