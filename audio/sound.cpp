// The sound output's life cycle: opening the device, starting and stopping a song, closing,
// and the position queries that read the table slot of the block being heard.
#include "audio/sound.h"

#include <cstdlib>
#include <cstring>
#include <thread>

#include "mixer/mixer.h"
#include "audio/sound_internal.h"
#include "music/music.h"

namespace {

const WaveDevice* g_chosen_device = nullptr;
bool g_threaded = true;

void spin_while_filling()
{
    while (sound_state().filling.load(std::memory_order_acquire))
        std::this_thread::yield();
}

// The feeder's entry in the thread facility's shape.
void feeder_entry(void*) { sound_feeder_run(); }

// music_free's part: wait until the feeder has left its block fill, then stop playback.
bool stop_for_free(Module* module)
{
    spin_while_filling();
    return sound_stop(module);
}

void release_ring(SoundOutput& s)
{
    std::free(s.ring);
    s.ring = nullptr;
    s.ring_started = false;
    s.header_prepared = false;
}

// A query that is held up between reading R and reading the slot could get the slot's next
// lap, two seconds ahead: the slot is refilled only after R has moved on, so reading R again
// tells whether that happened. A few retries; the feeder moves R once per 20 ms.
PositionEntry entry_of(const SoundOutput& s)
{
    int r = s.reader_index.load(std::memory_order_acquire);
    uint64_t slot = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (r < 0 || r >= SOUND_BLOCK_COUNT)
            r = 0;
        slot = s.positions[r].load(std::memory_order_acquire);
        int again = s.reader_index.load(std::memory_order_acquire);
        if (again == r)
            break;
        r = again;
    }
    return position_entry_unpack(slot);
}

}  // namespace

SoundOutput& sound_state()
{
    // Never destroyed: a process that exits while a song plays (a window close ends it at once)
    // must not run ~thread on a running feeder, which would abort.
    static SoundOutput* output = new SoundOutput;
    return *output;
}

const SoundOutput& sound_output() { return sound_state(); }

uint64_t position_entry_pack(PositionEntry entry)
{
    uint8_t bytes[8] = {};
    std::memcpy(bytes, &entry, sizeof entry);
    uint64_t slot = 0;
    for (int i = 7; i >= 0; --i)
        slot = slot << 8 | bytes[i];
    return slot;
}

PositionEntry position_entry_unpack(uint64_t slot)
{
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = uint8_t(slot >> (8 * i));
    PositionEntry entry;
    std::memcpy(&entry, bytes, sizeof entry);
    return entry;
}

PositionEntry sound_position_entry(int block)
{
    if (block < 0 || block >= SOUND_BLOCK_COUNT)
        return PositionEntry{0, 0, 0};
    return position_entry_unpack(sound_state().positions[block].load(std::memory_order_acquire));
}

void sound_set_device(const WaveDevice* device) { g_chosen_device = device; }

void sound_set_threaded(bool threaded) { g_threaded = threaded; }

bool sound_open(int rate)
{
    if (!music_file_callbacks_complete())
        return false;
    sound_close();
    if (rate < SOUND_MIN_RATE || rate > SOUND_MAX_RATE)
        return false;
    SoundOutput& s = sound_state();
    const WaveDevice* device = g_chosen_device ? g_chosen_device : wave_device_default();
    s.rate = rate;
    if (!device || !device->open(rate))
        return false;
    s.device = device;
    s.block_frames = (rate * 20 / 1000 + 3) / 4 * 4;
    s.ring_frames = s.block_frames * (BUFFER_MS / 20) * 2;
    s.block_count = s.ring_frames / s.block_frames;
    mixer_set_rate(rate);
    mixer_reset_voices();
    music_set_stop_hook(stop_for_free);
    return true;
}

void sound_close()
{
    SoundOutput& s = sound_state();
    // The feeder thread writes the ring the device reads: it must end before either goes.
    if (s.playing)
        sound_stop(s.playing);
    if (s.device) {
        s.device->reset();
        s.device->close();
        s.device = nullptr;
    }
    release_ring(s);
}

bool sound_play(Module* module)
{
    if (!module)
        return false;
    sound_stop(module);
    SoundOutput& s = sound_state();
    if (!s.device)
        return false;

    music_reset_playback(module);
    s.playing = module;

    for (auto& slot : s.positions)
        slot.store(0, std::memory_order_relaxed);
    s.write_index = 0;
    s.reader_index.store(0, std::memory_order_release);

    // A ring from an earlier play may still be looping: stop the device before replacing it.
    if (s.ring_started || s.header_prepared)
        s.device->reset();
    release_ring(s);
    size_t ring_bytes = size_t(s.ring_frames) * 4;
    s.ring = static_cast<int16_t*>(std::calloc(ring_bytes, 1));
    s.mix_raw = std::calloc(size_t(s.ring_frames) * 8 + 256, 1);
    if (!s.ring || !s.mix_raw) {
        std::free(s.mix_raw);
        s.mix_raw = nullptr;
        release_ring(s);
        s.playing = nullptr;
        return false;
    }
    s.device->prepare(s.ring, uint32_t(ring_bytes));
    s.header_prepared = true;
    uintptr_t at = reinterpret_cast<uintptr_t>(s.mix_raw);
    s.mix = reinterpret_cast<float*>((at + 15) & ~uintptr_t(15));

    do {
        sound_fill_block();
    } while (s.write_index != 0);

    s.device->write();
    s.ring_started = true;

    s.stop_requested.store(false, std::memory_order_release);
    if (!g_threaded)
        return true;
    // Cleared here rather than by the thread, so a sound_stop that comes before the thread has
    // begun still waits for it instead of letting it run on into the next play.
    s.thread_finished.store(false, std::memory_order_release);
    s.thread = sound_thread_start(feeder_entry, nullptr);
    if (!s.thread) {
        // No feeder: stop as sound_stop does; the device loops the ring as filled.
        s.thread_finished.store(true, std::memory_order_release);
        sound_stop(module);
        return false;
    }
    return true;
}

bool sound_stop(Module* module)
{
    if (!module)
        return false;
    SoundOutput& s = sound_state();
    s.stop_requested.store(true, std::memory_order_release);
    spin_while_filling();
    if (s.thread) {
        while (!s.thread_finished.load(std::memory_order_acquire))
            sound_thread_sleep_ms(50);
        sound_thread_join(s.thread);
        s.thread = nullptr;
    }
    std::free(s.mix_raw);
    s.mix_raw = nullptr;
    s.mix = nullptr;
    // The voices point into the song's samples, and music_free releases them next: a later
    // play would otherwise mix freed memory.
    for (Voice& voice : voice_table)
        voice.sample = nullptr;
    if (s.header_prepared && s.device)
        s.device->unprepare();
    s.header_prepared = false;
    s.playing = nullptr;
    // The table is a fixed part of SoundOutput: a late query reads the last entry heard
    // instead of released memory.
    return true;
}

int sound_get_order(Module* module)
{
    if (!module)
        return 0;
    return entry_of(sound_state()).order;
}

int sound_get_row(Module* module)
{
    if (!module)
        return 0;
    return entry_of(sound_state()).row;
}

int sound_get_time(Module* module)
{
    if (!module)
        return 0;
    return entry_of(sound_state()).time_ms;
}
