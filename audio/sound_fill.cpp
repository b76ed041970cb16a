// The block fill and the feeder, on its own thread or pumped by the caller: the only code that
// runs the song after sound_play has started it.
#include <cstring>

#include "mixer/mixer.h"
#include "audio/render.h"
#include "audio/sound_internal.h"
#include "music/music.h"

void sound_fill_block()
{
    SoundOutput& s = sound_state();
    Module* song = s.playing;
    if (!song || !s.mix || !s.ring)
        return;
    int b = s.block_frames;
    int w = s.write_index;
    float* region = s.mix + size_t(w) * size_t(b) * 2;
    std::memset(region, 0, size_t(b) * 8);
    render_frames(song, region, b);

    PositionEntry entry;
    entry.order = uint8_t(song->order);
    entry.row = uint8_t(song->row);
    entry.time_ms = int32_t(song->time_ms);
    s.positions[w].store(position_entry_pack(entry), std::memory_order_release);

    mixer_to_pcm16(s.ring + size_t(w) * size_t(b) * 2, region, b);
    w = w + 1;
    if (w == s.block_count)
        w = 0;
    s.write_index = w;
}

namespace {

// One polling cycle: the block being played, then every block played since the last cycle.
void feeder_poll(SoundOutput& s)
{
    const uint64_t ring_frames = uint64_t(s.ring_frames);
    const int b = s.block_frames;
    const int count = s.block_count;
    uint64_t frames = s.device->position() / 4;
    int p = int(frames % ring_frames);
    int n = p / b;
    int m = n == 0 ? count - 1 : n - 1;
    // Block numbers are compared without wrapping: a feeder that fell behind across the end of
    // the ring waits until the play position has wrapped too.
    while (s.write_index != n && (s.write_index <= m || m == 0)) {
        s.filling.store(true, std::memory_order_release);
        int r = s.reader_index.load(std::memory_order_relaxed) + 1;
        s.reader_index.store(r == count ? 0 : r, std::memory_order_release);
        sound_fill_block();
        s.filling.store(false, std::memory_order_release);
    }
}

}  // namespace

void sound_feeder_run()
{
    SoundOutput& s = sound_state();
    s.device->raise_thread_priority();
    while (!s.stop_requested.load(std::memory_order_acquire)) {
        feeder_poll(s);
        sound_thread_sleep_ms(5);
    }
    s.thread_finished.store(true, std::memory_order_release);
}

void sound_pump()
{
    SoundOutput& s = sound_state();
    if (!s.playing || s.thread || !s.device || !s.mix)
        return;
    feeder_poll(s);
}
