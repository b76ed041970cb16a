#pragma once
// FileCallbacks served from a byte vector in memory; header-only, shared by other test groups.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "music/music.h"

namespace music_test {

// The one file the memory callbacks serve, under any name but "missing".
struct MemoryFile {
    std::vector<uint8_t> bytes;
    int64_t position = 0;
    int opens = 0;
    int closes = 0;
};

inline MemoryFile& memory_file() {
    static MemoryFile file;
    return file;
}

inline int memory_open(const char* name) {
    if (!name || std::strcmp(name, "missing") == 0)
        return 0;
    memory_file().position = 0;
    memory_file().opens++;
    return 7;
}

inline void memory_close(int) {
    memory_file().closes++;
}

inline int memory_read(void* buffer, int count, int handle) {
    MemoryFile& f = memory_file();
    if (handle != 7 || count <= 0 || f.position < 0 || f.position >= int64_t(f.bytes.size()))
        return 0;
    const int64_t n = std::min<int64_t>(int64_t(f.bytes.size()) - f.position, count);
    std::memcpy(buffer, f.bytes.data() + f.position, size_t(n));
    f.position += n;
    return int(n);
}

inline void memory_seek(int, int32_t offset, int origin) {
    MemoryFile& f = memory_file();
    const int64_t base[] = {0, f.position, int64_t(f.bytes.size())};
    if ((origin & 0xFF) <= 2)
        f.position = base[origin & 0xFF] + offset;
}

inline int32_t memory_tell(int) {
    return int32_t(memory_file().position);
}

// Registers the memory callbacks and serves `bytes` as the file.
inline void serve_bytes(const std::vector<uint8_t>& bytes) {
    memory_file() = MemoryFile{};
    memory_file().bytes = bytes;
    music_set_file_callbacks(memory_open, memory_close, memory_read, memory_seek, memory_tell);
}

// Loads `bytes` through the memory callbacks; null when the loader rejects them.
inline Module* load_module_bytes(const std::vector<uint8_t>& bytes,
                                 SampleLoader sample_loader = nullptr) {
    serve_bytes(bytes);
    return music_load("song.xm", sample_loader);
}

} // namespace music_test
