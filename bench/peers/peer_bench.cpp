// peer_bench: renders XM files in memory through vorru's tick-and-mix loop (as xmrender does,
// in 884-frame blocks to 16-bit PCM), libxmp and libopenmpt (44100 Hz stereo 16-bit, linear
// interpolation) and prints each one's speed as a multiple of real time, and the ratios.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include "audio/render.h"
#include "mixer/mixer.h"
#include "mixer/mixer_frames.h"
#include "music/music.h"

namespace {

constexpr int RATE = 44100;
constexpr int BLOCK_FRAMES = 884; // the sound output's block, as in xmrender
constexpr double MAX_SECONDS = 600;

// ---- the file in memory, as FileCallbacks for music_load ------------------------------------

const std::vector<unsigned char>* song_bytes;
long song_offset;

int memory_open(const char*) {
    song_offset = 0;
    return 1;
}
void memory_close(int) {}
int memory_read(void* buffer, int count, int) {
    const long left = long(song_bytes->size()) - song_offset;
    const int n = count < 0 ? 0 : int(std::min<long>(count, left));
    std::memcpy(buffer, song_bytes->data() + song_offset, size_t(n));
    song_offset += n;
    return n;
}
void memory_seek(int, int32_t offset, int origin) {
    const long base = (origin & 0xFF) == 1   ? song_offset
                      : (origin & 0xFF) == 2 ? long(song_bytes->size())
                                             : 0;
    if (base + offset >= 0)
        song_offset = std::min<long>(base + offset, long(song_bytes->size()));
}
int32_t memory_tell(int) {
    return int32_t(song_offset);
}

// CPU time of this thread: the other programs on a shared machine do not count.
double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Each renderer returns the seconds its render loop took for `frames` frames, or -1.
// `sink` takes a sum of the output so no work can be skipped.
long long sink;

double render_vorru(const std::vector<unsigned char>& bytes, long frames) {
    song_bytes = &bytes;
    music_set_file_callbacks(memory_open, memory_close, memory_read, memory_seek, memory_tell);
    mixer_set_rate(RATE);
    mixer_reset_voices();
    Module* module = music_load("song", nullptr);
    if (!module)
        return -1;
    music_reset_playback(module);
    std::vector<float> mix(2 * BLOCK_FRAMES);
    std::vector<int16_t> pcm(2 * BLOCK_FRAMES);
    const double start = cpu_seconds();
    for (long done = 0; done < frames; done += BLOCK_FRAMES) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module, mix.data(), BLOCK_FRAMES);
        mixer_to_pcm16(pcm.data(), mix.data(), BLOCK_FRAMES);
        sink += pcm[done % (2 * BLOCK_FRAMES)];
    }
    const double seconds = cpu_seconds() - start;
    music_free(module);
    return seconds;
}

double render_libxmp(const std::vector<unsigned char>& bytes, long frames) {
    xmp_context context = xmp_create_context();
    if (xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())) != 0) {
        xmp_free_context(context);
        return -1;
    }
    double seconds = -1;
    if (xmp_start_player(context, RATE, 0) == 0) {
        xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
        std::vector<int16_t> pcm(2 * BLOCK_FRAMES);
        const double start = cpu_seconds();
        for (long done = 0; done < frames; done += BLOCK_FRAMES) {
            xmp_play_buffer(context, pcm.data(), int(pcm.size() * 2), 0);
            sink += pcm[done % (2 * BLOCK_FRAMES)];
        }
        seconds = cpu_seconds() - start;
        xmp_end_player(context);
    }
    xmp_release_module(context);
    xmp_free_context(context);
    return seconds;
}

double render_libopenmpt(const std::vector<unsigned char>& bytes, long frames) {
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module)
        return -1;
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    openmpt_module_set_repeat_count(module, -1);
    std::vector<int16_t> pcm(2 * BLOCK_FRAMES);
    const double start = cpu_seconds();
    for (long done = 0; done < frames; done += BLOCK_FRAMES) {
        openmpt_module_read_interleaved_stereo(module, RATE, BLOCK_FRAMES, pcm.data());
        sink += pcm[done % (2 * BLOCK_FRAMES)];
    }
    const double seconds = cpu_seconds() - start;
    openmpt_module_destroy(module);
    return seconds;
}

