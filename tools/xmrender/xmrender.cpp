// xmrender: renders an XM file from disk to a 16-bit stereo 44100 Hz WAV through the block
// fill's tick-and-mix loop, in blocks of the sound output's size, so the samples are the
// ones the demo plays.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "mixer/mixer.h"
#include "audio/render.h"
#include "music/music.h"

namespace {

constexpr int RATE = 44100;
constexpr int BLOCK_FRAMES = (RATE * 20 / 1000 + 3) / 4 * 4; // the sound output's block: 884
constexpr double DEFAULT_LIMIT_SECONDS = 30 * 60;            // songs that never come back still end

// ---- disk-backed FileCallbacks --------------------------------------------------------------

FILE* open_files[16];

int disk_open(const char* name) {
    for (int h = 0; h < 16; ++h) {
        if (open_files[h])
            continue;
        open_files[h] = std::fopen(name, "rb");
        return open_files[h] ? h + 1 : 0;
    }
    return 0;
}

FILE* disk_file(int handle) {
    return handle >= 1 && handle <= 16 ? open_files[handle - 1] : nullptr;
}

void disk_close(int handle) {
    if (FILE* f = disk_file(handle)) {
        std::fclose(f);
        open_files[handle - 1] = nullptr;
    }
}

int disk_read(void* buffer, int count, int handle) {
    FILE* f = disk_file(handle);
    if (!f || count <= 0)
        return 0;
    return int(std::fread(buffer, 1, size_t(count), f));
}

void disk_seek(int handle, int32_t offset, int origin) {
    FILE* f = disk_file(handle);
    if (!f)
        return;
    const int o = origin & 0xFF;
    if (o == 0 && offset < 0)
        return;
    std::fseek(f, offset, o == 0 ? SEEK_SET : o == 1 ? SEEK_CUR : SEEK_END);
}

int32_t disk_tell(int handle) {
    FILE* f = disk_file(handle);
    return f ? int32_t(std::ftell(f)) : 0;
}

// ---- where to stop ---------------------------------------------------------------------------

// Watches every row start. The song's natural end is the first row start that comes back to
// an order position and row already played, except rows replayed by a pattern loop (E6).
struct EndWatch {
    bool visited[256][256] = {};
    int stop_order = -1;       // --order: stop on reaching this order position
    long long frame = 0;       // frame at which the tick about to run starts
    long long tick_length = 0; // frames of the tick that ran last
    long long end_frame = -1;  // where the song ends, once known
    int last_order = -1, last_row = -1;
    int loop_order = -1, loop_row = -1; // a pattern loop replays up to here
};

EndWatch watch;

int pattern_rows(const Module* m, int order) {
    const int index = m->orders[order];
    return index < m->pattern_count ? m->patterns[index].rows : 64;
}

void watched_tick(Module* m) {
    watch.frame += watch.tick_length;
    if (m->tick == 0 && watch.end_frame < 0) {
        // The row this tick starts, as music_tick will choose it.
        int order = m->next_order >= 0 ? m->next_order : m->order;
        if (order < 0 || order > 255 || (m->song_length > 0 && order >= m->song_length))
            order = m->restart_position;
        int row = m->next_row >= 0 ? m->next_row : m->row;
        if (row < 0 || row >= pattern_rows(m, order))
            row = 0;
        const bool jumped = m->next_order >= 0;
        if (!jumped && watch.last_order == order && row <= watch.last_row) {
            watch.loop_order = order; // a pattern loop went back
            watch.loop_row = watch.last_row;
        }
        const bool in_loop = order == watch.loop_order && row <= watch.loop_row;
        if (!in_loop)
            watch.loop_order = -1;
        if ((watch.visited[order][row] && !in_loop) || order == watch.stop_order)
            watch.end_frame = watch.frame;
        watch.visited[order][row] = true;
        watch.last_order = order;
        watch.last_row = row;
    }
    music_tick(m);
    watch.tick_length = m->samples_per_tick < 1 ? 1 : m->samples_per_tick;
}

// ---- output -----------------------------------------------------------------------------------

void put_u32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

bool write_wav_header(FILE* f, uint32_t frames) {
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A', 'V', 'E', 'f', 'm', 't',
                           ' ', 16,  0,   0,   0,  1, 0,   2,   0,   0,   0,   0,   0,   0,   0,
                           0,   0,   4,   0,   16, 0, 'd', 'a', 't', 'a', 0,   0,   0,   0};
    put_u32(h + 4, 36 + frames * 4);
    put_u32(h + 24, RATE);
    put_u32(h + 28, RATE * 4);
    put_u32(h + 40, frames * 4);
    return std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(h, 1, 44, f) == 44;
}

