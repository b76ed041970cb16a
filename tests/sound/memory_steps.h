// Stepping the in-memory device block by block in the sound output tests.
#pragma once

// Moves the in-memory device to the start of absolute block `block` (counting laps) and waits
// until the feeder thread has caught up. False on a time-out of 5 s.
bool advance_to_block(int block);
