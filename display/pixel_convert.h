// Row converters from the 32-bit XRGB frame format into the eight surface layouts, and the
// table that picks one from a surface's bit count and channel masks.
#pragma once

#include <cstdint>

// Converts `count` frame pixels (0x00RRGGBB words, byte 3 ignored unless the layout copies it)
// from `src` into `count` packed surface pixels at `dst`. Writes exactly count x bytes-per-pixel
// bytes; `dst` needs no alignment. Pure function, any thread; count <= 0 writes nothing.
using PixelConverter = void (*)(const uint32_t* src, uint8_t* dst, int count);

// Fast paths: SIMD groups where the compiler offers SSE2, the tail pixel by pixel.
void display_convert_32_rgb(const uint32_t* src, uint8_t* dst, int count);
void display_convert_32_bgr(const uint32_t* src, uint8_t* dst, int count);
void display_convert_24_rgb(const uint32_t* src, uint8_t* dst, int count);
void display_convert_24_bgr(const uint32_t* src, uint8_t* dst, int count);
void display_convert_16_rgb565(const uint32_t* src, uint8_t* dst, int count);
void display_convert_16_bgr565(const uint32_t* src, uint8_t* dst, int count);
void display_convert_16_rgb555(const uint32_t* src, uint8_t* dst, int count);
void display_convert_16_bgr555(const uint32_t* src, uint8_t* dst, int count);

// One surface layout: the exact bit count and masks it is selected by, its fast converter and
// the plain per-pixel version the fast one must match byte for byte.
struct PixelLayout {
    const char* name;
    int bitCount;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    int bytesPerPixel;
    PixelConverter convert;
    PixelConverter reference;
};

constexpr int PIXEL_LAYOUT_COUNT = 8;

// The eight layouts in table order: 32 RGB, 32 BGR, 24 RGB, 24 BGR, RGB565, BGR565, RGB555,
// BGR555. Static storage; never null.
const PixelLayout* display_pixel_layouts();

// The layout whose bit count and masks all match exactly, or nullptr (8-bit palettes and any
// near miss included).
const PixelLayout* display_find_layout(int bitCount, uint32_t redMask, uint32_t greenMask,
                                       uint32_t blueMask);

// The converter for an exactly matching layout, or nullptr when the format is none of the eight.
PixelConverter display_pick_converter(int bitCount, uint32_t redMask, uint32_t greenMask,
                                      uint32_t blueMask);

// Converts a width x height frame (rows packed) into a surface whose row y starts at
// surface + y x pitch bytes. When the rows are packed on the surface too (pitch equals width x
// bytesPerPixel) the whole frame is one run for the converter, with the same bytes as row by
// row; otherwise each row is converted on its own and the bytes between rows are left alone.
void display_convert_frame(PixelConverter convert, const uint32_t* frame, int width, int height,
                           uint8_t* surface, int pitch, int bytesPerPixel);
