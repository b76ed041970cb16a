// The family songs and the every-effect song played whole through the replay and the
// mixer: positions stay inside the song and every voice stays inside its sample.

#include <vector>

#include "audio/mixer.h"
#include "audio/render.h"
#include "tests/music_effects/effect_songs.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

class EffectSongs : public EffectsTest {
protected:
    // Plays `ticks` ticks with the mixer, checking the position and every voice after each.
    // Returns the number of row starts seen at order 0, row 0 (the song's start).
    int playChecked(int ticks) {
        mixer_reset_voices();
        music_reset_playback(module_);
        std::vector<float> mix(2 * 4096);
        int starts_at_top = 0;
        for (int t = 0; t < ticks; ++t) {
            const bool row_start = mod().tick == 0;
            const int frames = mod().samples_per_tick; // tick first, then its frames
            music_tick(module_);
            if (row_start && mod().order == 0 && mod().row == 0)
                ++starts_at_top;
            EXPECT_GE(mod().order, 0);
            EXPECT_LT(mod().order, mod().song_length);
            const Pattern& p = mod().patterns[mod().orders[mod().order]];
            // A pattern loop may hold `row` one before its target until the next row start.
            EXPECT_GE(mod().row, -1);
            EXPECT_LT(mod().row, p.rows);
            EXPECT_GE(mod().speed, 0);
            EXPECT_GE(mod().global_volume, 0);
            EXPECT_LE(mod().global_volume, 64);
            for (int c = 0; c < mod().num_channels; ++c) {
                const Voice& v = voice_table[c];
                if (v.sample) {
                    EXPECT_LE(v.position, v.sample->loop_start + v.sample->loop_length);
                }
            }
            std::fill(mix.begin(), mix.end(), 0.0f);
            mixer_mix(mix.data(), frames < 4096 ? frames : 4096);
            mod().tick_samples_left = 0;
            if (HasFailure())
                return starts_at_top;
        }
        return starts_at_top;
    }
};

TEST_F(EffectSongs, FamilySongsPlayInsideTheirPatterns) {
    for (const EffectSong& song : effect_family_songs()) {
        SCOPED_TRACE(song.name);
        load(song.module);
        const int starts = playChecked(3000);
        EXPECT_GE(starts, 2) << "the song comes back to its start";
    }
}

TEST_F(EffectSongs, EveryEffectSongPlaysRoundAndRound) {
    load(every_effect_song());
    EXPECT_GE(playChecked(6000), 2);
}

TEST_F(EffectSongs, EveryEffectSongRendersThroughTheTickAndMixLoop) {
    load(every_effect_song());
    mixer_reset_voices();
    music_reset_playback(module_);
    std::vector<float> mix(2 * 44100);
    for (int second = 0; second < 20; ++second) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module_, mix.data(), 44100);
    }
    // Twenty seconds of song: the clock advanced by about that much.
    EXPECT_NEAR(mod().time_ms, 20000, 2000);
}

} // namespace
