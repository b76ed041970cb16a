// The PPM writer behind the test-only front-surface read-back.
#include "display/win32/win32_snapshot.h"

#include <cstdio>
#include <vector>

namespace {

// The channel under `mask` scaled to 0..255 (a 5-bit 31 becomes 255).
uint8_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u))
        shift++;
    const uint32_t max = mask >> shift;
    return uint8_t(uint64_t((pixel & mask) >> shift) * 255u / max);
}

} // namespace

bool win32_write_snapshot(const char* path, const uint8_t* surface, int width, int height,
                          int pitch, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask) {
    if (!path || !surface || width <= 0 || height <= 0)
        return false;
    if (bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    const int bytes = bitCount / 8;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = surface + std::ptrdiff_t(y) * pitch;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            for (int i = 0; i < bytes; ++i)
                pixel |= uint32_t(row[x * bytes + i]) << (8 * i);
            uint8_t* out = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            out[0] = channel(pixel, redMask);
            out[1] = channel(pixel, greenMask);
            out[2] = channel(pixel, blueMask);
        }
    }
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    return std::fclose(f) == 0 && ok;
}
