#pragma once
// Writes interleaved 16-bit stereo PCM as a RIFF WAVE file.

#include <cstdint>
#include <vector>

// True on success; false with a message on standard error.
bool wav_write_stereo16(const char* path, const std::vector<int16_t>& samples, int rate);
