// The feeder thread facility on kernel32: the Windows build's. The feeder raises its own
// priority to THREAD_PRIORITY_TIME_CRITICAL through the waveOut device's raise_thread_priority.
#include "audio/thread.h"

#include <windows.h>

#include <new>

struct SoundThread {
    HANDLE handle;
    void (*fn)(void*);
    void* arg;
};

namespace {

DWORD WINAPI thread_main(LPVOID param)
{
    // Only fn and arg are read here; the starter writes handle concurrently.
    SoundThread* thread = static_cast<SoundThread*>(param);
    thread->fn(thread->arg);
    return 0;
}

} // namespace

SoundThread* sound_thread_start(void (*fn)(void*), void* arg)
{
    SoundThread* thread = new (std::nothrow) SoundThread{nullptr, fn, arg};
    if (!thread)
        return nullptr;
    thread->handle = CreateThread(nullptr, 0, thread_main, thread, 0, nullptr);
    if (!thread->handle) {
        delete thread;
        return nullptr;
    }
    return thread;
}

void sound_thread_join(SoundThread* thread)
{
    if (!thread)
        return;
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    delete thread;
}

void sound_thread_sleep_ms(int ms)
{
    Sleep(DWORD(ms));
}
