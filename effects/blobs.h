#pragma once
// BlobSprites: precomputed circular light blobs of growing size and brightness, added into a
// 32-bit Bitmap with saturation. Main thread only.

#include <cstdint>

class Bitmap;

class BlobSprites {
public:
    // Allocates the palette (filled by init); no blobs, count = 0.
    BlobSprites();
    // Releases the palette and the blobs.
    virtual ~BlobSprites();
    BlobSprites(const BlobSprites&) = delete;
    BlobSprites& operator=(const BlobSprites&) = delete;

    // Builds `count` blobs (none for count < 1): blob k is n x n bytes with
    // n = trunc(k / count * maxSize) (0 if negative), a grey cone falling from about k at its
    // centre to 0, sampled at each pixel's top-left corner. Intensities are stored as bytes,
    // so only up to 256 blobs keep their brightness. Fills the palette with (e, e, e, 0).
    // Replaces earlier blobs. Returns 1.
    int init(int32_t count, int32_t maxSize);

    // Adds blob `level` (clamped to 0..count-1) centred on (x, y) into dst: its top-left
    // word is (y - h/2) * dst.width + (x - w/2), and each of bytes 0..2 of a destination pixel
    // gets the palette amount of the blob byte added, saturating at 255; byte 3 stays. Rows
    // are not clipped at the sides (a blob crossing an edge continues on the neighbouring
    // row), but no word outside dst's buffer is written. Nothing is drawn before init or for
    // a 0x0 blob. Returns 1.
    int draw(int32_t x, int32_t y, int32_t level, Bitmap& dst);
    int draw(int32_t x, int32_t y, int32_t level, Bitmap* dst) {
        return dst ? draw(x, y, level, *dst) : 1;
    }

    uint8_t** images; // count owned buffers of widths[k] * heights[k] intensity bytes
    uint8_t* palette; // 256 entries of 4 bytes: amounts for bytes 0, 1, 2, then 0
    int32_t* widths;  // count blob widths
    int32_t* heights; // count blob heights (equal to the widths)
    int32_t count;    // number of blobs; 0 before init

private:
    void release();
};
