// Helpers for the sound output tests: a small song made with the XM writer, a module with a
// scripted tick, and the offline render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"  // serve_bytes: the song under any name

// Four channels, a few patterns, looped (one ping-pong) and one-shot samples, pans, envelopes.
std::vector<uint8_t> test_song_bytes();

// Registers test_song_bytes() as "song.xm" and loads it; release with music_free.
Module* test_song_load();

// A zeroed module whose tick only counts ticks since the last playback reset: row = ticks and
// order = ticks / 4 (before the 8-bit cut); samples_per_tick = tick_frames when tick_frames > 0.
struct ScriptedSong {
    Module module{};
    explicit ScriptedSong(int tick_frames = 0);
};

// The first `frames` frames of `module` as 16-bit PCM, rendered offline from its start (state
// and voices reset) in pieces of `piece` frames; `positions`, if given, gets the song position
// after each piece.
std::vector<int16_t> offline_pcm(Module* module, int frames, int piece,
                                 std::vector<PositionEntry>* positions = nullptr);
