// The embedded store's state and its stream operations: lookup by exact name, byte reads,
// unclamped seeks. Every access is checked against the blob and the stream table.

#include "store/fs.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t NAME_SIZE = 128;
constexpr uint32_t ENTRY_HEADER = NAME_SIZE + 4;

struct FsStream {
    uint32_t dataOffset; // blob offset of the file's first byte
    int32_t position;    // relative to the file's start; may be negative or past the end
    uint32_t size;       // bytes of the file that lie inside the blob
};

const unsigned char* g_base = nullptr;
uint32_t g_size = 0;
FsStream g_streams[FS_MAX_STREAMS];
int g_nextHandle = 1;

uint32_t read_u32le(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

FsStream* find_stream(int handle) {
    if (handle < 1 || handle >= g_nextHandle)
        return nullptr;
    return &g_streams[handle];
}

// Positions wrap like the 32-bit words they are instead of overflowing.
int32_t wrap_add(int64_t a, int64_t b) {
    return int32_t(uint32_t(uint64_t(a) + uint64_t(b)));
}

} // namespace

void fs_init(const void* base, uint32_t size) {
    g_base = static_cast<const unsigned char*>(base);
    g_size = g_base ? size : 0;
    std::memset(g_streams, 0, sizeof g_streams);
    g_nextHandle = 1;
    std::printf("initialized internal fs. size: %i bytes\n", int(size));
}

int fs_open(const char* name) {
    if (!name) {
        std::printf("fileopen: no match\n");
        return 0;
    }
    // 64-bit so that a hostile size cannot wrap the walk back to an earlier entry.
    uint64_t offset = 0;
    while (offset < g_size) {
        if (g_size - offset < ENTRY_HEADER) {
            std::fprintf(stderr, "fs: truncated entry header at offset %llu\n",
                         (unsigned long long)offset);
            break;
        }
        const unsigned char* entry = g_base + offset;
        const char* entryName = reinterpret_cast<const char*>(entry);
        const uint32_t n = read_u32le(entry + NAME_SIZE);
        const size_t nameLen = strnlen(entryName, NAME_SIZE);
        std::printf("%.*s, %i\n", int(nameLen), entryName, int(n));
        // A name without its 0 inside the 128 bytes cannot equal any 0-terminated string.
        if (nameLen < NAME_SIZE && std::strcmp(entryName, name) == 0) {
            if (g_nextHandle >= FS_MAX_STREAMS) {
                std::fprintf(stderr, "fs: stream table full, cannot open %s\n", name);
                return 0;
            }
            std::printf("fileopen: %s found\n", name);
            const uint64_t data = offset + ENTRY_HEADER;
            const uint64_t avail = g_size - data;
            if (n > avail)
                std::fprintf(stderr, "fs: entry %s runs past the blob's end\n", name);
            const int handle = g_nextHandle++;
            g_streams[handle] = FsStream{uint32_t(data), 0, uint32_t(n > avail ? avail : n)};
            return handle;
        }
        offset += uint64_t(n) + ENTRY_HEADER;
    }
    std::printf("fileopen: no match\n");
    return 0;
}

void fs_close(int) {}

int fs_read(void* buffer, int count, int handle) {
    FsStream* s = find_stream(handle);
    if (!s || !buffer || count <= 0)
        return 0;
    // A negative position reads as a huge unsigned one: nothing left.
    const uint32_t pos = uint32_t(s->position);
    if (pos >= s->size)
        return 0;
    uint32_t n = s->size - pos;
    if (uint32_t(count) < n)
        n = uint32_t(count);
    std::memcpy(buffer, g_base + s->dataOffset + pos, n);
    s->position = wrap_add(s->position, n);
    return int(n);
}

void fs_seek(int handle, int32_t offset, int origin) {
    FsStream* s = find_stream(handle);
    if (!s)
        return;
    // Only the low byte names the origin; 0x100 is origin 0.
    switch (origin & 0xFF) {
    case 0:
        s->position = offset;
        break;
    case 1:
        s->position = wrap_add(s->position, offset);
        break;
    case 2:
        s->position = wrap_add(s->size, offset);
        break;
    default:
        break;
    }
}

int32_t fs_tell(int handle) {
    const FsStream* s = find_stream(handle);
    return s ? s->position : 0;
}
