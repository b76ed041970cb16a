// Helpers for the sound output tests: in-memory XM files behind the file callbacks, a small
// song made with the XM writer, a module with a scripted tick, and the offline render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "music/music.h"

// Serves `bytes` as the file `name` through the five music file callbacks.
void test_files_register(const std::string& name, const std::vector<uint8_t>& bytes);

// A four-channel song of a few patterns with looped and one-shot samples, pans and volumes.
std::vector<uint8_t> test_song_bytes();

// Registers test_song_bytes() as "song.xm" and loads it; release with music_free.
Module* test_song_load();

// A zeroed module whose tick entry only counts ticks: order = ticks / 4 and row = ticks, both
// before the 8-bit cut, counted from the last playback reset, and, when tick_frames > 0, samples_per_tick = tick_frames.
struct ScriptedSong {
    Module module{};
    explicit ScriptedSong(int tick_frames = 0);
};

// Song position after each of `blocks` blocks of `block_frames`, rendered offline from the
// start of `module` (its playback state and the voices are reset first).
std::vector<PositionEntry> offline_positions(Module* module, int block_frames, int blocks);

// The first `frames` frames of `module` as 16-bit PCM, rendered offline from its start in
// pieces of `piece` frames.
std::vector<int16_t> offline_pcm(Module* module, int frames, int piece);
