// The SDL2 wave device. The callback copies the ring in a loop and counts the bytes; the play
// position is that count less SDL's buffer (what is still queued), advanced between callbacks
// by the monotonic clock, because the count itself moves in whole-buffer steps of ~23 ms.
#include "audio/sdl/sdl_device.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// SDL's dummy and disk drivers keep real-time pace only with 1024-frame buffers.
const int DEVICE_BUFFER_FRAMES = 1024;

// Guards the state the callback shares with the other calls.
std::mutex g_lock;
SDL_AudioDeviceID g_device = 0;
// Set by open and close only, read by the feeder thread's position calls.
std::atomic<bool> g_silent{false};
int g_rate = 0;
uint32_t g_buffer_bytes = 0;
const int16_t* g_ring = nullptr;
uint32_t g_ring_bytes = 0;
bool g_playing = false;
uint64_t g_copied = 0;
Clock::time_point g_last_callback;
uint64_t g_last_reported = 0;

void SDLCALL sdl_callback(void*, Uint8* stream, int len)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_playing || !g_ring || g_ring_bytes == 0) {
        std::memset(stream, 0, size_t(len));
        return;
    }
    uint32_t offset = uint32_t(g_copied % g_ring_bytes);
    const Uint8* ring = reinterpret_cast<const Uint8*>(g_ring);
    int done = 0;
    while (done < len) {
        uint32_t n = g_ring_bytes - offset;
        if (n > uint32_t(len - done))
            n = uint32_t(len - done);
        std::memcpy(stream + done, ring + offset, n);
        done += int(n);
        offset = 0;
    }
    g_copied += uint64_t(len);
    g_last_callback = Clock::now();
}

bool sdl_open(int rate)
{
    if (rate <= 0)
        return false;
    g_silent = false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want = {};
        SDL_AudioSpec have = {};
        want.freq = rate;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = DEVICE_BUFFER_FRAMES;
        want.callback = sdl_callback;
        // No allowed changes: SDL converts to whatever the hardware wants.
        SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device != 0) {
            std::lock_guard<std::mutex> hold(g_lock);
            g_device = device;
            g_rate = rate;
            g_buffer_bytes = uint32_t(have.samples) * 4;
            g_playing = false;
            g_ring = nullptr;
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // SDL does not try another driver by itself; without an output the song still has to move.
    bool silent = silent_wave_device()->open(rate);
    g_silent = silent;
    return silent;
}

void sdl_prepare(const int16_t* ring, uint32_t bytes)
{
    if (g_silent)
        return silent_wave_device()->prepare(ring, bytes);
    std::lock_guard<std::mutex> hold(g_lock);
    g_ring = ring;
    g_ring_bytes = bytes;
}

void sdl_write()
{
    if (g_silent)
        return silent_wave_device()->write();
    if (g_device == 0)
        return;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_ring)
            return;
        g_copied = 0;
        g_last_reported = 0;
        g_playing = true;
    }
    SDL_PauseAudioDevice(g_device, 0);
}

uint64_t sdl_position()
{
    if (g_silent)
        return silent_wave_device()->position();
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_playing || g_copied < g_buffer_bytes)
        return 0;
    // The last buffer handed over is being heard from the moment it was taken.
    auto elapsed = Clock::now() - g_last_callback;
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    if (ns > 1000000000)
        ns = 1000000000;  // a stalled callback: the cap below applies anyway
    uint64_t ahead = ns <= 0 ? 0 : uint64_t(ns) * uint64_t(g_rate) / 1000000000u * 4;
    if (ahead > g_buffer_bytes)
        ahead = g_buffer_bytes;
    uint64_t heard = g_copied - g_buffer_bytes + ahead;
    if (heard < g_last_reported)
        heard = g_last_reported;
    g_last_reported = heard;
    return heard;
}

void sdl_unprepare()
{
    if (g_silent)
        silent_wave_device()->unprepare();
}

void sdl_reset()
{
    if (g_silent)
        return silent_wave_device()->reset();
    if (g_device != 0)
        SDL_PauseAudioDevice(g_device, 1);
    std::lock_guard<std::mutex> hold(g_lock);
    g_playing = false;
    g_ring = nullptr;
    g_ring_bytes = 0;
}

void sdl_close()
{
    if (g_silent) {
        silent_wave_device()->close();
        g_silent = false;
        return;
    }
    if (g_device == 0)
        return;
    // Closing waits for a running callback; after it the ring is never read again.
    SDL_CloseAudioDevice(g_device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    std::lock_guard<std::mutex> hold(g_lock);
    g_device = 0;
    g_playing = false;
    g_ring = nullptr;
    g_ring_bytes = 0;
}

void sdl_raise_thread_priority() { SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL); }

const WaveDevice SDL_DEVICE = {
    "sdl", sdl_open, sdl_prepare, sdl_write, sdl_position,
    sdl_unprepare, sdl_reset, sdl_close, sdl_raise_thread_priority,
};

}  // namespace

const WaveDevice* sdl_wave_device() { return &SDL_DEVICE; }

const WaveDevice* wave_device_default() { return &SDL_DEVICE; }

bool sdl_device_is_silent() { return g_silent; }

uint64_t sdl_device_copied_bytes()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_copied;
}

uint32_t sdl_device_buffer_bytes()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_buffer_bytes;
}
