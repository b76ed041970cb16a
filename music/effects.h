#pragma once
// The building blocks of the XM effects that more than one command uses. The four entry
// points the replay calls (channel_volume_column_row/_tick, channel_effect_row/_tick) are
// declared in music/music.h. Sound thread only, like the rest of the replay.

#include "music/music.h"

// Vibrato at the channel's position and depth: replaces period_delta (negative, i.e. higher
// pitch, for positions 0..31) and sets UPDATE_FREQUENCY. Does not advance the position.
void channel_vibrato(Channel* channel);

// Vibrato's advance after the per-tick vibrato: position += speed, wrapping into -32..31.
void channel_vibrato_advance(Channel* channel);

// Tremolo for this tick: sets volume_delta so that volume + delta stays inside 0..64,
// advances the position and sets UPDATE_VOLUME.
void channel_tremolo(Channel* channel);

// One tremor step: silent for this tick (volume_delta = -volume) once the counter has
// reached tremor_on; the counter wraps to 0 after on + off ticks. Sets UPDATE_VOLUME.
void channel_tremor(Channel* channel);
