// Light blobs: grey cones built once, added into a frame with per-byte saturation.
#include "effects/blobs.h"

#include <cmath>
#include <cstring>

#include "gfx/bitmap.h"

namespace {

// Per-byte a + b, saturating at 255, for all four bytes of a word at once.
inline uint32_t add_saturate(uint32_t a, uint32_t b) {
    const uint32_t sum = ((a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu)) ^ ((a ^ b) & 0x80808080u);
    const uint32_t carry = ((a & b) | ((a | b) & ~sum)) & 0x80808080u;
    return sum | ((carry >> 7) * 0xFFu);
}

} // namespace

BlobSprites::BlobSprites()
    : images(nullptr), palette(new uint8_t[256 * 4]()), widths(nullptr), heights(nullptr),
      count(0) {}

BlobSprites::~BlobSprites() {
    release();
    delete[] palette;
}

void BlobSprites::release() {
    for (int32_t k = 0; k < count; ++k)
        delete[] images[k];
    delete[] images;
    delete[] widths;
    delete[] heights;
    images = nullptr;
    widths = nullptr;
    heights = nullptr;
    count = 0;
}

int BlobSprites::init(int32_t blobCount, int32_t maxSize) {
    release();
    for (int e = 0; e < 256; ++e) {
        palette[e * 4 + 0] = static_cast<uint8_t>(e);
        palette[e * 4 + 1] = static_cast<uint8_t>(e);
        palette[e * 4 + 2] = static_cast<uint8_t>(e);
        palette[e * 4 + 3] = 0;
    }
    if (blobCount < 1)
        return 1;

    images = new uint8_t*[blobCount]();
    widths = new int32_t[blobCount]();
    heights = new int32_t[blobCount]();
    count = blobCount;
    for (int32_t k = 0; k < blobCount; ++k) {
        const double kd = k;
        const double s = (kd / static_cast<double>(blobCount)) * static_cast<double>(maxSize);
        // The radius where the cone reaches 0: s * sqrt(2) / pi.
        const double radius = std::sqrt(2 * s * s) * 0.3183098861837907;
        const int32_t n = s > 0 ? static_cast<int32_t>(s) : 0;
        widths[k] = n;
        heights[k] = n;
        images[k] = new uint8_t[static_cast<size_t>(n) * n];
        // The centre uses the unrounded size, and pixels are sampled at their top-left corner.
        const double centre = s * 0.5;
        for (int32_t r = 0; r < n; ++r) {
            for (int32_t q = 0; q < n; ++q) {
                const double d =
                    std::sqrt((q - centre) * (q - centre) + (r - centre) * (r - centre));
                int32_t v = static_cast<int32_t>(kd - (d / radius) * kd);
                if (v < 0)
                    v = 0;
                images[k][static_cast<size_t>(r) * n + q] = static_cast<uint8_t>(v);
            }
        }
    }
    return 1;
}

int BlobSprites::draw(int32_t x, int32_t y, int32_t level, Bitmap& dst) {
    if (count < 1 || !dst.pixels || dst.width <= 0 || dst.height <= 0)
        return 1;
    const int32_t k = level < 0 ? 0 : (level >= count ? count - 1 : level);
    const int32_t w = widths[k];
    const int32_t h = heights[k];
    if (w == 0 || h == 0)
        return 1;

    // The placement wraps across rows like a flat walk through the buffer; only words that
    // fall outside the buffer are left out.
    const int64_t total = static_cast<int64_t>(dst.width) * dst.height;
    int64_t rowBase =
        (static_cast<int64_t>(y) - h / 2) * dst.width + (static_cast<int64_t>(x) - w / 2);
    const uint8_t* src = images[k];
    for (int32_t r = 0; r < h; ++r, rowBase += dst.width, src += w) {
        const int64_t lo = rowBase < 0 ? -rowBase : 0;
        const int64_t hi = total - rowBase < w ? total - rowBase : w;
        for (int64_t q = lo; q < hi; ++q) {
            uint32_t a;
            std::memcpy(&a, palette + src[q] * 4, 4);
            a &= 0x00FFFFFFu; // byte 3 of the destination is never touched
            if (a)
                dst.pixels[rowBase + q] = add_saturate(dst.pixels[rowBase + q], a);
        }
    }
    return 1;
}
