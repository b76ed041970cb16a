// The sound output: plays one Module through a wave device by keeping a ring of PCM blocks
// about two seconds ahead of it, refilled by a feeder thread, and answers the song position of
// the block being heard from a per-block position table.
#pragma once

#include <atomic>
#include <cstdint>
#include "audio/device.h"
#include "audio/thread.h"

struct Module;

// Length of the device buffer setting; the ring holds twice this.
constexpr int BUFFER_MS = 1000;
// Position table entries: ring frames / block frames is 100 at every rate.
constexpr int SOUND_BLOCK_COUNT = BUFFER_MS / 20 * 2;
// Accepted output rates: below 345 Hz the mixer's ramp length is 0 frames.
constexpr int SOUND_MIN_RATE = 345;
constexpr int SOUND_MAX_RATE = 768000;

// The song position at the end of one ring block: 6 bytes, packed, little-endian.
#pragma pack(push, 1)
struct PositionEntry {
    uint8_t order;    // order position, low 8 bits
    uint8_t row;      // row, low 8 bits
    int32_t time_ms;  // song clock in milliseconds, unaligned
};
#pragma pack(pop)
static_assert(sizeof(PositionEntry) == 6, "PositionEntry is a packed 6-byte record");

// The one sound output. The feeder thread and the caller's thread share only the atomics;
// each table slot holds the 6 bytes of one PositionEntry in its low bytes, so an entry is read
// and written whole (a 6-byte atomic would not be lock-free).
struct SoundOutput {
    int rate = 0;
    const WaveDevice* device = nullptr;  // the open device, or null
    int block_frames = 0;                // B: 20 ms rounded up to a multiple of 4 frames
    int ring_frames = 0;                 // B * (BUFFER_MS / 20) * 2
    int block_count = 0;                 // ring frames / B
    int16_t* ring = nullptr;             // PCM ring, ring frames * 2 samples
    bool ring_started = false;           // the device has been given the ring to play
    bool header_prepared = false;        // the device holds the ring as a prepared buffer
    void* mix_raw = nullptr;             // the mix buffer's allocation
    float* mix = nullptr;                // the mix buffer, aligned to 16 bytes
    std::atomic<uint64_t> positions[SOUND_BLOCK_COUNT] = {};  // the position table
    int write_index = 0;                                      // W: next block to fill
    std::atomic<int> reader_index{0};                         // R: block being heard
    Module* playing = nullptr;
    SoundThread* thread = nullptr;       // the feeder thread, or null
    std::atomic<bool> stop_requested{false};
    std::atomic<bool> filling{false};
    std::atomic<bool> thread_finished{true};
};

// Opens the wave device for `rate` frames per second (44100 in this system), computes the
// block sizes and the mixer settings, and resets the 256 voices. False if any of the five
// registered file callbacks is null, if the rate is outside SOUND_MIN_RATE..SOUND_MAX_RATE, or
// if the device refuses; a device already open is closed first. Caller's thread.
bool sound_open(int rate);

// Stops any playing song, resets and closes the device, and releases the PCM ring. Harmless
// when nothing is open. Caller's thread.
void sound_close();

// Plays `module` from its first order: stops what plays, resets the song's playback state,
// fills the whole ring, starts the device and the feeder thread (see sound_set_threaded). False for a null module, when
// the output is not open, or when a buffer or the feeder thread cannot be had. Caller's thread.
bool sound_play(Module* module);

// Stops the feeder thread, releases the mix buffer and silences every voice (they may point
// into a song about to be freed); the device goes on looping the ring as last filled until
// sound_close. False for a null module. Caller's thread.
bool sound_stop(Module* module);

// The order position (0..255), row (0..255) and song clock in milliseconds of the block being
// heard; 0 for a null module. Meaningful between sound_play and sound_stop; any thread.
int sound_get_order(Module* module);
int sound_get_row(Module* module);
int sound_get_time(Module* module);

// Fills ring block W with the next B frames of the playing song, records the block's entry,
// and advances W (back to 0 after the last block). Does nothing without a playing song. Runs on
// the caller's thread during sound_play's initial fill, then only on the feeder thread (or in
// sound_pump when there is none).
void sound_fill_block();

// Whether sound_play starts a feeder thread (true, the default) or leaves the feeding to
// sound_pump on the caller's thread: for a platform without threads, and for the capture, which
// moves its device itself and wants each block filled at once rather than within 5 ms.
// Takes effect at the next sound_play. Caller's thread.
void sound_set_threaded(bool threaded);

// One polling cycle of the feeder on the calling thread, without sleeping: reads the device's
// play position and refills every block played since the last cycle, as the feeder thread
// does every 5 ms. Does nothing unless a song plays without a feeder thread. Call it at
// least once per block (the frame clock's wait does, through its idle hook).
void sound_pump();

// Chooses the device the next sound_open uses; null restores wave_device_default().
void sound_set_device(const WaveDevice* device);

// The sound output's state, for tests and measurements. Read-only.
const SoundOutput& sound_output();

// The entry of table slot `block` (0..SOUND_BLOCK_COUNT - 1), decoded.
PositionEntry sound_position_entry(int block);
