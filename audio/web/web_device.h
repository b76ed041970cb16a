// The Web Audio wave device, the web page's default: an AudioWorklet (or, without one, a
// ScriptProcessorNode) plays the ring's blocks as they become final; the play position is the
// frames the browser has played. Falls back to the silent clock without Web Audio.
#pragma once

#include <cstdint>

#include "audio/device.h"

// The device itself (also what wave_device_default returns when this backend is linked).
const WaveDevice* web_wave_device();

// True when the last open fell back to the silent clock.
bool web_device_is_silent();
