// Row darkening and the in-place blur.
#include "effects/filters.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "gfx/bitmap.h"

int darkenRows(int32_t y, int32_t count, int32_t amount, Bitmap& bmp) {
    if (y < 0 || y >= bmp.height || !bmp.pixels)
        return 0;
    if (count <= 0 || bmp.width <= 0)
        return 1;
    const int32_t rows = count > bmp.height - y ? bmp.height - y : count;
    uint8_t* bytes =
        reinterpret_cast<uint8_t*>(bmp.pixels) + static_cast<size_t>(y) * bmp.width * 4;
    const size_t n = static_cast<size_t>(rows) * bmp.width * 4;
    if (amount >= 255) {
        std::memset(bytes, 0, n);
    } else if (amount >= 0) {
        // A saturating subtract; written so that the compiler vectorises it.
        const uint8_t a = static_cast<uint8_t>(amount);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t b = bytes[i];
            bytes[i] = static_cast<uint8_t>(b >= a ? b - a : 0);
        }
    } else {
        const uint8_t up = static_cast<uint8_t>(0u - static_cast<uint32_t>(amount));
        for (size_t i = 0; i < n; ++i)
            bytes[i] = static_cast<uint8_t>(bytes[i] + up);
    }
    return 1;
}

// The blur's recurrence, new[i] = (old[i] + ((up + down + new[i-4] + right) >> 2)) >> 1 with
// up already blurred, equals (4 old[i] + up + down + right + new[i-4]) >> 3 because nested
// floor divisions of a non-negative integer combine. So each row first gathers
// t = 4 old + up + down + right for all its bytes (vectorisable), and then only the left
// neighbour remains as a serial chain: new = (t + left) >> 3, one pixel's four bytes at a
// time in 16-bit lanes of a 64-bit word, two pixels per step: (8 t1 + t0 + left) >> 6.
void blurBitmap(Bitmap& bmp) {
    if (bmp.height < 3 || bmp.width <= 0 || !bmp.pixels)
        return;
    const size_t w = static_cast<size_t>(bmp.width) * 4;
    uint8_t* b = reinterpret_cast<uint8_t*>(bmp.pixels);
    std::vector<uint16_t> t(w);
    std::vector<uint16_t> out(w);
    const uint64_t lanes = 0x00FF00FF00FF00FFull;
    const size_t pixelsPerRow = static_cast<size_t>(bmp.width);

    // The left neighbour of row 1's first pixel is row 0's last pixel.
    uint16_t first[4];
    for (int k = 0; k < 4; ++k)
        first[k] = b[w - 4 + k];
    uint64_t left;
    std::memcpy(&left, first, 8);

    for (int32_t r = 1; r < bmp.height - 1; ++r) {
        uint8_t* row = b + static_cast<size_t>(r) * w;
        const uint8_t* up = row - w;
        const uint8_t* down = row + w;
        // row[i + 4] of the last pixel is the next row's first pixel, not yet blurred.
        for (size_t i = 0; i < w; ++i)
            t[i] = static_cast<uint16_t>(4 * row[i] + up[i] + down[i] + row[i + 4]);

        size_t p = 0;
        for (; p + 2 <= pixelsPerRow; p += 2) {
            uint64_t t0, t1;
            std::memcpy(&t0, &t[4 * p], 8);
            std::memcpy(&t1, &t[4 * p + 4], 8);
            const uint64_t n0 = ((t0 + left) >> 3) & lanes;
            left = (((t1 << 3) + t0 + left) >> 6) & lanes;
            std::memcpy(&out[4 * p], &n0, 8);
            std::memcpy(&out[4 * p + 4], &left, 8);
        }
        if (p < pixelsPerRow) {
            uint64_t t0;
            std::memcpy(&t0, &t[4 * p], 8);
            left = ((t0 + left) >> 3) & lanes;
            std::memcpy(&out[4 * p], &left, 8);
        }
        for (size_t i = 0; i < w; ++i)
            row[i] = static_cast<uint8_t>(out[i]);
    }
}
