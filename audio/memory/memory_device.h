// The in-memory wave device, for tests and the capture tool: nothing is played; the caller
// moves the play position, and the device can record the PCM that passes it.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/device.h"

// The device itself (also what wave_device_default returns when this backend is linked).
const WaveDevice* memory_wave_device();

// Moves the play position to `bytes` since the start of playback (a multiple of 4). Moving
// forward while recording appends the ring's frames between the old and the new position, in
// play order, before the new position becomes visible to the feeder thread. Ignored unless
// playing. Caller's thread.
void memory_device_set_position(uint64_t bytes);

// Moves the play position forward by `frames` frames.
void memory_device_advance(uint64_t frames);

// The current play position in bytes (0 unless playing).
uint64_t memory_device_position();

// Starts (true) or stops recording; starting clears what was recorded.
void memory_device_record(bool on);

// The interleaved 16-bit samples recorded so far (left, right, left, ...).
std::vector<int16_t> memory_device_recording();

// Makes the next opens fail (true) or succeed (false), as a device that refuses the format.
void memory_device_refuse_open(bool refuse);

// What the sound output did with the device, for tests.
struct MemoryDeviceStatus {
    bool open;
    bool prepared;
    bool playing;
    int rate;
    const int16_t* ring;
    uint32_t ring_bytes;
    int opens, resets, closes;
};
MemoryDeviceStatus memory_device_status();
