// The song's composition: order list and patterns, written for the demo's scenes.
#pragma once

#include "tools/xmwriter/xm_writer.h"

// Channel count, speed and tempo of the whole song.
constexpr int SONG_CHANNELS = 14;
constexpr int SONG_SPEED = 2;
constexpr int SONG_BPM = 125;
// Order positions the demo plays (0..15) plus position 16, where the demo and the song end.
constexpr int SONG_PLAYED_ORDERS = 17;

// Fills the orders and patterns of `module` (channels, speed and tempo included).
void song_compose(XmModuleDef& module);
