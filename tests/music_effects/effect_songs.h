#pragma once
// Songs that exercise the effect commands family by family, and one that uses every effect,
// every extended effect and every volume-column range, and tiny songs for the corners. The
// music_effects_songs tool writes them out; their renders are compared with golden checksums.

#include <string>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

struct EffectSong {
    std::string name;
    XmModuleDef module;
};

// pitch (1..6, arpeggio, E1, E2, E4, E5, X, volume-column vibrato and portamento),
// volume (A, C, EA, EB, 7, T, R, E9, EC, G, H, volume-column volumes), panning (8, P, E8,
// volume-column panning) and note (9, ED, K, L), in that order; the flow and speed commands
// are in the every-effect song and the edge songs.
std::vector<EffectSong> effect_family_songs();

// Where the engine parts from other players on purpose: E6 loop end then the next
// pattern (loop_next), the Amiga frequency of C-4 (amiga_c4), key off without a volume
// envelope then volume-column set-volume (keyoff_volume).
std::vector<EffectSong> peer_difference_songs();

// Four channels, every effect number 0..35, E0..EF and every volume-column range, with
// enveloped, looped and unlooped instruments; ends by jumping back to its start.
XmModuleDef every_effect_song();

// One tiny song per corner of an effect: edges of the song and the pattern, memories, clamps.
std::vector<EffectSong> edge_songs();
