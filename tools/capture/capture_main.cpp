// vorru-capture OUTDIR: runs the demo's own start-up, frame loop and scenes against the
// in-memory display and sound device, one sound block per presented frame, as fast as the
// machine allows, and writes what was shown and heard.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "demo/demo_main.h"
#include "demo/frame_clock.h"
#include "display/display.h"
#include "display/memory/memory_display.h"
#include "png_write.h"
#include "wav_write.h"

namespace {

struct Options {
    std::string outDir;
    int every = 1;         // write every Nth frame as PNG (0: none)
    bool perOrder = false; // write one PNG at the first frame of each order position
    bool mp4 = true;
    bool digest = false; // write frames.txt: a checksum of every frame shown, per order
};

struct CaptureState {
    Options options;
    int frame = 0;
    int lastOrder = -1;
    bool moved = false; // the device has moved one block for the frame being waited for
    FILE* video = nullptr;
    std::vector<uint32_t> pixels;
    std::string digests;          // one line per finished order
    int orderFrames = 0;          // frames shown in the current order
    uint64_t orderHash = 0xcbf29ce484222325ull; // FNV-1a 64 over those frames' pixels
};

CaptureState state;
const auto processStart = std::chrono::steady_clock::now();

void usage() {
    std::fprintf(stderr,
                 "usage: vorru-capture [--every N | --per-order] [--no-mp4] [--digest] OUTDIR\n"
                 "  --every N     write every Nth frame as PNG (default 1; 0 writes none)\n"
                 "  --per-order   write one PNG at the first frame of each order position\n"
                 "  --no-mp4      do not make capture.mp4 even when ffmpeg is installed\n"
                 "  --digest      write frames.txt: per order, its frame count and a checksum\n"
                 "                of all its frames\n");
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--every") && i + 1 < argc) {
            options.every = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--per-order")) {
            options.perOrder = true;
            options.every = 0;
        } else if (!std::strcmp(argv[i], "--digest")) {
            options.digest = true;
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

// Closes the current order's line of frames.txt.
void finish_order_digest() {
    if (state.orderFrames == 0) return;
    char line[64];
    std::snprintf(line, sizeof line, "order %2d frames %4d fnv %016llx\n", state.lastOrder,
                  state.orderFrames, static_cast<unsigned long long>(state.orderHash));
    state.digests += line;
    state.orderFrames = 0;
    state.orderHash = 0xcbf29ce484222325ull;
}

void add_frame_digest() {
    for (uint32_t p : state.pixels)
        for (int i = 0; i < 3; i++)
            state.orderHash = (state.orderHash ^ ((p >> (8 * i)) & 0xFF)) * 0x100000001b3ull;
    state.orderFrames++;
}

// One block of sound per frame: moves the device once the frame loop waits for the clock.
void advance_device() {
    if (state.moved) return;
    state.moved = true;
    memory_device_advance(static_cast<uint64_t>(sound_output().block_frames));
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
        png_write_xrgb((state.options.outDir + name).c_str(), state.pixels.data(), width, height, width);
    }
    if (state.options.digest) {
        if (order != state.lastOrder) finish_order_digest();
        add_frame_digest();
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
    if (!parse(argc, argv, state.options)) {
        usage();
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
    // A slow feeder thread must not make a frame out of a stall: only a song that cannot play
    // at all should reach this limit.
    frame_clock_set_stall_ms(5000);

    const std::string silentVideo = out + "/video.tmp.mp4";
    if (state.options.mp4 && have_ffmpeg()) {
        // One frame per sound block: 44100 / 884 frames per second.
        std::string cmd = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgr0 -s 320x240 -framerate 44100/884 "
                          "-i - -c:v libx264 -pix_fmt yuv420p -crf 18 '" + silentVideo + "'";
        state.video = popen(cmd.c_str(), "w");
    }

    demo_run();
    std::fprintf(stderr, "\rframe %5d  done\n", state.frame);

    const std::vector<int16_t> pcm = memory_device_recording();
    const std::string wavPath = out + "/capture.wav";
    bool ok = wav_write_stereo16(wavPath.c_str(), pcm, 44100);
    if (state.options.digest) {
        finish_order_digest();
        FILE* f = std::fopen((out + "/frames.txt").c_str(), "w");
        ok = f && std::fputs(state.digests.c_str(), f) >= 0 && std::fclose(f) == 0 && ok;
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
