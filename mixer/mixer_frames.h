#pragma once
// The mixer's per-frame loops, kept apart so they can be tuned without touching the pass
// logic. Both add `frames` interpolated frames of `data` to `out` and return the new 32.32
// position; `direction` 2 moves backward. The caller guarantees that every position read
// lies before the boundary, so data[i + 1] is at most the guard value.

#include <cstdint>

// Chooses the loops: 0 plain, 1 SSE2, 2 AVX2, 3 AVX-512, capped at the widest this build and processor
// run (the widest is the default). All give the same results; tests compare them. Returns the
// level now in use. Not while a mix runs.
int mixer_frames_set_level(int level);

// Constant gains (gain / 255 as floats).
uint64_t mixer_frames_flat(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float gain_left, float gain_right);

// Ramping gains: each frame uses the current levels, then adds the steps to them.
uint64_t mixer_frames_ramp(float* out, int frames, const int16_t* data, uint64_t position,
                           uint64_t step, int direction, float& level_left, float& level_right,
                           float step_left, float step_right);

// Constant gains, forward, on a forward loop of `loop_length` > 0 values from `loop_start`
// (loop end below 2^31, step below 2^62): the run goes on past the loop end, each point that
// reaches it taken back by whole loop lengths as the pass logic would wrap it, so the frames
// come out the same without a pass per lap. Returns the position, inside the loop once it has
// reached the end.
uint64_t mixer_frames_flat_looped(float* out, int frames, const int16_t* data, uint64_t position,
                                  uint64_t step, float gain_left, float gain_right,
                                  uint64_t loop_start, uint64_t loop_length);
