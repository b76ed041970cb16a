#pragma once
// Bitmap: the one image type. 32-bit pixels 0x00RRGGBB stored row by row without padding,
// a drawing position, a fade level and an optional transparency mask. Main thread only.

#include <cstdint>

class Bitmap {
public:
    // Every field 0, no buffers. Prints "created new bitmap object\n".
    Bitmap();
    // Owns width*height zeroed pixels; drawWidth/drawHeight = width/height; no mask.
    // Prints "created new bitmap object. width: %i, height: %i\n". Negative sizes become 0.
    Bitmap(int32_t width, int32_t height);
    // Releases pixels and mask. Prints "deleted bitmap object\n".
    virtual ~Bitmap();

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Sets every pixel to `value`. Returns 1.
    int fill(uint32_t value);
    // fill(0). Returns 1.
    int clear();

    // Builds `mask` (0xFFFFFFFF transparent, 0 opaque) and sets `keyed`. With key != 0,
    // 0 pixels first become 1; then pixels equal to `key` become 0 and transparent.
    void setColorKey(uint32_t key);

    // drawAt(x, y, dst).
    int draw(Bitmap* dst);
    // Clipped blit with its top-left corner at (px, py). Stores px, py in x, y; a negative
    // coordinate is written back as 0. Pixel mode from keyed and fadeLevel. Returns 0 when
    // rejected (px > dst.width, py > dst.height, or wholly off the left/top edge, or a null
    // dst), otherwise 1 even if nothing was visible.
    int drawAt(int32_t px, int32_t py, Bitmap* dst);
    // Nearest-neighbour blit stretched to drawWidth x drawHeight at (x, y), clipped like
    // drawAt (negative x, y written back as 0). Always returns 0. Draws nothing when
    // drawWidth or drawHeight is below 1.
    int drawScaled(Bitmap* dst);

    int draw(Bitmap& dst) { return draw(&dst); }
    int drawAt(int32_t px, int32_t py, Bitmap& dst) { return drawAt(px, py, &dst); }
    int drawScaled(Bitmap& dst) { return drawScaled(&dst); }

    // Decodes the PCX picture `path` from the embedded store into this bitmap (1 or 3 colour
    // planes). On success sets width/drawWidth, height/drawHeight and a new pixel buffer
    // (the old one is released) and returns 1; x, y, fadeLevel, keyed and mask stay unless
    // the pixel count changed, which drops the mask and clears keyed. On failure (missing
    // entry, plane count other than 1 or 3, damaged or oversized file) returns 0 and leaves
    // the bitmap unchanged. Traces its work on stdout, diagnostics on stderr.
    int loadPcx(const char* path);

    int32_t width;
    int32_t height;
    int32_t x;
    int32_t y;
    int32_t drawWidth;
    int32_t drawHeight;
    int32_t fadeLevel; // 0 opaque; else the weight out of 256 the destination keeps
    int32_t keyed;     // non-zero once setColorKey built the mask
    uint32_t* pixels;  // owned (new[]), width*height words, or null
    uint32_t* mask;    // owned (new[]), width*height words, or null
};
