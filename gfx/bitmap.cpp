// Bitmap construction, fill, colour keying, and the clipped and scaled blits with their four
// pixel modes. The PCX loader is in pcx.cpp.

#include "gfx/bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The words a bitmap of this size owns; 0 for a negative side.
size_t pixel_count(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0)
        return 0;
    return size_t(width) * size_t(height);
}

// Bytes 0..2: d keeps f/256 of itself and takes (256 - f)/256 of s; byte 3 of d stays.
// Red and blue are weighed together: each product fits its own 16 bits, so every byte is
// truncated exactly as on its own, and the two sums per byte cannot exceed 255.
inline uint32_t blend(uint32_t d, uint32_t s, uint32_t f) {
    const uint32_t g = 256 - f;
    const uint32_t rb =
        ((((d & 0xFF00FFu) * f) >> 8) & 0xFF00FFu) + ((((s & 0xFF00FFu) * g) >> 8) & 0xFF00FFu);
    const uint32_t gr =
        ((((d & 0xFF00u) * f) >> 8) & 0xFF00u) + ((((s & 0xFF00u) * g) >> 8) & 0xFF00u);
    return (d & 0xFF000000u) | rb | gr;
}

// Fade levels beyond 0..255 are never used; clamping keeps the arithmetic in range.
uint32_t blend_weight(int32_t fadeLevel) {
    return fadeLevel < 0 ? 0u : fadeLevel > 255 ? 255u : uint32_t(fadeLevel);
}

enum class Mode { COPY, BLEND, MASK, BLEND_SKIP_ZERO };

// A keyed flag set by hand without a mask copies opaquely: there is no mask to apply.
Mode choose_mode(const Bitmap& b) {
    if (b.keyed == 0)
        return b.fadeLevel == 0 ? Mode::COPY : Mode::BLEND;
    if (b.fadeLevel != 0)
        return Mode::BLEND_SKIP_ZERO;
    return b.mask ? Mode::MASK : Mode::COPY;
}

// The visible part of a blit: source rows skipTop..rowEnd-1, columns skipLeft..colEnd-1.
struct Clip {
    int64_t skipTop, rowEnd, skipLeft, colEnd;
    bool empty() const { return skipTop >= rowEnd || skipLeft >= colEnd; }
};

// One axis of the clip. `pos` is the stored coordinate; a negative one is written back as 0.
// Returns false when the blit is rejected.
bool clip_axis(int32_t& pos, int64_t extent, int64_t dstExtent, int64_t& skip, int64_t& end) {
    skip = 0;
    if (pos < 0) {
        if (-int64_t(pos) > extent)
            return false;
        skip = -int64_t(pos);
        pos = 0;
    }
    // The clamped position is the one that counts here, so the end is never past dstExtent.
    end = extent;
    if (pos + extent > dstExtent)
        end = std::min(extent, dstExtent - pos + skip);
    return true;
}

// Stores (px, py) and clips a `w` x `h` image against dst. Returns false when rejected.
bool clip_blit(int32_t& x, int32_t& y, int32_t px, int32_t py, int64_t w, int64_t h,
               const Bitmap& dst, Clip& c) {
    x = px;
    y = py;
    if (x > dst.width || y > dst.height)
        return false;
    return clip_axis(y, h, dst.height, c.skipTop, c.rowEnd) &&
           clip_axis(x, w, dst.width, c.skipLeft, c.colEnd);
}

} // namespace

Bitmap::Bitmap()
    : width(0), height(0), x(0), y(0), drawWidth(0), drawHeight(0), fadeLevel(0), keyed(0),
      pixels(nullptr), mask(nullptr) {
    std::printf("created new bitmap object\n");
}

Bitmap::Bitmap(int32_t w, int32_t h)
    : width(w < 0 ? 0 : w), height(h < 0 ? 0 : h), x(0), y(0), drawWidth(width), drawHeight(height),
      fadeLevel(0), keyed(0), pixels(new uint32_t[pixel_count(w, h)]()), mask(nullptr) {
    std::printf("created new bitmap object. width: %i, height: %i\n", width, height);
}

Bitmap::~Bitmap() {
    delete[] pixels;
    delete[] mask;
    std::printf("deleted bitmap object\n");
}

int Bitmap::fill(uint32_t value) {
    if (pixels) {
        const size_t n = pixel_count(width, height);
        for (size_t i = 0; i < n; ++i)
            pixels[i] = value;
    }
    return 1;
}

