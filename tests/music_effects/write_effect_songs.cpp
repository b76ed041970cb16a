// Writes the effect family songs, the every-effect song, the edge songs and the peer-difference
// songs as XM files into a directory, for the golden renders and side-by-side ones with other
// players: music_effects_songs OUT_DIR
#include <cstdio>
#include <string>
#include <utility>

#include "tests/music_effects/effect_songs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<EffectSong> songs = effect_family_songs();
    songs.push_back({"every_effect", every_effect_song()});
    for (EffectSong& song : peer_difference_songs())
        songs.push_back(std::move(song));
    for (EffectSong& song : edge_songs())
        songs.push_back(std::move(song));
    for (const EffectSong& song : songs) {
        const std::string path = dir + "/fx_" + song.name + ".xm";
        if (!xm_save(song.module, path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
