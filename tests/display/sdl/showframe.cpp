// Real-window check program. `showframe show SECONDS READY_FILE` presents a known 320x240 test
// frame through the platform display until a close request ends it (exit 0) or SECONDS pass
// (exit 1); READY_FILE is created once frames are being presented. `showframe check PPM LAYOUT`
// reads a screenshot (binary PPM) and checks the frame is there: whole-number scale, centred,
// black borders, colours exact for 24/32-bit layouts and cut to the layout's bits otherwise.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "display/display.h"
#include "display/display_poll.h"
#include "display/pixel_convert.h"

namespace {

constexpr int W = 320;
constexpr int H = 240;

// Bars of pure colours over the top half, channel ramps below; byte 3 carries noise that every
// layout must ignore.
uint32_t test_pixel(int x, int y) {
    static const uint32_t BARS[8] = {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                     0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
    const uint32_t ramps =
        ((x * 4) & 0xFF) << 16 | ((y - 120) * 2 & 0xFF) << 8 | ((x + 3 * y) & 0xFF);
    return 0xAB000000u | (y < 120 ? BARS[x / 40] : ramps);
}

int show(int seconds, const char* readyFile) {
    std::vector<uint32_t> frame(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            frame[y * W + x] = test_pixel(x, y);
    if (!display_open("vorru showframe", W, H)) {
        std::fprintf(stderr, "showframe: display_open failed\n");
        return 2;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int presented = 0;
    while (std::chrono::steady_clock::now() < end) {
        bool active = display_is_active();
        if (display_update(frame.data()) == 1 && active && ++presented == 10) {
            if (FILE* f = std::fopen(readyFile, "w"))
                std::fclose(f);
        }
        DisplayEvent last;
        display_poll_event(&last);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::fprintf(stderr, "showframe: no close request within %d s (%d frames)\n", seconds,
                 presented);
    display_close();
    return 1;
}

// A binary PPM with maxval 255 as written by ImageMagick (no comment lines).
bool read_ppm(const char* path, int* width, int* height, std::vector<uint8_t>* rgb) {
    FILE* f = std::fopen(path, "rb");
    int maxval = 0;
    bool ok = f && std::fscanf(f, "P6 %d %d %d", width, height, &maxval) == 3 && maxval == 255 &&
              *width > 0 && *height > 0 && *width <= 16384 && *height <= 16384 &&
              std::fgetc(f) != EOF;
    if (ok) {
        rgb->resize(std::size_t(*width) * std::size_t(*height) * 3);
        ok = std::fread(rgb->data(), 1, rgb->size(), f) == rgb->size();
    }
    if (f)
        std::fclose(f);
    return ok;
}

int check(const char* path, const char* layoutName) {
    const PixelLayout* layout = nullptr;
    for (int i = 0; i < PIXEL_LAYOUT_COUNT; ++i) {
        std::string name = display_pixel_layouts()[i].name; // "16 RGB565" -> "16_rgb565"
        for (char& c : name)
            c = c == ' ' ? '_' : char(std::tolower(c));
        if (name == layoutName)
            layout = &display_pixel_layouts()[i];
    }
    int sw = 0, sh = 0;
    std::vector<uint8_t> screen;
    if (!layout || !read_ppm(path, &sw, &sh, &screen)) {
        std::fprintf(stderr, "check: cannot read %s or unknown layout %s\n", path, layoutName);
        return 2;
    }
    int scale = std::min(sw / W, sh / H);
    int ox = (sw - W * scale) / 2, oy = (sh - H * scale) / 2;
    const int keep[3] = {__builtin_popcount(layout->redMask), // bits kept per channel
                         __builtin_popcount(layout->greenMask),
                         __builtin_popcount(layout->blueMask)};
    long wrongInside = 0, wrongBorder = 0; // borders must be black
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            const uint8_t* s = &screen[(std::size_t(y) * sw + x) * 3];
            const bool inside = x >= ox && x < ox + W * scale && y >= oy && y < oy + H * scale;
            const uint32_t p = inside ? test_pixel((x - ox) / scale, (y - oy) / scale) : 0;
            for (int c = 0; c < 3; ++c) {
                const int cut = inside ? 8 - keep[c] : 0, want = p >> (16 - 8 * c) & 0xFF;
                if ((s[c] >> cut) != (want >> cut) && (inside ? wrongInside : wrongBorder)++ < 3)
                    std::fprintf(stderr, "%d,%d channel %d: %d, want %d (top %d bits)\n", x, y, c,
                                 s[c], want, 8 - cut);
            }
        }
    std::printf("%s: screen %dx%d, frame at %d,%d scaled %dx, %ld wrong inside, %ld wrong "
                "border\n",
                layoutName, sw, sh, ox, oy, scale, wrongInside, wrongBorder);
    return wrongInside == 0 && wrongBorder == 0 && scale >= 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "show") == 0)
        return show(std::atoi(argv[2]), argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "check") == 0)
        return check(argv[2], argv[3]);
    std::fprintf(stderr, "usage: showframe show SECONDS READY_FILE | check PPM LAYOUT\n");
    return 2;
}
