// The wave output device contract: the few calls the sound output makes to a platform's sound
// device. Each backend (audio/sdl/, audio/memory/, the silent clock, a waveOut backend) fills in
// one WaveDevice; the sound output calls it only from the places named below.
#pragma once

#include <cstdint>

// One device, module-level state in its backend. All calls come from the sound output, which
// serialises them except `position`, which the feeder thread calls while the caller's thread may
// be inside `unprepare` or `reset` of the same device; backends make those safe together.
struct WaveDevice {
    const char* name;

    // Opens the default output for 16-bit signed stereo PCM, left first, at `rate` frames per
    // second. True on success; false leaves the device closed. (waveOutOpen, WAVE_MAPPER)
    bool (*open)(int rate);

    // Hands over the looping buffer: `ring` holds `bytes` bytes (a multiple of 4) that the
    // device plays in a loop from its first frame once `write` is called. The caller keeps
    // `ring` alive until `reset` or `close`. (one looping WAVEHDR; waveOutPrepareHeader)
    void (*prepare)(const int16_t* ring, uint32_t bytes);

    // Starts playing the prepared buffer at its first frame; the play position restarts at 0.
    // (waveOutWrite)
    void (*write)();

    // Bytes played (heard) since `write`, counting on across loops of the buffer; 0 when not
    // playing. Never goes back while playing. Any thread. (waveOutGetPosition, TIME_BYTES; a
    // 32-bit counter is extended by its wraps, which the 5 ms polling always sees)
    uint64_t (*position)();

    // Gives the buffer back to the caller's bookkeeping; playback goes on looping it.
    // (waveOutUnprepareHeader, whose refusal while playing is ignored)
    void (*unprepare)();

    // Stops playback at once and forgets the buffer; afterwards the device reads no PCM.
    // (waveOutReset)
    void (*reset)();

    // Closes the device (after a reset if needed). Harmless when it is not open. (waveOutClose)
    void (*close)();

    // Raises the calling thread's priority as far as the platform allows without privileges.
    // The feeder thread calls it first. (SetThreadPriority, THREAD_PRIORITY_TIME_CRITICAL)
    void (*raise_thread_priority)();
};

// The device the sound output uses: the one the linked backend provides (each backend library
// defines this function, and a program links exactly one), unless sound_set_device chose another.
const WaveDevice* wave_device_default();

// A device that plays nothing: its position follows the monotonic clock at the open rate, so
// the song clock moves in real time without a sound card. Says so once on standard error when
// first opened. Portable; other backends fall back to it.
const WaveDevice* silent_wave_device();
