#pragma once
// Point rotation of the particle cloud: the program-wide 8-bit angle tables and rotatePoint.

#include <cstdint>

// An integer 3D point.
struct Vec3 {
    int32_t x;
    int32_t y;
    int32_t z;
};

// sin and cos of i * pi/128 for i = 0..256 (256 steps make a full turn; entry 256 closes
// the circle). All 0 until rotate_init_tables() fills them at start-up.
extern double angleSin[257];
extern double angleCos[257];

// Fills angleSin and angleCos. Main thread; call once before the first rotatePoint.
void rotate_init_tables();

// Turns `in` by the 8-bit angle indices ax, ay, az in double precision, reading angleSin and
// angleCos, and writes the result, truncated toward zero, to `out` (which may alias `in`).
// With ax = 128 the result is upside down with its depth mirrored.
void rotatePoint(uint8_t ax, uint8_t ay, uint8_t az, const Vec3& in, Vec3& out);
inline void rotatePoint(uint8_t ax, uint8_t ay, uint8_t az, const Vec3* in, Vec3* out) {
    rotatePoint(ax, ay, az, *in, *out);
}
