#pragma once
// The software mixer: voices 0..31 of the voice table into float stereo frames with linear
// interpolation, volume ramps and loops, and the conversion of those frames to 16-bit PCM.

#include <cstdint>

#include "mixer/voice.h"

// Sets the mixer settings for an output of `rate` frames per second (rate > 0): the rate,
// its single-precision reciprocal, the ramp length (rate x 128) / 44100 (at least 1) and
// its single-precision reciprocal. sound_open calls it; not while a block fill runs.
void mixer_set_rate(int rate);

// Clears all VOICE_COUNT voices, sets each one's number to its index and its step to 1.
void mixer_reset_voices();

// Adds `frames` stereo float frames (left, right; full scale +-32768) of voices 0..31 to
// `buffer`. The caller zeroes `buffer` first. Nothing happens if frames < 1.
// Block-fill thread only; writes back positions, directions, ramps, and clears `sample`
// when an unlooped sample ends.
void mixer_mix(float* buffer, int frames);

// Rounds (ties to even), clamps to -32768..32767 and stores 2 x frames floats as 16-bit
// samples. Nothing happens if frames < 1 or either pointer is null.
void mixer_to_pcm16(int16_t* out, const float* in, int frames);
