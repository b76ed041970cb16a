#pragma once
// The tick-and-mix loop shared by the sound output's block fill and the offline renderer,
// so both produce the same samples.

#include "music/music.h"

// Mixes the next `frames` frames of `module` into `mix` (stereo float frames, added to what
// is there: the caller zeroes it). Runs module->tick_entry whenever the frames left in the
// tick reach 0 (then reads samples_per_tick, so a tempo change by that tick applies to it),
// calls mixer_mix for each stretch in between, and adds trunc(n x (double)reciprocal x 1000)
// to time_ms per stretch of n frames, with the single-precision reciprocal of the rate (882
// frames add 19 ms). tick_samples_left carries over between calls. A samples_per_tick
// below 1 is taken as 1. Nothing happens for frames < 1 or a null module or buffer.
// Block-fill thread only.
void render_frames(Module* module, float* mix, int frames);
