// Point rotation: three table-driven turns in double precision, truncated once at the end.
#include "effects/rotate.h"

#include <cmath>
#include <cstdint>

namespace {

// Truncation toward zero; points far beyond the cloud's range saturate instead of overflowing.
int32_t trunc_to_int(double v) {
    if (!(v > -2147483648.0))
        return v != v ? 0 : INT32_MIN;
    if (v >= 2147483647.0)
        return INT32_MAX;
    return static_cast<int32_t>(v);
}

} // namespace

double angleSin[257];
double angleCos[257];

void rotate_init_tables() {
    const double step = 0.02454369260617026; // pi/128
    for (int i = 0; i <= 256; ++i) {
        const double angle = i * step;
        angleCos[i] = std::cos(angle);
        angleSin[i] = std::sin(angle);
    }
}

void rotatePoint(uint8_t ax, uint8_t ay, uint8_t az, const Vec3& in, Vec3& out) {
    const double x = in.x;
    const double y = in.y;
    const double z = in.z;
    const double x1 = x * angleCos[ay] - z * angleSin[ay];
    const double z1 = z * angleCos[ay] + x * angleSin[ay];
    // The minus sign on y1 is what turns the cloud upside down with ax = 128.
    const double y1 = -(y * angleCos[az]) - x1 * angleSin[az];
    // Step 4 uses the input y, not y1.
    const int32_t ox = trunc_to_int(x1 * angleCos[az] - y * angleSin[az]);
    const int32_t oy = trunc_to_int(z1 * angleSin[ax] - y1 * angleCos[ax]);
    const int32_t oz = trunc_to_int(z1 * angleCos[ax] + y1 * angleSin[ax]);
    out.x = ox;
    out.y = oy;
    out.z = oz;
}
