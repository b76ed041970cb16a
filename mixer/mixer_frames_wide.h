#pragma once
// The wide mixer loops (AVX2, AVX-512) of x86-64 builds with GCC or Clang, compiled for those
// instruction sets whatever the build's baseline; mixer_frames.cpp calls them when the
// processor has them. Each adds frames as the plain loop does and moves `point` (the 32.32
// point of the next frame, lowest bit clear) past the frames it did.

#include <cstdint>

#if defined(__GNUC__) && defined(__x86_64__)
#define MIXER_WIDE 1

// 3 when the processor runs the AVX-512 loops (F, VL, DQ), 2 for AVX2 only, else 0.
int mixer_wide_level();

// Groups of four frames; returns the frames done (a multiple of 4).
int mixer_flat_avx2(float* out, int frames, const int16_t* data, uint64_t& point, uint64_t distance,
                    double gl, double gr);
int mixer_ramp_avx2(float* out, int frames, const int16_t* data, uint64_t& point, uint64_t distance,
                    float& left, float& right, float step_left, float step_right);

// All `frames`, eight at a time with the last group masked.
void mixer_flat_avx512(float* out, int frames, const int16_t* data, uint64_t& point,
                       uint64_t distance, double gl, double gr);
void mixer_ramp_avx512(float* out, int frames, const int16_t* data, uint64_t& point,
                       uint64_t distance, float& left, float& right, float step_left,
                       float step_right);
// Forward on a forward loop ending at `end` with length `lap` (both 32.32): `point` starts
// before `end` and every point is read inside the loop, as the pass logic wraps it.
void mixer_flat_avx512_looped(float* out, int frames, const int16_t* data, uint64_t& point,
                              uint64_t distance, double gl, double gr, uint64_t end, uint64_t lap);
#endif
