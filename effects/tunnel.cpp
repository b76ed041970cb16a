// The tunnel and the radial warp: start-up tables and the two per-frame texture mappers.
#include "effects/tunnel.h"

#include <cmath>
#include <cstddef>

#include "gfx/bitmap.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define WARP_SSE2 1
#endif

namespace {

constexpr int PIXELS = WARP_WIDTH * WARP_HEIGHT;
constexpr double STEP_1024 = 0.006135923151542565; // 2 pi / 1024
constexpr double STEP_256 = 0.02454369260617026;   // 2 pi / 256
constexpr double ANGLE_SCALE = 40.74366543152521;  // 128 / pi

int32_t clamp_byte(int32_t v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

#if !WARP_SSE2
// Bytes 0..2 of `texel` times k, each shifted right by 8, with byte 3 taken from `keep`.
// Blue and red share one multiply: each product stays below 65536, inside its 16-bit half.
inline uint32_t shade(uint32_t texel, uint32_t k, uint32_t keep) {
    const uint32_t rb = (((texel & 0x00FF00FFu) * k) >> 8) & 0x00FF00FFu;
    const uint32_t g = (((texel & 0x0000FF00u) * k) >> 8) & 0x0000FF00u;
    return rb | g | (keep & 0xFF000000u);
}
#endif

// out[0..3] = shade(texels[index[i]], shades[i] & 255, out[i]) for four pixels at once.
inline void shade4(const uint32_t* texels, const uint32_t* index, const int32_t* shades,
                   uint32_t* out) {
#if WARP_SSE2
    const __m128i t =
        _mm_set_epi32(static_cast<int>(texels[index[3]]), static_cast<int>(texels[index[2]]),
                      static_cast<int>(texels[index[1]]), static_cast<int>(texels[index[0]]));
    __m128i k = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(shades)),
                              _mm_set1_epi32(255));
    // Each pixel's k in all four of its 16-bit lanes.
    k = _mm_packs_epi32(k, k);
    k = _mm_unpacklo_epi16(k, k);
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi32(k, k)), 8);
    const __m128i hi =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi32(k, k)), 8);
    const __m128i byte3 = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    const __m128i r =
        _mm_or_si128(_mm_andnot_si128(byte3, _mm_packus_epi16(lo, hi)), _mm_and_si128(byte3, d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
#else
    for (int i = 0; i < 4; ++i)
        out[i] = shade(texels[index[i]], static_cast<uint32_t>(shades[i]) & 255, out[i]);
#endif
}

bool texture_usable(const Bitmap& tex) {
    return tex.pixels && tex.width >= WARP_TEXTURE_SIZE && tex.height >= WARP_TEXTURE_SIZE;
}

} // namespace

int32_t* tunnelAngle = nullptr;
int32_t* tunnelDepth = nullptr;
int32_t* tunnelShade = nullptr;
uint8_t* radialDistance = nullptr;
int32_t* radialShade = nullptr;

void initWarpTables() {
    delete[] tunnelAngle;
    delete[] tunnelDepth;
    delete[] tunnelShade;
    delete[] radialDistance;
    delete[] radialShade;
    tunnelAngle = new int32_t[PIXELS];
    tunnelDepth = new int32_t[PIXELS];
    tunnelShade = new int32_t[PIXELS];
    radialDistance = new uint8_t[PIXELS];
    radialShade = new int32_t[PIXELS];

    for (int y = 0; y < WARP_HEIGHT; ++y) {
        for (int x = 0; x < WARP_WIDTH; ++x) {
            const int j = y * WARP_WIDTH + x;
            const double dx = x - 160;
            const double dy = y - 120;
            // The 0.5 on dx squared makes the tube wider than high.
            const double z = std::sin(std::sqrt(0.5 * dx * dx + dy * dy) * STEP_1024) * 256;
            // atan2 in double: single precision moves pixels on the diagonals.
            tunnelAngle[j] = static_cast<int32_t>(std::atan2(dx, dy) * ANGLE_SCALE);
            tunnelDepth[j] = static_cast<int32_t>(z) == 0 ? 10240 : static_cast<int32_t>(10240 / z);
            const double r = std::sqrt(dx * dx + dy * dy);
            tunnelShade[j] = clamp_byte(static_cast<int32_t>(r * r * 256 * 3.992972368631209e-05));
        }
    }

    // Kept literally: about 50 shades sit on an integer boundary, and this is 24320 less a
    // rounding error, not 24320.
    const double norm = std::pow(std::sqrt(32320.0), 2) - 8000;
    int j = 0;
    for (int y = -120; y < 120; ++y) {
        for (int x = -160; x < 160; ++x, ++j) {
            radialDistance[j] =
                static_cast<uint8_t>(static_cast<int32_t>(std::sqrt(double(x * x + y * y))));
            const double e = std::pow(std::sqrt(0.7 * x * x + y * y), 2);
            radialShade[j] = clamp_byte(static_cast<int32_t>(e * 256 / norm - 60));
        }
    }
}

void drawTunnel(int32_t angleShift, int32_t depthShift, const Bitmap& tex, Bitmap& dst) {
    if (!tunnelAngle || !texture_usable(tex) || !dst.pixels || dst.width < WARP_WIDTH ||
        dst.height < WARP_HEIGHT)
        return;
    const uint32_t a = static_cast<uint32_t>(angleShift);
    const uint32_t b = static_cast<uint32_t>(depthShift);
    const uint32_t* texels = tex.pixels;
    uint32_t* out = dst.pixels;
    uint32_t index[4];
    for (int j = 0; j < PIXELS; j += 4) {
        for (int i = 0; i < 4; ++i) {
            const uint32_t v = (static_cast<uint32_t>(tunnelDepth[j + i]) + b) & 255;
            const uint32_t u = (static_cast<uint32_t>(tunnelAngle[j + i]) + a) & 255;
            index[i] = v * 256 + u;
        }
        shade4(texels, index, tunnelShade + j, out + j);
    }
}

void drawRadialWarp(uint8_t phase, const Bitmap& tex, Bitmap& dst, int32_t firstRow) {
    if (!radialDistance || !texture_usable(tex) || !dst.pixels || dst.width < WARP_WIDTH ||
        firstRow < 0 || dst.height - firstRow < WARP_HEIGHT)
        return;
    const double p = phase * STEP_256;
    const double rowAmp = std::cos(p) * -400;
    const double colAmp = std::sin(p) * 350;
    uint8_t rowOffset[256];
    uint8_t colOffset[256];
    for (int i = 0; i < 256; ++i) {
        const double t = i * STEP_1024;
        rowOffset[i] = static_cast<uint8_t>(static_cast<int32_t>(std::sin(t) * rowAmp));
        colOffset[i] = static_cast<uint8_t>(static_cast<int32_t>(std::cos(t) * colAmp));
    }
    const uint32_t* texels = tex.pixels;
    uint32_t* out = dst.pixels + static_cast<size_t>(firstRow) * dst.width;
    uint32_t index[4];
    int j = 0;
    for (uint32_t y = 0; y < WARP_HEIGHT; ++y) {
        for (uint32_t x = 0; x < WARP_WIDTH; x += 4, j += 4) {
            for (uint32_t i = 0; i < 4; ++i) {
                const uint8_t d = radialDistance[j + i];
                const uint32_t v = (rowOffset[d] + y) & 255;
                const uint32_t u = (colOffset[d] + x + i) & 255;
                index[i] = v * 256 + u;
            }
            shade4(texels, index, radialShade + j, out + j);
        }
    }
}