// The song's length as libxmp counts it (one pass), so all three render the same frames.
double song_seconds(const std::vector<unsigned char>& bytes) {
    xmp_context context = xmp_create_context();
    double seconds = -1;
    if (xmp_load_module_from_memory(context, bytes.data(), long(bytes.size())) == 0) {
        if (xmp_start_player(context, RATE, 0) == 0) {
            xmp_frame_info info;
            xmp_get_frame_info(context, &info);
            seconds = info.total_time / 1000.0;
            xmp_end_player(context);
        }
        xmp_release_module(context);
    }
    xmp_free_context(context);
    return seconds;
}

bool read_file(const char* name, std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(name, "rb");
    if (!f)
        return false;
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int usage() {
    std::fprintf(stderr,
                 "usage: peer_bench [--seconds N] [--runs N] [--loops N] FILE.xm...\n"
                 "  renders each file in memory through vorru, libxmp and libopenmpt (44100 Hz,\n"
                 "  linear interpolation) for N seconds (default: the song's length, at most\n"
                 "  600), runs times each, interleaved (default 5); prints the median speed as a\n"
                 "  multiple of real time, from thread CPU time, and vorru's ratio to each peer.\n"
                 "  --loops caps vorru's mixer loops: 0 plain, 1 SSE2, 2 AVX2, 3 AVX-512.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = -1;
    int runs = 5;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::strtod(argv[++i], &end);
            if (*end || !(seconds > 0) || seconds > MAX_SECONDS)
                return usage();
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = int(std::strtol(argv[++i], &end, 10));
            if (*end || runs < 1 || runs > 100)
                return usage();
        } else if (std::strcmp(argv[i], "--loops") == 0 && i + 1 < argc) {
            const long level = std::strtol(argv[++i], &end, 10);
            if (*end || level < 0 || level > 3)
                return usage();
            std::fprintf(stderr, "peer_bench: mixer loops level %d\n",
                         mixer_frames_set_level(int(level)));
        } else if (argv[i][0] == '-') {
            return usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty())
        return usage();

    std::printf("%-28s %8s %9s %9s %11s %10s %14s\n", "song", "seconds", "vorru", "libxmp",
                "libopenmpt", "vs libxmp", "vs libopenmpt");
    int failures = 0;
    for (const char* name : files) {
        std::vector<unsigned char> bytes;
        if (!read_file(name, bytes)) {
            std::fprintf(stderr, "peer_bench: cannot read %s\n", name);
            ++failures;
            continue;
        }
        double length = seconds > 0 ? seconds : std::min(song_seconds(bytes), MAX_SECONDS);
        if (!(length > 0)) {
            std::fprintf(stderr, "peer_bench: libxmp cannot play %s\n", name);
            ++failures;
            continue;
        }
        const long frames = long(length * RATE);
        std::vector<double> times[3];
        bool ok = true;
        for (int r = 0; r < runs && ok; ++r) {
            times[0].push_back(render_vorru(bytes, frames));
            times[1].push_back(render_libxmp(bytes, frames));
            times[2].push_back(render_libopenmpt(bytes, frames));
            for (const auto& t : times)
                ok = ok && t.back() >= 0;
        }
        if (!ok) {
            std::fprintf(stderr, "peer_bench: %s does not load in every player\n", name);
            ++failures;
            continue;
        }
        const double rendered =
            double((frames + BLOCK_FRAMES - 1) / BLOCK_FRAMES * BLOCK_FRAMES) / RATE;
        double speed[3];
        for (int p = 0; p < 3; ++p)
            speed[p] = rendered / median(times[p]);
        const char* base = std::strrchr(name, '/');
        std::printf("%-28s %8.1f %8.0fx %8.0fx %10.0fx %9.2fx %13.2fx\n", base ? base + 1 : name,
                    rendered, speed[0], speed[1], speed[2], speed[0] / speed[1],
                    speed[0] / speed[2]);
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
