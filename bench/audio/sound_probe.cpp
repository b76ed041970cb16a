// Measures the SDL path while a song plays: how far the callback's copy position runs ahead of
// the reported play position, the spacing of block changes seen by the feeder thread, and the
// pace of the play position and the song clock. sound_probe [SECONDS] [SONG.xm]; the driver
// comes from SDL_AUDIODRIVER.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "audio/sdl/sdl_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

int main(int argc, char** argv)
{
    std::ifstream in(argc > 2 ? argv[2] : "", std::ios::binary);
    music_test::serve_bytes({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    Module* song = argc > 2 ? music_load("song.xm", nullptr) : test_song_load();
    if (!song || !sound_open(44100) || !sound_play(song))
        return std::fprintf(stderr, "sound_probe: cannot load the song or open the output\n"), 2;
    const SoundOutput& s = sound_output();
    std::printf("device: %s%s\n", s.device->name, sdl_device_is_silent() ? " (silent clock)" : "");
    std::vector<double> delays, gaps;
    auto t0 = std::chrono::steady_clock::now();
    uint64_t pos0 = s.device->position();
    int time0 = sound_get_time(song), block = s.reader_index.load();
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0, last_change = -1, now = 0;
    while ((now = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count()) < seconds * 1000) {
        if (s.reader_index.load() != block) {
            if (last_change >= 0)
                gaps.push_back(now - last_change);
            last_change = now;
            block = s.reader_index.load();
        }
        uint64_t copied = sdl_device_copied_bytes(), played = s.device->position();
        if (copied > 0 && !sdl_device_is_silent())
            delays.push_back(double(copied - std::min(copied, played)) / 4 * 1000 / 44100);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    for (auto [what, v] : {std::pair{"copy position ahead of reported position", delays},
                           {"interval between block changes (ideal 20.045)", gaps}}) {
        std::sort(v.begin(), v.end());
        double mean = 0, sq = 0;
        for (double x : v)
            mean += x / double(v.size());
        for (double x : v)
            sq += (x - mean) * (x - mean) / double(v.size());
        if (!v.empty())
            std::printf("%s: n=%zu mean=%.2f sd=%.2f p99=%.2f max=%.2f ms\n", what, v.size(), mean,
                        std::sqrt(sq), v[v.size() * 99 / 100], v.back());
    }
    std::printf("pace of the play position %.4f, of the song clock %.4f x real time\n",
                double(s.device->position() - pos0) / 4 * 1000 / 44100 / now,
                double(sound_get_time(song) - time0) / now);
    music_free(song);
    sound_close();
    return 0;
}
