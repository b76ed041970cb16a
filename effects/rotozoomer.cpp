// The rotozoomer: per-column terms once per call, per-row terms once per row, and an inner
// loop of two adds, two shifts and a bounds test.
#include "effects/rotozoomer.h"

#include <cmath>
#include <vector>

#include "gfx/bitmap.h"

RotoZoomer::RotoZoomer()
    : tiled(0), centreX(0), centreY(0), offsetX(0), offsetY(0),
      cosTable(new int32_t[ROTO_ANGLES]()), sinTable(new int32_t[ROTO_ANGLES]()) {}

RotoZoomer::~RotoZoomer() {
    delete[] cosTable;
    delete[] sinTable;
}

void RotoZoomer::init() {
    centreX = 160;
    centreY = 100;
    offsetX = 0;
    offsetY = 0;
    const double step = 0.006135923151542565; // 2 pi / 1024
    for (int i = 0; i < ROTO_ANGLES; ++i) {
        cosTable[i] = static_cast<int32_t>(std::cos(i * step) * 2048);
        sinTable[i] = static_cast<int32_t>(std::sin(i * step) * 2048);
    }
}

// Products are formed in 64 bits: identical to the 32-bit arithmetic wherever that does not
// overflow, and defined for centres or zooms far out of range. >> is an arithmetic shift.
void RotoZoomer::render(uint16_t angle, double zoom, const Bitmap& src, Bitmap& dst) {
    if (!dst.pixels || dst.width <= 0 || dst.height <= 0)
        return;
    if (angle > ROTO_ANGLES - 1)
        angle = ROTO_ANGLES - 1;
    const int64_t c = cosTable[angle];
    const int64_t s = sinTable[angle];
    const double zf = zoom * 2048;
    const int64_t z = (zf > -2147483648.0 && zf < 2147483647.0) ? static_cast<int32_t>(zf) : 0;
    const int64_t halfW = src.width / 2;
    const int64_t halfH = src.height / 2;

    if (tiled && (!src.pixels || src.width < 256 || src.height < 256))
        return;

    std::vector<int64_t> rowStart(src.height > 0 ? src.height : 0);
    for (int32_t r = 0; r < src.height; ++r)
        rowStart[r] = static_cast<int64_t>(r) * src.width;
    std::vector<int64_t> colU(dst.width);
    std::vector<int64_t> colV(dst.width);
    const int64_t baseU = (offsetX + halfW) * 2048;
    const int64_t baseV = (offsetY + halfH) * 2048;
    for (int32_t x = 0; x < dst.width; ++x) {
        const int64_t d = (static_cast<int64_t>(x) - centreX) * 2048;
        colU[x] = baseU + ((((c * d) >> 11) * z) >> 11);
        colV[x] = baseV + ((((s * d) >> 11) * z) >> 11);
    }

    const uint32_t* sp = src.pixels;
    const uint32_t* mask = src.keyed ? src.mask : nullptr;
    const int64_t sw = src.width;
    const int64_t sh = src.height;
    for (int32_t y = 0; y < dst.height; ++y) {
        const int64_t e = (static_cast<int64_t>(y) - centreY) * 2048;
        const int64_t rowU = (((s * e) >> 11) * z) >> 11;
        const int64_t rowV = (((c * e) >> 11) * z) >> 11;
        uint32_t* out = dst.pixels + static_cast<int64_t>(y) * dst.width;
        if (tiled) {
            for (int32_t x = 0; x < dst.width; ++x) {
                const int64_t u = ((colU[x] - rowU) >> 11) & 255;
                const int64_t v = ((colV[x] + rowV) >> 11) & 255;
                out[x] = sp[rowStart[v] + u];
            }
        } else if (mask) {
            for (int32_t x = 0; x < dst.width; ++x) {
                const int64_t u = (colU[x] - rowU) >> 11;
                const int64_t v = (colV[x] + rowV) >> 11;
                if (u > 0 && u < sw && v > 0 && v < sh) {
                    const int64_t i = rowStart[v] + u;
                    out[x] = (out[x] & mask[i]) | sp[i];
                }
            }
        } else {
            for (int32_t x = 0; x < dst.width; ++x) {
                const int64_t u = (colU[x] - rowU) >> 11;
                const int64_t v = (colV[x] + rowV) >> 11;
                if (u > 0 && u < sw && v > 0 && v < sh)
                    out[x] = sp[rowStart[v] + u];
            }
        }
    }
}
