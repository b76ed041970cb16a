// What the sound output's own files share: the mutable state, the feeder thread's body and
// the packing of position entries into table slots.
#pragma once

#include <cstdint>

#include "audio/sound.h"

SoundOutput& sound_state();

// The feeder thread: polls the device every 5 ms and refills the blocks it has played.
void sound_feeder_run();

// The 6 bytes of `entry` in the low bytes of a slot, byte 0 lowest, and back.
uint64_t position_entry_pack(PositionEntry entry);
PositionEntry position_entry_unpack(uint64_t slot);
