// The in-memory wave device: the play position is set by the caller, and what it passes can be
// recorded, so tests and the capture tool run the sound output deterministically.
#include "audio/memory/memory_device.h"

#include <atomic>
#include <mutex>

namespace {

// Guards everything but the position, which the feeder thread polls.
std::mutex g_lock;
MemoryDeviceStatus g_status = {};
bool g_refuse = false;
bool g_recording = false;
std::vector<int16_t> g_recorded;
std::atomic<uint64_t> g_position{0};

void record_span(uint64_t from, uint64_t to)
{
    uint64_t ring_frames = g_status.ring_bytes / 4;
    if (!g_status.ring || ring_frames == 0)
        return;
    for (uint64_t f = from / 4; f < to / 4; ++f) {
        uint64_t at = f % ring_frames;
        g_recorded.push_back(g_status.ring[at * 2]);
        g_recorded.push_back(g_status.ring[at * 2 + 1]);
    }
}

bool memory_open(int rate)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_refuse || rate <= 0)
        return false;
    g_status.open = true;
    g_status.rate = rate;
    g_status.opens++;
    return true;
}

void memory_prepare(const int16_t* ring, uint32_t bytes)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_status.ring = ring;
    g_status.ring_bytes = bytes;
    g_status.prepared = true;
}

void memory_write()
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_status.open || !g_status.ring)
        return;
    g_position.store(0);
    g_status.playing = true;
}

uint64_t memory_position() { return g_position.load(std::memory_order_acquire); }

void memory_unprepare()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_status.prepared = false;
}

void memory_reset()
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_status.playing = false;
    g_status.prepared = false;
    g_status.ring = nullptr;
    g_status.ring_bytes = 0;
    g_status.resets++;
    g_position.store(0);
}

void memory_close()
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_status.open)
        return;
    g_status.playing = false;
    g_status.prepared = false;
    g_status.ring = nullptr;
    g_status.ring_bytes = 0;
    g_status.open = false;
    g_status.closes++;
    g_position.store(0);
}

void memory_raise_thread_priority() {}

const WaveDevice MEMORY_DEVICE = {
    "memory", memory_open,  memory_prepare, memory_write, memory_position,
    memory_unprepare, memory_reset, memory_close, memory_raise_thread_priority,
};

}  // namespace

const WaveDevice* memory_wave_device() { return &MEMORY_DEVICE; }

void memory_device_set_position(uint64_t bytes)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_status.playing)
        return;
    uint64_t old = g_position.load();
    if (g_recording && bytes > old)
        record_span(old, bytes);
    g_position.store(bytes, std::memory_order_release);
}

void memory_device_advance(uint64_t frames)
{
    memory_device_set_position(g_position.load() + frames * 4);
}

uint64_t memory_device_position() { return g_position.load(); }

void memory_device_record(bool on)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_recording = on;
    if (on)
        g_recorded.clear();
}

std::vector<int16_t> memory_device_recording()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_recorded;
}

void memory_device_refuse_open(bool refuse)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_refuse = refuse;
}

MemoryDeviceStatus memory_device_status()
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_status;
}
