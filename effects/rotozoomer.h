#pragma once
// RotoZoomer: draws a source Bitmap rotated about a movable centre and scaled, in 11-bit
// fixed point (2048 = 1.0). Main thread only.

#include <cstdint>

class Bitmap;

constexpr int ROTO_ANGLES = 1024; // angle indices per full turn

class RotoZoomer {
public:
    // tiled = 0; allocates both tables, filled by init().
    RotoZoomer();
    // Releases the tables.
    virtual ~RotoZoomer();
    RotoZoomer(const RotoZoomer&) = delete;
    RotoZoomer& operator=(const RotoZoomer&) = delete;

    // Centre (160, 100), offsets 0, and cos/sin tables of i * 2pi/1024 times 2048,
    // truncated toward zero.
    void init();

    // Draws `src` into `dst` turned by angle * 2pi/1024 (angles above 1023 are clamped to
    // 1023) and scaled so that neighbouring destination pixels are `zoom` source pixels
    // apart. The source centre (plus offsetX, offsetY) lands on (centreX, centreY).
    // Untiled: only source points strictly inside the source (column and row 0 excluded) are
    // drawn, through the mask when src is keyed; other destination pixels stay. Tiled: the
    // source repeats as a 256x256 tile and every pixel is written; a source smaller than
    // 256x256 then draws nothing. Builds its work arrays for each call.
    void render(uint16_t angle, double zoom, const Bitmap& src, Bitmap& dst);
    void render(uint16_t angle, double zoom, const Bitmap* src, Bitmap* dst) {
        if (src && dst)
            render(angle, zoom, *src, *dst);
    }

    uint8_t tiled;     // non-zero: sample the source as an endless 256x256 tile
    int32_t centreX;   // destination column the picture turns about
    int32_t centreY;   // destination row the picture turns about
    int32_t offsetX;   // added to the source's centre column
    int32_t offsetY;   // added to the source's centre row
    int32_t* cosTable; // ROTO_ANGLES entries, 11-bit fixed point
    int32_t* sinTable; // ROTO_ANGLES entries, 11-bit fixed point
};
