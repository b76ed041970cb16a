// Measures the SDL path while a song plays: the delay between the callback's copy position
// and the reported play position, the spacing of block changes as the feeder thread makes
// them, and the pace of the play position and the song clock against the monotonic clock.
// sound_probe [SECONDS] [SONG.xm]; the driver comes from SDL_AUDIODRIVER as usual.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "audio/sdl/sdl_device.h"
#include "audio/sound.h"
#include "tests/sound/sound_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void summary(const char* what, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    double sum = 0, sq = 0;
    for (double x : v)
        sum += x;
    double mean = sum / double(v.size());
    for (double x : v)
        sq += (x - mean) * (x - mean);
    std::printf("%s: n=%zu mean=%.2f sd=%.2f min=%.2f p50=%.2f p99=%.2f max=%.2f ms\n", what,
                v.size(), mean, std::sqrt(sq / double(v.size())), v.front(), v[v.size() / 2],
                v[v.size() * 99 / 100], v.back());
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    Module* song = nullptr;
    if (argc > 2) {
        std::ifstream in(argv[2], std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        test_files_register("probe.xm", bytes);
        song = music_load("probe.xm", nullptr);
    } else {
        song = test_song_load();
    }
    if (!song) {
        std::fprintf(stderr, "sound_probe: cannot load the song\n");
        return 2;
    }
    if (!sound_open(44100) || !sound_play(song)) {
        std::fprintf(stderr, "sound_probe: cannot open the sound output\n");
        return 2;
    }
    const SoundOutput& s = sound_output();
    const WaveDevice* device = s.device;
    const double frame_ms = 1000.0 / 44100.0;
    std::printf("device: %s%s, buffer %u bytes\n", device->name,
                sdl_device_is_silent() ? " (silent clock)" : "", sdl_device_buffer_bytes());

    std::vector<double> delays, block_gaps, block_lateness;
    Clock::time_point t0 = Clock::now();
    uint64_t pos0 = device->position();
    int time0 = sound_get_time(song);
    int last_block = s.reader_index.load();
    double last_change = -1;
    double next_delay_sample = 0;
    while (ms_since(t0) < seconds * 1000) {
        double now = ms_since(t0);
        int block = s.reader_index.load();
        if (block != last_block) {
            if (last_change >= 0)
                block_gaps.push_back(now - last_change);
            // How long after the play position entered the block the feeder moved to it.
            uint64_t frames = device->position() / 4 % uint64_t(s.ring_frames);
            double into = double(frames % uint64_t(s.block_frames)) * frame_ms;
            if (int(frames / uint64_t(s.block_frames)) == block)
                block_lateness.push_back(into);
            last_change = now;
            last_block = block;
        }
        if (!sdl_device_is_silent() && now >= next_delay_sample) {
            uint64_t copied = sdl_device_copied_bytes();
            uint64_t heard = device->position();
            if (copied > 0)
                delays.push_back(double(copied - std::min(copied, heard)) / 4 * frame_ms);
            next_delay_sample = now + 1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    double elapsed = ms_since(t0);
    uint64_t pos1 = device->position();
    int time1 = sound_get_time(song);

    summary("copy position ahead of reported position", delays);
    summary("interval between block changes (ideal 20.045)", block_gaps);
    summary("feeder's block change after the position entered the block", block_lateness);
    std::printf("play position pace: %.4f x real time over %.1f s\n",
                double(pos1 - pos0) / 4 * frame_ms / elapsed, elapsed / 1000);
    std::printf("song clock pace: %.4f x real time (%d ms of song)\n",
                double(time1 - time0) / elapsed, time1 - time0);
    music_free(song);
    sound_close();
    return 0;
}
