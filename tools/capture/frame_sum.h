#pragma once
// Checksums of what a capture showed and played, the same in vorru-capture and in the web
// page's capture mode: CRC-32 (as zlib's) of each frame as 8-bit R, G, B bytes, row by row
// (the bytes a PNG of it holds), and of the PCM as 16-bit little-endian samples.

#include <cstddef>
#include <cstdint>

inline uint32_t capture_crc32(uint32_t crc, const uint8_t* bytes, size_t count) {
    static uint32_t table[256];
    if (table[1] == 0) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    }
    crc = ~crc;
    for (size_t i = 0; i < count; i++)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// A frame of width x height 0x00RRGGBB pixels, rows `stride` pixels apart.
inline uint32_t capture_frame_sum(const uint32_t* pixels, int width, int height, int stride) {
    uint32_t crc = 0;
    uint8_t row[3 * 1024];
    for (int y = 0; y < height; y++) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * stride;
        for (int x0 = 0; x0 < width; x0 += 1024) {
            const int n = width - x0 < 1024 ? width - x0 : 1024;
            for (int x = 0; x < n; x++) {
                row[3 * x] = static_cast<uint8_t>(src[x0 + x] >> 16);
                row[3 * x + 1] = static_cast<uint8_t>(src[x0 + x] >> 8);
                row[3 * x + 2] = static_cast<uint8_t>(src[x0 + x]);
            }
            crc = capture_crc32(crc, row, static_cast<size_t>(3 * n));
        }
    }
    return crc;
}

// Interleaved 16-bit samples, little-endian whatever the host.
inline uint32_t capture_pcm_sum(const int16_t* samples, size_t count) {
    uint32_t crc = 0;
    uint8_t bytes[2 * 512];
    for (size_t i = 0; i < count; i += 512) {
        const size_t n = count - i < 512 ? count - i : 512;
        for (size_t k = 0; k < n; k++) {
            bytes[2 * k] = static_cast<uint8_t>(samples[i + k]);
            bytes[2 * k + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i + k]) >> 8);
        }
        crc = capture_crc32(crc, bytes, 2 * n);
    }
    return crc;
}
