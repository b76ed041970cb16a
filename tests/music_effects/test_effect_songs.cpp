// The family songs and the every-effect song played whole through the replay and the mixer:
// positions stay inside the song, every voice inside its sample, and the song comes round.

#include <algorithm>
#include <vector>

#include "mixer/mixer.h"
#include "tests/music_effects/effect_songs.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

using EffectSongs = EffectsTest;

TEST_F(EffectSongs, EverySongPlaysInsideItsPatternsAndComesRound) {
    std::vector<EffectSong> songs = effect_family_songs();
    songs.push_back({"every_effect", every_effect_song()});
    std::vector<float> mix(2 * 4096);
    for (const EffectSong& song : songs) {
        SCOPED_TRACE(song.name);
        load(song.module);
        mixer_reset_voices();
        int starts_at_top = 0;
        const int ticks = song.name == "every_effect" ? 6000 : 3000;
        for (int t = 0; t < ticks && !HasFailure(); ++t) {
            const bool row_start = mod().tick == 0;
            const int frames = std::min<int>(mod().samples_per_tick, 4096); // tick, then frames
            music_tick(module_);
            starts_at_top += row_start && mod().order == 0 && mod().row == 0;
            ASSERT_TRUE(mod().order >= 0 && mod().order < mod().song_length) << mod().order;
            // A pattern loop may hold `row` one before its target until the next row start.
            EXPECT_GE(mod().row, -1);
            EXPECT_LT(mod().row, mod().patterns[mod().orders[mod().order]].rows);
            EXPECT_GE(mod().global_volume, 0);
            EXPECT_LE(mod().global_volume, 64);
            for (int c = 0; c < mod().num_channels; ++c) {
                const Voice& v = voice_table[c];
                if (v.sample) {
                    EXPECT_LE(v.position, v.sample->loop_start + v.sample->loop_length);
                }
            }
            std::fill(mix.begin(), mix.end(), 0.0f);
            mixer_mix(mix.data(), frames);
            mod().tick_samples_left = 0;
        }
        EXPECT_GE(starts_at_top, 2);
    }
}

// The songs of the peer differences play by our rules (the peers differ; see
// openmpt_differences.md).
TEST_F(EffectSongs, PeerDifferenceSongsPlayByOurRules) {
    const std::vector<EffectSong> songs = peer_difference_songs();
    // The loop's 6 rows, then rows 0..3 of the next pattern: the marked row starts at tick 60.
    load(songs[0].module);
    int ticks = 0;
    for (; ticks < 200 && !(mod().order == 1 && mod().row == 4); ++ticks)
        tick();
    EXPECT_EQ(ticks, 61);
    load(songs[1].module);
    EXPECT_EQ(trace(1, &Voice::frequency), V{8362});
    // Silent from the key off on, whatever the volume column sets.
    load(songs[2].module);
    EXPECT_EQ(trace(96, &Voice::volume),
              per_row({127, 127, 127, 127, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

} // namespace
