// The frame clock over the song time of the block being heard.
#include "demo/frame_clock.h"

#include <chrono>

#include "audio/sound.h"
#include "demo/demo.h"

uint32_t pendingTicks = 0;
uint32_t lastClock = 0;

namespace {

void (*idle_hook)() = nullptr;
int (*time_source)(Module*) = sound_get_time;
int stall_ms = FRAME_CLOCK_STALL_MS;

uint32_t read_clock(Module* module) { return static_cast<uint32_t>(time_source(module)); }

} // namespace

uint32_t frame_clock_ticks(uint32_t elapsed) {
    uint32_t ticks = elapsed >> TICK_SHIFT;
    return ticks == 0 ? 1 : ticks;
}

void startFrameClock(Module* module) {
    lastClock = read_clock(module);
    pendingTicks = lastClock;
}

void waitFrameClock(Module* module) {
    using Clock = std::chrono::steady_clock;
    const auto stallLimit = std::chrono::milliseconds(stall_ms);
    const auto start = Clock::now();
    while (read_clock(module) == lastClock) {
        if (idle_hook) idle_hook();
        if (Clock::now() - start >= stallLimit) {
            // The song clock does not move: draw anyway, one tick.
            pendingTicks = 1;
            lastClock = read_clock(module);
            return;
        }
    }
    uint32_t elapsed = read_clock(module) - lastClock;
    pendingTicks = frame_clock_ticks(elapsed);
    lastClock = read_clock(module);
}

void frame_clock_set_idle_hook(void (*hook)()) { idle_hook = hook; }

void frame_clock_set_stall_ms(int ms) { stall_ms = ms > 0 ? ms : FRAME_CLOCK_STALL_MS; }

void frame_clock_set_time_source(int (*getTime)(Module* module)) {
    time_source = getTime ? getTime : sound_get_time;
}
