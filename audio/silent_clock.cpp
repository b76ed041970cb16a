// The silent clock: a wave device without sound whose play position follows the monotonic
// clock, so the song clock moves in real time on a machine without a sound card.
#include "audio/device.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_rate{0};
std::atomic<bool> g_playing{false};
// Start of playback in steady-clock ticks; position() reads it from the feeder thread.
std::atomic<Clock::rep> g_start{0};
std::atomic<bool> g_told{false};

bool silent_open(int rate)
{
    if (rate <= 0)
        return false;
    g_rate.store(rate);
    g_playing.store(false);
    if (!g_told.exchange(true))
        std::fprintf(stderr, "vorru: no sound device could be opened; playing silently, timed by "
                             "the monotonic clock\n");
    return true;
}

void silent_prepare(const int16_t*, uint32_t) {}

void silent_write()
{
    g_start.store(Clock::now().time_since_epoch().count());
    g_playing.store(true);
}

uint64_t silent_position()
{
    if (!g_playing.load())
        return 0;
    Clock::duration elapsed = Clock::now().time_since_epoch() - Clock::duration(g_start.load());
    if (elapsed.count() < 0)
        return 0;
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    // Whole frames only, as a device counts them: seconds * rate, 4 bytes per frame.
    uint64_t frames = uint64_t(ns) / 1000000000u * uint64_t(g_rate.load()) +
                      uint64_t(ns) % 1000000000u * uint64_t(g_rate.load()) / 1000000000u;
    return frames * 4;
}

void silent_unprepare() {}

void silent_reset() { g_playing.store(false); }

void silent_close()
{
    g_playing.store(false);
    g_rate.store(0);
}

void silent_raise_thread_priority() {}

const WaveDevice SILENT_DEVICE = {
    "silent clock", silent_open,  silent_prepare, silent_write,
    silent_position, silent_unprepare, silent_reset, silent_close,
    silent_raise_thread_priority,
};

}  // namespace

const WaveDevice* silent_wave_device() { return &SILENT_DEVICE; }
