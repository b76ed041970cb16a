#pragma once
// The embedded file store: a read-only blob of named entries linked into the program, and a
// tiny stream interface over it. Main thread only; the store keeps no lock.
//
// Blob layout, entries back to back from byte 0, no header or directory:
//   128 bytes name (0-terminated, 0-filled, backslash separators), 4 bytes little-endian
//   size N, then N data bytes.

#include <cstdint>

constexpr int FS_MAX_STREAMS = 512;

// Remembers the blob (not copied; must outlive every stream) and its total size in bytes,
// forgets every open stream and restarts handles at 1. Prints
// "initialized internal fs. size: %i bytes\n". A null base is treated as an empty store.
void fs_init(const void* base, uint32_t size);

// Opens the first entry whose name equals `name` byte for byte (case and separators exact).
// Lists every entry examined as "%s, %i\n", then "fileopen: %s found\n" or
// "fileopen: no match\n". Returns a new handle (1, 2, ... never reused) or 0 when nothing
// matches, `name` is null, or all FS_MAX_STREAMS - 1 handles are used up (the walk is
// listed, the last line is left out and the reason goes to stderr). Entries whose header
// or data would pass the blob's end are cut at it.
int fs_open(const char* name);

// Does nothing: handles are never freed. Present for the FileCallbacks tuple.
void fs_close(int handle);

// Copies up to `count` bytes from the stream's position into `buffer` and advances the
// position by the number copied, which it returns. Returns 0 at or past the end, at a
// negative position, for count <= 0 and for a handle that was never opened.
int fs_read(void* buffer, int count, int handle);

// Moves the position: origin 0 = offset, 1 = position + offset, 2 = size + offset; only the
// low byte of origin counts and any other value leaves the position alone. The position is
// not clamped and may become negative or pass the end. Unknown handles are ignored.
void fs_seek(int handle, int32_t offset, int origin);

// The stream's position (may be negative or past the end); 0 for an unknown handle.
int32_t fs_tell(int handle);

// The five stream operations in the order the music player takes them. The store's own
// set is fs_file_callbacks().
struct FileCallbacks {
    int (*open)(const char* name);
    void (*close)(int handle);
    int (*read)(void* buffer, int count, int handle);
    void (*seek)(int handle, int32_t offset, int origin);
    int32_t (*tell)(int handle);
};

// {fs_open, fs_close, fs_read, fs_seek, fs_tell}.
inline FileCallbacks fs_file_callbacks() {
    return FileCallbacks{fs_open, fs_close, fs_read, fs_seek, fs_tell};
}
