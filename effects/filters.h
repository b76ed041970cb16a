#pragma once
// In-place byte filters over a Bitmap's pixels: row darkening with a floor at 0, and the
// one-pass address-order blur. Both treat all four bytes of a pixel alike. Main thread.

#include <cstdint>

class Bitmap;

// Subtracts `amount` from every byte of rows y .. y+count-1 (cut at the last row), with a
// floor at 0; a negative amount raises bytes and keeps their low 8 bits. Returns 0 and
// changes nothing when y is outside 0..height-1 (or bmp has no pixels); otherwise 1, doing
// nothing for count <= 0.
int darkenRows(int32_t y, int32_t count, int32_t amount, Bitmap& bmp);
inline int darkenRows(int32_t y, int32_t count, int32_t amount, Bitmap* bmp) {
    return bmp ? darkenRows(y, count, amount, *bmp) : 0;
}

// One in-place pass over bytes i = w .. (height-1)*w - 1, w = width*4, in address order:
// b[i] = (b[i] + ((b[i-w] + b[i+w] + b[i-4] + b[i+4]) >> 2)) >> 1. Neighbours above and to
// the left are already blurred when read; rows 0 and height-1 are read, never written; a
// row's first/last pixel takes the neighbouring row's last/first pixel as its side
// neighbour. Bitmaps with fewer than 3 rows are left alone.
void blurBitmap(Bitmap& bmp);
inline void blurBitmap(Bitmap* bmp) {
    if (bmp)
        blurBitmap(*bmp);
}
