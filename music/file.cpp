// The registered FileCallbacks and the MusicFile wrappers the loader reads through.
#include "music/music.h"

#include <new>

#include "music/load_error.h"

namespace {

struct Callbacks {
    int (*open)(const char*);
    void (*close)(int);
    int (*read)(void*, int, int);
    void (*seek)(int, int32_t, int);
    int32_t (*tell)(int);
};

Callbacks callbacks = {};

} // namespace

void music_set_file_callbacks(int (*open)(const char* name), void (*close)(int handle),
                              int (*read)(void* buffer, int count, int handle),
                              void (*seek)(int handle, int32_t offset, int origin),
                              int32_t (*tell)(int handle)) {
    if (open && close && read && seek && tell)
        callbacks = Callbacks{open, close, read, seek, tell};
    else
        callbacks = Callbacks{};
}

bool music_file_callbacks_complete() {
    return callbacks.open != nullptr;
}

MusicFile* music_file_open(const char* name) {
    if (!callbacks.open)
        return nullptr;
    MusicFile* file = new (std::nothrow) MusicFile{0};
    if (!file) {
        music_load_fail("out of memory");
        return nullptr;
    }
    file->handle = callbacks.open(name);
    if (file->handle == 0) {
        delete file;
        return nullptr;
    }
    return file;
}

void music_file_close(MusicFile* file) {
    if (!file)
        return;
    if (callbacks.close)
        callbacks.close(file->handle);
    delete file;
}

int music_file_read(void* buffer, int length, MusicFile* file) {
    if (!file || !callbacks.read || length <= 0)
        return 0;
    return callbacks.read(buffer, length, file->handle);
}

void music_file_seek(MusicFile* file, int32_t offset, int whence) {
    if (file && callbacks.seek)
        callbacks.seek(file->handle, offset, whence);
}

int32_t music_file_tell(MusicFile* file) {
    if (!file || !callbacks.tell)
        return 0;
    return callbacks.tell(file->handle);
}
