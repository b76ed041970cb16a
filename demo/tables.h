#pragma once
// Tables computed once at start-up: the light pattern's wave tables, the particle formula,
// the random generator and the dark bars' phases. The angle tables and Vec3 live with
// rotatePoint in effects/rotate.h, included here for the demo's convenience.

#include <cstdint>

#include "effects/rotate.h"

constexpr int PARTICLE_COUNT = 192;
constexpr int PLASMA_TABLE_SIZE = 320;
constexpr int BAR_PHASE_COUNT = 256;

// trunc(sin / cos(i * 17/12 degrees) * 9 * 65536) for i = 0..319, in -589824..589824.
// All 0 until tables_fill_plasma().
extern int32_t plasmaSin[PLASMA_TABLE_SIZE];
extern int32_t plasmaCos[PLASMA_TABLE_SIZE];

// Fills plasmaSin and plasmaCos in double precision. Main thread, start-up.
void tables_fill_plasma();

// The particle formula: A, B, Q are 8-bit phases, S a value in -1..1. Each coordinate is
// evaluated left to right in double precision and truncated toward zero once;
// |x| <= 448, |y| <= 384, |z| <= 768.
Vec3 makeParticle(uint8_t a, uint8_t b, double s, uint8_t q);

// The initial cloud: particles[i] = makeParticle(phaseA, phaseB, sin(i * pi/32), phaseC) for
// i = 0..PARTICLE_COUNT-1, stepping phaseA by +4, phaseB by -3 and phaseC by +1 after each
// particle (8-bit wrap). `particles` holds PARTICLE_COUNT entries.
void tables_fill_particles(Vec3* particles, uint8_t& phaseA, uint8_t& phaseB, uint8_t& phaseC);

// The program's one linear congruential generator (state * 214013 + 2531011 mod 2^32).
// random_seed sets the state; random_next steps it and returns (state >> 16) & 0x7FFF.
// Main thread only.
void random_seed(uint32_t seed);
int32_t random_next();

// barPhase[i] = (three consecutive random_next() draws summed) mod 256 for i = 0..255, in
// order. `barPhase` holds BAR_PHASE_COUNT entries. Seed first (the program seeds with 0).
void tables_fill_bar_phases(uint8_t* barPhase);
