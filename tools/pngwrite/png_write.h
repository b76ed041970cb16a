#pragma once
// Writes 32-bit 0x00RRGGBB pixels (rows `stride` words apart) as an 8-bit RGB PNG file.

#include <cstdint>

// True on success; false (with a message on standard error) when the file cannot be written.
// `fast`: zlib level 1 and no row filters, about four times less work for files a few per cent
// larger; otherwise libpng's defaults (level 6, adaptive filters).
bool png_write_xrgb(const char* path, const uint32_t* pixels, int width, int height, int stride,
                    bool fast = false);
