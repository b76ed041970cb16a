// Makes the in-memory wave device the default of programs that link audio_memory (tests,
// capture); the web page links the device alone and chooses it only for its capture mode.
#include "audio/memory/memory_device.h"

const WaveDevice* wave_device_default() {
    return memory_wave_device();
}
