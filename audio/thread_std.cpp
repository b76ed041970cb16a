// The feeder thread facility on the standard library: the Linux build's.
#include "audio/thread.h"

#include <chrono>
#include <new>
#include <thread>

struct SoundThread {
    std::thread thread;
};

SoundThread* sound_thread_start(void (*fn)(void*), void* arg)
{
    SoundThread* handle = new (std::nothrow) SoundThread;
    if (!handle)
        return nullptr;
    // A refused thread throws here, which nothing catches: the program ends, as it always has
    // on this build.
    handle->thread = std::thread(fn, arg);
    return handle;
}

void sound_thread_join(SoundThread* thread)
{
    if (!thread)
        return;
    if (thread->thread.joinable())
        thread->thread.join();
    delete thread;
}

void sound_thread_sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
