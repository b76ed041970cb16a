// vorru-capture OUTDIR: runs the demo's own start-up, frame loop and scenes against the
// in-memory display and sound device, one sound block per presented frame, as fast as the
// machine allows, and writes what was shown and heard.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "demo/demo_main.h"
#include "demo/frame_clock.h"
#include "display/display.h"
#include "display/memory/memory_display.h"
#include "frame_sum.h"
#include "png_queue.h"
#include "wav_write.h"

namespace {

struct Options {
    std::string outDir;
    int every = 1;         // write every Nth frame as PNG (0: none)
    bool perOrder = false; // write one PNG at the first frame of each order position
    bool mp4 = true;
    bool sums = false;     // write sums.txt: each frame's checksum and the PCM's
    bool fastPng = true;   // quick PNG compression (the pixels are the same either way)
};

struct CaptureState {
    Options options;
    int frame = 0;
    int lastOrder = -1;
    bool moved = false; // the device has moved one block for the frame being waited for
    FILE* video = nullptr;
    std::vector<uint32_t> pixels;
    std::string sums;
};

CaptureState state;
const auto processStart = std::chrono::steady_clock::now();

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: vorru-capture [--every N | --per-order] [--no-mp4] [--sums] [--small-png] OUTDIR\n"
                 "  --every N     write every Nth frame as PNG (default 1; 0 writes none)\n"
                 "  --per-order   write one PNG at the first frame of each order position\n"
                 "  --no-mp4      do not make capture.mp4 even when ffmpeg is installed\n"
                 "  --sums        write sums.txt: \"FRAME ORDER CRC\" per frame (CRC-32 of its RGB\n"
                 "                bytes), then \"pcm CRC\" (CRC-32 of the WAV's samples)\n"
                 "  --small-png   compress the PNGs harder (zlib's default level and row filters):\n"
                 "                the same pixels in files a few per cent smaller, in about four\n"
                 "                times the time (by default: zlib level 1, no filters)\n"
                 "  --help        print this and exit\n");
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--every") && i + 1 < argc) {
            options.every = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--per-order")) {
            options.perOrder = true;
            options.every = 0;
        } else if (!std::strcmp(argv[i], "--small-png")) {
            options.fastPng = false;
        } else if (!std::strcmp(argv[i], "--sums")) {
            options.sums = true;
        } else if (!std::strcmp(argv[i], "--no-mp4")) {
            options.mp4 = false;
        } else if (argv[i][0] == '-' || !options.outDir.empty()) {
            return false;
        } else {
            options.outDir = argv[i];
        }
    }
    return !options.outDir.empty() && options.every >= 0;
}

// One block of sound per frame: moves the device once the frame loop waits for the clock, and
// refills the block at once on this thread instead of waiting for a feeder thread's poll.
void advance_device() {
    if (!state.moved) {
        state.moved = true;
        memory_device_advance(static_cast<uint64_t>(sound_output().block_frames));
    }
    sound_pump();
}

void on_present(const uint8_t* surface, int width, int height, int pitch, void*) {
    state.moved = false;
    state.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++)
        std::memcpy(&state.pixels[static_cast<size_t>(y) * width], surface + static_cast<size_t>(y) * pitch,
                    static_cast<size_t>(width) * 4);
    for (uint32_t& p : state.pixels) p &= 0x00FFFFFF;

    const int order = sound_get_order(sound_output().playing);
    bool write = state.options.every > 0 && state.frame % state.options.every == 0;
    if (state.options.perOrder && order != state.lastOrder) write = true;
    if (write) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame%05d-order%02d.png", state.frame, order);
        png_queue_push(state.options.outDir + name, state.pixels, width, height);
    }
    if (state.options.sums) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %d %08x\n", state.frame, order,
                      capture_frame_sum(state.pixels.data(), width, height, width));
        state.sums += line;
    }
    if (state.video) std::fwrite(state.pixels.data(), 4, state.pixels.size(), state.video);
    if (state.frame == 0) {
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart);
        std::fprintf(stderr, "first frame presented %.1f ms after start\n", ms.count());
    }
    if (order != state.lastOrder || state.frame % 50 == 0)
        std::fprintf(stderr, "\rframe %5d  order %2d", state.frame, order);
    state.lastOrder = order;
    state.frame++;
}

bool have_ffmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && !std::strcmp(argv[1], "--help")) {
        usage(stdout);
        return 0;
    }
    if (!parse(argc, argv, state.options)) {
        usage(stderr);
        return 2;
    }
    const std::string& out = state.options.outDir;
    mkdir(out.c_str(), 0777);
    struct stat st;
    if (stat(out.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "vorru-capture: cannot use %s as output folder\n", out.c_str());
        return 2;
    }

    MemoryDisplayConfig config; // 32-bit XRGB, packed rows
    display_memory_configure(config);
    display_memory_set_present_callback(on_present, nullptr);
    memory_device_record(true);
    frame_clock_set_idle_hook(advance_device);
    sound_set_threaded(false);
    // A slow feeder thread must not make a frame out of a stall: only a song that cannot play
    // at all should reach this limit.
    frame_clock_set_stall_ms(5000);

    const std::string silentVideo = out + "/video.tmp.mp4";
    if (state.options.mp4 && !have_ffmpeg())
        std::fprintf(stderr, "vorru-capture: ffmpeg not found, so no capture.mp4 (the PNGs and capture.wav "
                             "are written; install ffmpeg for the video)\n");
    else if (state.options.mp4) {
        // One frame per sound block: 44100 / 884 frames per second.
        std::string cmd = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgr0 -s 320x240 -framerate 44100/884 "
                          "-i - -c:v libx264 -pix_fmt yuv420p -crf 18 '" + silentVideo + "'";
        state.video = popen(cmd.c_str(), "w");
    }

    // PNG encoding is nearly all of a capture's work: one worker per core; the demo itself
    // needs little.
    const unsigned cores = std::thread::hardware_concurrency();
    png_queue_start(cores > 0 ? static_cast<int>(cores) : 2, 32, state.options.fastPng);
    demo_run();
    bool ok = png_queue_finish();
    std::fprintf(stderr, "\rframe %5d  done\n", state.frame);

    const std::vector<int16_t> pcm = memory_device_recording();
    const std::string wavPath = out + "/capture.wav";
    ok = wav_write_stereo16(wavPath.c_str(), pcm, 44100) && ok;
    if (state.options.sums) {
        char line[32];
        std::snprintf(line, sizeof line, "pcm %08x\n", capture_pcm_sum(pcm.data(), pcm.size()));
        state.sums += line;
        FILE* f = std::fopen((out + "/sums.txt").c_str(), "w");
        ok = f && std::fputs(state.sums.c_str(), f) >= 0 && ok;
        if (f) ok = std::fclose(f) == 0 && ok;
        if (!f) std::fprintf(stderr, "vorru-capture: cannot write %s/sums.txt\n", out.c_str());
    }
    if (state.video) {
        ok = pclose(state.video) == 0 && ok;
        std::string mux = "ffmpeg -loglevel error -y -i '" + silentVideo + "' -i '" + wavPath +
                          "' -c:v copy -c:a aac -b:a 192k -shortest '" + out + "/capture.mp4' && rm -f '" +
                          silentVideo + "'";
        ok = std::system(mux.c_str()) == 0 && ok;
    }
    return ok ? 0 : 1;
}