int Bitmap::clear() {
    return fill(0);
}

void Bitmap::setColorKey(uint32_t key) {
    delete[] mask;
    const size_t n = pixels ? pixel_count(width, height) : 0;
    mask = new uint32_t[n];
    for (size_t i = 0; i < n; ++i) {
        // Black must stay visible when something else is the key.
        if (pixels[i] == 0 && key != 0)
            pixels[i] = 1;
        if (pixels[i] == key) {
            pixels[i] = 0;
            mask[i] = 0xFFFFFFFFu;
        } else {
            mask[i] = 0;
        }
    }
    keyed = 1;
}

int Bitmap::draw(Bitmap* dst) {
    return drawAt(x, y, dst);
}

int Bitmap::drawAt(int32_t px, int32_t py, Bitmap* dst) {
    if (!dst)
        return 0;
    Clip c;
    if (!clip_blit(x, y, px, py, width, height, *dst, c))
        return 0;
    if (c.empty() || !pixels || !dst->pixels)
        return 1;

    const Mode mode = choose_mode(*this);
    const uint32_t f = blend_weight(fadeLevel);
    const int64_t cols = c.colEnd - c.skipLeft;
    uint32_t* d = dst->pixels + (int64_t(y) * dst->width + x);
    for (int64_t r = c.skipTop; r < c.rowEnd; ++r, d += dst->width) {
        const uint32_t* s = pixels + r * width + c.skipLeft;
        const uint32_t* m = mask ? mask + r * width + c.skipLeft : nullptr;
        switch (mode) {
        case Mode::COPY:
            std::memcpy(d, s, size_t(cols) * sizeof *d);
            break;
        case Mode::BLEND:
            for (int64_t i = 0; i < cols; ++i)
                d[i] = blend(d[i], s[i], f);
            break;
        case Mode::MASK:
            for (int64_t i = 0; i < cols; ++i)
                d[i] = (d[i] & m[i]) | s[i];
            break;
        case Mode::BLEND_SKIP_ZERO:
            for (int64_t i = 0; i < cols; ++i)
                if (s[i] != 0)
                    d[i] = blend(d[i], s[i], f);
            break;
        }
    }
    return 1;
}

int Bitmap::drawScaled(Bitmap* dst) {
    if (!dst)
        return 0;
    Clip c;
    if (!clip_blit(x, y, x, y, drawWidth, drawHeight, *dst, c))
        return 0;
    if (c.empty() || !pixels || !dst->pixels || width <= 0 || height <= 0)
        return 0;

    const float stepX = float(width) / float(drawWidth);
    const float stepY = float(height) / float(drawHeight);
    // Source columns are the same for every row: work them out once. The min() only guards
    // against rounding at the last column; exact quotients never reach it.
    std::vector<int32_t> srcCol(size_t(c.colEnd - c.skipLeft));
    double fx = c.skipLeft * stepX;
    for (int32_t& col : srcCol) {
        col = std::min(int32_t(fx), width - 1);
        fx += stepX;
    }

    const uint32_t f = blend_weight(fadeLevel);
    const uint32_t* const src = pixels;
    const uint32_t* const msk = mask;
    uint32_t* const dstRow0 = dst->pixels + (int64_t(y) * dst->width + x);
    const int64_t dstWidth = dst->width;
    const int64_t srcWidth = width;
    const int64_t lastRow = int64_t(height) - 1;
    const int64_t skipTop = c.skipTop, rowEnd = c.rowEnd;
    // The mode is fixed per call: each one gets its own inner loop.
    auto rows = [&](auto op) {
        double fy = skipTop * stepY;
        uint32_t* d = dstRow0;
        for (int64_t r = skipTop; r < rowEnd; ++r, d += dstWidth, fy += stepY) {
            const int64_t row = std::min(int64_t(fy), lastRow) * srcWidth;
            size_t i = 0;
            for (int32_t col : srcCol)
                op(d[i++], row + col);
        }
    };
    switch (choose_mode(*this)) {
    case Mode::COPY:
        rows([&](uint32_t& d, int64_t k) { d = src[k]; });
        break;
    case Mode::MASK:
        rows([&](uint32_t& d, int64_t k) { d = (d & msk[k]) | src[k]; });
        break;
    case Mode::BLEND:
    case Mode::BLEND_SKIP_ZERO: // scaled keyed fades blend every sample, keyed-out ones too
        rows([&](uint32_t& d, int64_t k) { d = blend(d, src[k], f); });
        break;
    }
    return 0;
}
