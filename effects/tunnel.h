#pragma once
// The tunnel and the radial warp: five per-pixel tables of a 320x240 screen built once by
// initWarpTables, and two full-screen draws that map a 256x256 texture through them.
// Main thread only.

#include <cstdint>

class Bitmap;

constexpr int WARP_WIDTH = 320;
constexpr int WARP_HEIGHT = 240;
constexpr int WARP_TEXTURE_SIZE = 256;

// Row-major, entry j = row * 320 + column; null until initWarpTables().
extern int32_t* tunnelAngle;    // angle about the centre, -128..128 for -pi..pi
extern int32_t* tunnelDepth;    // distance into the tube; 10240 at the centre
extern int32_t* tunnelShade;    // brightness 0..255 (only the low byte is read)
extern uint8_t* radialDistance; // distance from the centre, truncated, 0..200
extern int32_t* radialShade;    // brightness 0..255 of the warp

// Builds the five tables (about 76800 square roots, sines and arctangents each); a second
// call rebuilds them in fresh storage and releases the old.
void initWarpTables();

// Writes 320x240 pixels from the start of dst.pixels: texel ((angle + angleShift) & 255,
// (depth + depthShift) & 255) of `tex`, read as a 256x256 array, with bytes 0..2 scaled by
// the pixel's shade (x * k >> 8); byte 3 of dst is kept. Does nothing when the tables are
// not built, dst is smaller than 320x240 or tex smaller than 256x256.
void drawTunnel(int32_t angleShift, int32_t depthShift, const Bitmap& tex, Bitmap& dst);

// Writes 320x240 pixels into rows firstRow .. firstRow+239 of dst (the first 76800 words
// from word firstRow * dst.width): texel ((colOffset[d] + x) & 255, (rowOffset[d] + y) & 255)
// with d the pixel's radial distance and both offsets built for this call from `phase`
// (0..255 is a full swing), shaded by radialShade; byte 3 of dst is kept. Does nothing when
// the tables are not built, tex is smaller than 256x256, dst is narrower than 320 or has
// fewer than firstRow + 240 rows, or firstRow < 0.
void drawRadialWarp(uint8_t phase, const Bitmap& tex, Bitmap& dst, int32_t firstRow = 0);

inline void drawTunnel(int32_t angleShift, int32_t depthShift, const Bitmap* tex, Bitmap* dst) {
    if (tex && dst)
        drawTunnel(angleShift, depthShift, *tex, *dst);
}
inline void drawRadialWarp(uint8_t phase, const Bitmap* tex, Bitmap* dst, int32_t firstRow = 0) {
    if (tex && dst)
        drawRadialWarp(phase, *tex, *dst, firstRow);
}
