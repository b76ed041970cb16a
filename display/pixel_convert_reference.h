// Plain per-pixel converters: the formulas of the eight layouts one pixel at a time. They are the
// tail of every fast path and the reference the fast paths are tested against.
#pragma once

#include <cstdint>

// Same contract as PixelConverter (display/pixel_convert.h).
void display_reference_32_rgb(const uint32_t* src, uint8_t* dst, int count);
void display_reference_32_bgr(const uint32_t* src, uint8_t* dst, int count);
void display_reference_24_rgb(const uint32_t* src, uint8_t* dst, int count);
void display_reference_24_bgr(const uint32_t* src, uint8_t* dst, int count);
void display_reference_16_rgb565(const uint32_t* src, uint8_t* dst, int count);
void display_reference_16_bgr565(const uint32_t* src, uint8_t* dst, int count);
void display_reference_16_rgb555(const uint32_t* src, uint8_t* dst, int count);
void display_reference_16_bgr555(const uint32_t* src, uint8_t* dst, int count);
