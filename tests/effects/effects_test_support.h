#pragma once
// Test inputs for the effects: small PCX pictures built from pixel words, served through an
// in-memory store, and small bitmaps filled in code.

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/store/blob_builder.h"

namespace effects_test {

// A 1-plane 8-bit PCX of `pixels` (row-major words 0x00RRGGBB, at most 256 distinct colours)
// with its palette at the end. Every value is written as a run, so any index is safe.
inline std::vector<uint8_t> make_pcx(int width, int height, const std::vector<uint32_t> &pixels) {
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices;
    for (uint32_t p : pixels) {
        size_t i = 0;
        while (i < palette.size() && palette[i] != p)
            ++i;
        if (i == palette.size())
            palette.push_back(p);
        indices.push_back(uint8_t(i));
    }
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = 5;
    f[2] = 1;
    f[3] = 8;
    f[8] = uint8_t(width - 1);
    f[9] = uint8_t((width - 1) >> 8);
    f[10] = uint8_t(height - 1);
    f[11] = uint8_t((height - 1) >> 8);
    f[65] = 1;
    f[66] = uint8_t(width);
    f[67] = uint8_t(width >> 8);
    for (uint8_t v : indices) {
        f.push_back(0xC1);
        f.push_back(v);
    }
    f.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        const uint32_t p = i < int(palette.size()) ? palette[i] : 0;
        f.push_back(uint8_t(p >> 16));
        f.push_back(uint8_t(p >> 8));
        f.push_back(uint8_t(p));
    }
    return f;
}

// Keeps a blob alive and makes it the store's content.
struct Store {
    std::vector<uint8_t> blob;
    explicit Store(const std::vector<vorru_test::BlobEntry> &entries)
        : blob(vorru_test::build_blob(entries)) {
        fs_init(blob.data(), uint32_t(blob.size()));
    }
    ~Store() { fs_init(nullptr, 0); }
};

inline uint32_t pixel(const Bitmap &b, int x, int y) {
    return b.pixels[y * b.width + x];
}

} // namespace effects_test
