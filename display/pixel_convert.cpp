// Fast row converters and the layout table. With SSE2 each converter handles groups of pixels
// in 128-bit registers and leaves the row's tail to the per-pixel reference, so results are
// identical byte for byte; without SSE2 the reference does the whole row.
#include "display/pixel_convert.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "display/pixel_convert_reference.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

#ifdef __SSE2__

inline __m128i load4(const uint32_t* src) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
}

inline void store16b(uint8_t* dst, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
}

// 0x..RRGGBB -> 0x00BBGGRR in every 32-bit lane: the lane shifts drop what moves out.
inline __m128i swap_red_blue(__m128i v) {
    __m128i rb = _mm_and_si128(v, _mm_set1_epi32(0x00FF00FF));
    __m128i g = _mm_and_si128(v, _mm_set1_epi32(0x0000FF00));
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16)), g);
}

// Four pixels whose byte 3 is zero -> their low three bytes at dst[0..11]. Two 8-byte stores
// that also write two zero bytes at dst[12..13], so the caller must convert at least one more
// pixel of the row afterwards, which overwrites them.
inline void store_three_byte_quad(uint8_t* dst, __m128i v) {
    const __m128i low32 = _mm_set_epi32(0, -1, 0, -1);
    const __m128i high40 = _mm_set_epi32(-1, int(0xFF000000u), -1, int(0xFF000000u));
    // In each 64-bit half: p0 | p1 << 24.
    __m128i pairs =
        _mm_or_si128(_mm_and_si128(v, low32), _mm_and_si128(_mm_srli_epi64(v, 8), high40));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), pairs);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 6), _mm_srli_si128(pairs, 8));
}

// Eight 32-bit lanes holding 16-bit values -> eight packed 16-bit words. The values are sign
// extended first so that the saturating pack keeps all 16 bits.
inline __m128i narrow16(__m128i a, __m128i b) {
    a = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
    b = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
    return _mm_packs_epi32(a, b);
}

inline __m128i rgb565(__m128i v) {
    __m128i r = _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0xF800));
    __m128i g = _mm_and_si128(_mm_srli_epi32(v, 5), _mm_set1_epi32(0x07E0));
    __m128i b = _mm_and_si128(_mm_srli_epi32(v, 3), _mm_set1_epi32(0x001F));
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

