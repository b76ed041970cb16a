// The SDL2 wave device, the Linux default: SDL's callback plays the ring in a loop. Falls back
// to the silent clock when SDL cannot open an output.
#pragma once

#include <cstdint>

#include "audio/device.h"

// The device itself (also what wave_device_default returns when this backend is linked).
const WaveDevice* sdl_wave_device();

// True when the last open fell back to the silent clock.
bool sdl_device_is_silent();

// Bytes handed to SDL by the callback since playback started, and SDL's buffer in bytes;
// for measuring the delay between copying and hearing.
uint64_t sdl_device_copied_bytes();
uint32_t sdl_device_buffer_bytes();