// Asked for (--help): on standard output, success. After a wrong argument: on standard
// error, exit code 2.
int usage(bool asked = false) {
    std::fprintf(asked ? stdout : stderr,
                 "usage: xmrender [--seconds N] [--order N] IN.xm OUT.wav\n"
                 "       xmrender --help\n"
                 "  renders IN.xm to a 16-bit stereo 44100 Hz WAV; stops at the song's end\n"
                 "  (the first return to an order position and row already played), after N\n"
                 "  seconds, or on reaching order position N, whichever comes first; without\n"
                 "  --seconds, after 30 minutes at most. A file it cannot play is named on\n"
                 "  standard error with the reason, and the exit code is 1.\n");
    return asked ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = -1;
    const char* in_name = nullptr;
    const char* out_name = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return usage(true);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            char* end = nullptr;
            seconds = std::strtod(argv[++i], &end);
            if (*end || !(seconds >= 0))
                return usage();
        } else if (std::strcmp(argv[i], "--order") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long order = std::strtol(argv[++i], &end, 10);
            if (*end || order < 0 || order > 255)
                return usage();
            watch.stop_order = int(order);
        } else if (argv[i][0] == '-') {
            return usage(); // an unknown option, or a known one without its value
        } else if (!in_name) {
            in_name = argv[i];
        } else if (!out_name) {
            out_name = argv[i];
        } else {
            return usage();
        }
    }
    if (!in_name || !out_name)
        return usage();

    music_set_file_callbacks(disk_open, disk_close, disk_read, disk_seek, disk_tell);
    mixer_set_rate(RATE);
    mixer_reset_voices();
    Module* module = music_load(in_name, nullptr);
    if (!module) {
        // The loader sees the file only through the callbacks: ask the system why it failed.
        FILE* probe = std::fopen(in_name, "rb");
        if (!probe) {
            std::fprintf(stderr, "xmrender: %s: cannot open: %s\n", in_name, std::strerror(errno));
        } else {
            std::fclose(probe);
            std::fprintf(stderr, "xmrender: %s: %s\n", in_name, music_load_error());
        }
        return 1;
    }
    FILE* out = std::fopen(out_name, "wb");
    if (!out) {
        std::fprintf(stderr, "xmrender: cannot write %s: %s\n", out_name, std::strerror(errno));
        music_free(module);
        return 1;
    }
    // One large buffer: a write per block costs more than the mixing of it.
    std::setvbuf(out, nullptr, _IOFBF, size_t(1) << 20);
    music_reset_playback(module);
    module->tick_entry = watched_tick;

    const long long limit =
        (long long)((seconds >= 0 ? seconds : DEFAULT_LIMIT_SECONDS) * RATE + 0.5);
    // Shown on a terminal once a render passes a minute of sound.
    const bool terminal = isatty(fileno(stderr)) != 0;
    bool progress = false;
    std::vector<float> mix(2 * BLOCK_FRAMES);
    std::vector<int16_t> pcm(2 * BLOCK_FRAMES);
    long long written = 0;
    long long shown = 0;
    bool ok = write_wav_header(out, 0);
    while (ok && written < limit) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module, mix.data(), BLOCK_FRAMES);
        mixer_to_pcm16(pcm.data(), mix.data(), BLOCK_FRAMES);
        long long keep = BLOCK_FRAMES;
        if (watch.end_frame >= 0 && watch.end_frame - written < keep)
            keep = watch.end_frame - written;
        if (limit - written < keep)
            keep = limit - written;
        if (keep > 0)
            ok = std::fwrite(pcm.data(), 4, size_t(keep), out) == size_t(keep);
        written += keep;
        if (watch.end_frame >= 0 && written >= watch.end_frame)
            break;
        if (terminal && written >= 60LL * RATE && written - shown >= 5LL * RATE) {
            progress = true;
            shown = written;
            std::fprintf(stderr, "\r%s: %4lld s rendered, order %3d row %3d", in_name,
                         written / RATE, module->order, module->row);
        }
    }
    if (progress)
        std::fprintf(stderr, "\n");
    ok = ok && written <= 0xFFFFFFFFLL / 4 - 36 && write_wav_header(out, uint32_t(written));
    ok = (std::fclose(out) == 0) && ok;
    music_free(module);
    if (!ok) {
        std::fprintf(stderr, "xmrender: writing %s failed\n", out_name);
        return 1;
    }
    return 0;
}