inline __m128i bgr565(__m128i v) {
    __m128i r = _mm_and_si128(_mm_srli_epi32(v, 19), _mm_set1_epi32(0x001F));
    __m128i g = _mm_and_si128(_mm_srli_epi32(v, 5), _mm_set1_epi32(0x07E0));
    __m128i b = _mm_and_si128(_mm_slli_epi32(v, 8), _mm_set1_epi32(0xF800));
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

inline __m128i rgb555(__m128i v) {
    __m128i r = _mm_and_si128(_mm_srli_epi32(v, 9), _mm_set1_epi32(0x7C00));
    __m128i g = _mm_and_si128(_mm_srli_epi32(v, 6), _mm_set1_epi32(0x03E0));
    __m128i b = _mm_and_si128(_mm_srli_epi32(v, 3), _mm_set1_epi32(0x001F));
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

inline __m128i bgr555(__m128i v) {
    __m128i r = _mm_and_si128(_mm_srli_epi32(v, 19), _mm_set1_epi32(0x001F));
    __m128i g = _mm_and_si128(_mm_srli_epi32(v, 6), _mm_set1_epi32(0x03E0));
    __m128i b = _mm_and_si128(_mm_slli_epi32(v, 7), _mm_set1_epi32(0x7C00));
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

template <__m128i (*Pack)(__m128i)>
int convert16_groups(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8)
        store16b(dst + 2 * i, narrow16(Pack(load4(src + i)), Pack(load4(src + i + 4))));
    return i;
}

#endif // __SSE2__

} // namespace

void display_convert_32_rgb(const uint32_t* src, uint8_t* dst, int count) {
    // A plain copy of whole pixels, byte 3 included: the C library's copy moves the widest
    // groups the processor has, and handles rows shorter than one group.
    if (count > 0)
        std::memcpy(dst, src, std::size_t(count) * 4);
}

void display_convert_32_bgr(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    for (; i + 4 <= count; i += 4)
        store16b(dst + 4 * i, swap_red_blue(load4(src + i)));
#endif
    if (i < count)
        display_reference_32_bgr(src + i, dst + 4 * i, count - i);
}

void display_convert_24_rgb(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
    // "+ 4 <" keeps a pixel after every group to cover its two extra bytes.
    for (; i + 4 < count; i += 4)
        store_three_byte_quad(dst + 3 * i, _mm_and_si128(load4(src + i), mask));
#endif
    if (i < count)
        display_reference_24_rgb(src + i, dst + 3 * i, count - i);
}

void display_convert_24_bgr(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    // swap_red_blue already clears byte 3.
    for (; i + 4 < count; i += 4)
        store_three_byte_quad(dst + 3 * i, swap_red_blue(load4(src + i)));
#endif
    if (i < count)
        display_reference_24_bgr(src + i, dst + 3 * i, count - i);
}

void display_convert_16_rgb565(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    i = convert16_groups<rgb565>(src, dst, count);
#endif
    if (i < count)
        display_reference_16_rgb565(src + i, dst + 2 * i, count - i);
}

void display_convert_16_bgr565(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    i = convert16_groups<bgr565>(src, dst, count);
#endif
    if (i < count)
        display_reference_16_bgr565(src + i, dst + 2 * i, count - i);
}

void display_convert_16_rgb555(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    i = convert16_groups<rgb555>(src, dst, count);
#endif
    if (i < count)
        display_reference_16_rgb555(src + i, dst + 2 * i, count - i);
}

void display_convert_16_bgr555(const uint32_t* src, uint8_t* dst, int count) {
    int i = 0;
#ifdef __SSE2__
    i = convert16_groups<bgr555>(src, dst, count);
#endif
    if (i < count)
        display_reference_16_bgr555(src + i, dst + 2 * i, count - i);
}

void display_convert_frame(PixelConverter convert, const uint32_t* frame, int width, int height,
                           uint8_t* surface, int pitch, int bytesPerPixel) {
    if (width <= 0 || height <= 0)
        return;
    long long pixels = (long long)width * height;
    if ((long long)pitch == (long long)width * bytesPerPixel && pixels <= INT_MAX) {
        convert(frame, surface, int(pixels));
        return;
    }
    for (int y = 0; y < height; ++y)
        convert(frame + std::size_t(y) * std::size_t(width), surface + std::ptrdiff_t(y) * pitch,
                width);
}

namespace {

const PixelLayout LAYOUTS[PIXEL_LAYOUT_COUNT] = {
    {"32 RGB", 32, 0xFF0000, 0x00FF00, 0x0000FF, 4, display_convert_32_rgb,
     display_reference_32_rgb},
    {"32 BGR", 32, 0x0000FF, 0x00FF00, 0xFF0000, 4, display_convert_32_bgr,
     display_reference_32_bgr},
    {"24 RGB", 24, 0xFF0000, 0x00FF00, 0x0000FF, 3, display_convert_24_rgb,
     display_reference_24_rgb},
    {"24 BGR", 24, 0x0000FF, 0x00FF00, 0xFF0000, 3, display_convert_24_bgr,
     display_reference_24_bgr},
    {"16 RGB565", 16, 0xF800, 0x07E0, 0x001F, 2, display_convert_16_rgb565,
     display_reference_16_rgb565},
    {"16 BGR565", 16, 0x001F, 0x07E0, 0xF800, 2, display_convert_16_bgr565,
     display_reference_16_bgr565},
    {"16 RGB555", 16, 0x7C00, 0x03E0, 0x001F, 2, display_convert_16_rgb555,
     display_reference_16_rgb555},
    {"16 BGR555", 16, 0x001F, 0x03E0, 0x7C00, 2, display_convert_16_bgr555,
     display_reference_16_bgr555},
};

} // namespace

const PixelLayout* display_pixel_layouts() {
    return LAYOUTS;
}

const PixelLayout* display_find_layout(int bitCount, uint32_t redMask, uint32_t greenMask,
                                       uint32_t blueMask) {
    for (const PixelLayout& layout : LAYOUTS) {
        if (layout.bitCount == bitCount && layout.redMask == redMask &&
            layout.greenMask == greenMask && layout.blueMask == blueMask)
            return &layout;
    }
    return nullptr;
}

PixelConverter display_pick_converter(int bitCount, uint32_t redMask, uint32_t greenMask,
                                      uint32_t blueMask) {
    const PixelLayout* layout = display_find_layout(bitCount, redMask, greenMask, blueMask);
    return layout ? layout->convert : nullptr;
}
