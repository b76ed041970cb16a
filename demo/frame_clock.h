#pragma once
// The frame clock: paces the frame loop by the song time of the block being heard and turns
// the song time that passed into animation ticks.

#include <cstdint>

struct Module;

// Ticks for `elapsed` ms of song time: elapsed >> 5, at least 1.
uint32_t frame_clock_ticks(uint32_t elapsed);

// lastClock = song time now; pendingTicks the same (overwritten by the first wait).
void startFrameClock(Module* module);

// Spins until the song time differs from lastClock, then sets pendingTicks from the time that
// passed and lastClock from a third read. A song clock that stays put for
// the stall limit of wall time (no song, no sound device) ends the wait with one tick,
// so the loop still draws and reacts to keys. Main thread.
void waitFrameClock(Module* module);

// Ticks the current frame still has to run; the frame loop counts it down.
extern uint32_t pendingTicks;
// Song time seen by the previous wait.
extern uint32_t lastClock;

constexpr int FRAME_CLOCK_STALL_MS = 100;

// Called on every turn of the wait's spin (null: none). The capture tool moves its in-memory
// sound device from here, so the device only moves once the clock has been read.
void frame_clock_set_idle_hook(void (*hook)());
// Wall time after which a clock that stays put ends the wait (default FRAME_CLOCK_STALL_MS).
void frame_clock_set_stall_ms(int ms);
// Where the wait reads the song time: sound_get_time by default; tests substitute a clock.
void frame_clock_set_time_source(int (*getTime)(Module* module));
