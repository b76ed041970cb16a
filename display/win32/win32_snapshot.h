// Writes a locked surface as a binary PPM: the test-only front-surface read-back of the Windows
// backend. Pure code, no platform calls.
#pragma once

#include <cstdint>

// Writes `height` rows of `width` pixels, row y at `surface` + y x `pitch`, pixels of
// `bitCount` bits (16, 24 or 32) whose channels sit under the three masks, as 8-bit RGB to
// `path`. Returns false when the format is not one of those or the file cannot be written.
bool win32_write_snapshot(const char* path, const uint8_t* surface, int width, int height,
                          int pitch, int bitCount, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask);
