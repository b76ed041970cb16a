// Per-pixel formulas of the eight surface layouts. Channels are cut to their top bits, never
// rounded; multi-byte pixels are stored little-endian byte by byte, so `dst` needs no alignment.
#include "display/pixel_convert_reference.h"

namespace {

inline uint32_t red_of(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline uint32_t green_of(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline uint32_t blue_of(uint32_t p) {
    return p & 0xFF;
}

inline void store16(uint8_t* dst, uint32_t v) {
    dst[0] = uint8_t(v);
    dst[1] = uint8_t(v >> 8);
}

inline void store32(uint8_t* dst, uint32_t v) {
    dst[0] = uint8_t(v);
    dst[1] = uint8_t(v >> 8);
    dst[2] = uint8_t(v >> 16);
    dst[3] = uint8_t(v >> 24);
}

} // namespace

void display_reference_32_rgb(const uint32_t* src, uint8_t* dst, int count) {
    // Byte 3 is copied as it is.
    for (int i = 0; i < count; ++i)
        store32(dst + 4 * i, src[i]);
}

void display_reference_32_bgr(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        store32(dst + 4 * i, (blue_of(p) << 16) | (green_of(p) << 8) | red_of(p));
    }
}

void display_reference_24_rgb(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        dst[3 * i + 0] = uint8_t(blue_of(p));
        dst[3 * i + 1] = uint8_t(green_of(p));
        dst[3 * i + 2] = uint8_t(red_of(p));
    }
}

void display_reference_24_bgr(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        dst[3 * i + 0] = uint8_t(red_of(p));
        dst[3 * i + 1] = uint8_t(green_of(p));
        dst[3 * i + 2] = uint8_t(blue_of(p));
    }
}

void display_reference_16_rgb565(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        store16(dst + 2 * i, (red_of(p) >> 3) << 11 | (green_of(p) >> 2) << 5 | (blue_of(p) >> 3));
    }
}

void display_reference_16_bgr565(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        store16(dst + 2 * i, (blue_of(p) >> 3) << 11 | (green_of(p) >> 2) << 5 | (red_of(p) >> 3));
    }
}

void display_reference_16_rgb555(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        store16(dst + 2 * i, (red_of(p) >> 3) << 10 | (green_of(p) >> 3) << 5 | (blue_of(p) >> 3));
    }
}

void display_reference_16_bgr555(const uint32_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        uint32_t p = src[i];
        store16(dst + 2 * i, (blue_of(p) >> 3) << 10 | (green_of(p) >> 3) << 5 | (red_of(p) >> 3));
    }
}
