// The waveOut wave device, the Windows default: one looping header over the PCM ring on the
// default device (WAVE_MAPPER), its play position in bytes. Falls back to the silent clock when
// no device opens, so the song clock still moves.
#pragma once

#include "audio/device.h"

const WaveDevice* win32_wave_device();

// Whether the last open fell back to the silent clock.
bool win32_device_is_silent();
