// Start-up tables of the demo: wave tables, particle formula, random generator, bar phases.
#include "demo/tables.h"

#include <cmath>

namespace {

constexpr double PI_OVER_128 = 0.02454369260617026;
constexpr double PI_OVER_64 = 0.04908738521234052;
constexpr double PI_OVER_32 = 0.09817477042468103;
constexpr double PI_OVER_180 = 0.017453292519943295;

uint32_t random_state = 0;

} // namespace

int32_t plasmaSin[PLASMA_TABLE_SIZE];
int32_t plasmaCos[PLASMA_TABLE_SIZE];

void tables_fill_plasma() {
    // Double precision throughout: single precision moves 40 entries.
    for (int i = 0; i < PLASMA_TABLE_SIZE; ++i) {
        const double angle = (i * 1.4166666666666667) * PI_OVER_180;
        plasmaSin[i] = static_cast<int32_t>(std::sin(angle) * 9.0 * 65536.0);
        plasmaCos[i] = static_cast<int32_t>(std::cos(angle) * 9.0 * 65536.0);
    }
}

Vec3 makeParticle(uint8_t a, uint8_t b, double s, uint8_t q) {
    Vec3 p;
    p.x = static_cast<int32_t>(256 * std::sin(a * PI_OVER_64) - 128 * std::cos(a * PI_OVER_128) -
                               64 * std::sin(b * PI_OVER_128));
    p.y = static_cast<int32_t>(128 * std::sin(a * PI_OVER_32) + 192 * std::cos(b * PI_OVER_128) -
                               64 * std::sin(a * PI_OVER_128));
    // S may be anything a caller passes; keep the cast defined for non-finite or huge values.
    const double z = 128 * (std::sin(b * PI_OVER_128) + s) - 512 * std::sin(q * PI_OVER_64);
    p.z = (z > -2147483648.0 && z < 2147483647.0) ? static_cast<int32_t>(z) : 0;
    return p;
}

void tables_fill_particles(Vec3* particles, uint8_t& phaseA, uint8_t& phaseB, uint8_t& phaseC) {
    for (int i = 0; i < PARTICLE_COUNT; ++i) {
        particles[i] = makeParticle(phaseA, phaseB, std::sin(i * PI_OVER_32), phaseC);
        phaseA = static_cast<uint8_t>(phaseA + 4);
        phaseB = static_cast<uint8_t>(phaseB - 3);
        // The phase of the depth wave advances once per particle; any slow step gives a cloud.
        phaseC = static_cast<uint8_t>(phaseC + 1);
    }
}

void random_seed(uint32_t seed) {
    random_state = seed;
}

int32_t random_next() {
    random_state = random_state * 214013u + 2531011u;
    return static_cast<int32_t>((random_state >> 16) & 0x7FFF);
}

void tables_fill_bar_phases(uint8_t* barPhase) {
    for (int i = 0; i < BAR_PHASE_COUNT; ++i) {
        const int32_t r1 = random_next();
        const int32_t r2 = random_next();
        const int32_t r3 = random_next();
        barPhase[i] = static_cast<uint8_t>((r1 + r2 + r3) & 255);
    }
}
