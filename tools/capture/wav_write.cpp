// RIFF WAVE output, little-endian whatever the host.
#include "wav_write.h"

#include <cstdio>

namespace {

void put_u32(std::FILE* f, uint32_t v) {
    const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void put_u16(std::FILE* f, uint16_t v) {
    const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

} // namespace

bool wav_write_stereo16(const char* path, const std::vector<int16_t>& samples, int rate) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "wav: cannot write %s\n", path);
        return false;
    }
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put_u32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put_u32(f, 16);
    put_u16(f, 1); // PCM
    put_u16(f, 2);
    put_u32(f, static_cast<uint32_t>(rate));
    put_u32(f, static_cast<uint32_t>(rate) * 4);
    put_u16(f, 4);
    put_u16(f, 16);
    std::fwrite("data", 1, 4, f);
    put_u32(f, dataBytes);
    for (int16_t s : samples) put_u16(f, static_cast<uint16_t>(s));
    return std::fclose(f) == 0;
}
