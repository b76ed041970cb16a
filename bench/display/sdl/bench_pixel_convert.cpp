// Converters against SDL_ConvertPixels on whole 320x240 frames, layout by layout, in one run.
// Run: bench_pixel_convert (items_per_second = pixels per second). Names read LAYOUT/ours
// (whole frame, packed rows), LAYOUT/ours_rows (row by row, as at a wider pitch), LAYOUT/sdl
// and LAYOUT/reference (the per-pixel code without SIMD).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "display/pixel_convert.h"

namespace {

constexpr int W = 320;
constexpr int H = 240;
enum Way { OURS, OURS_ROWS, SDL, REFERENCE };

void BM_convert(benchmark::State& state, const PixelLayout& layout, Way way) {
    std::mt19937 rng(5);
    std::vector<uint32_t> frame(W * H);
    for (uint32_t& p : frame)
        p = rng() & 0x00FFFFFF;
    const int row = W * layout.bytesPerPixel;
    std::vector<uint8_t> out(size_t(row) * H);
    const int depth = layout.redMask == 0x7C00 || layout.blueMask == 0x7C00 ? 15 : layout.bitCount;
    const Uint32 target =
        SDL_MasksToPixelFormatEnum(depth, layout.redMask, layout.greenMask, layout.blueMask, 0);
    if (way == SDL && target == SDL_PIXELFORMAT_UNKNOWN)
        return state.SkipWithError("SDL has no such format");
    for (auto _ : state) {
        if (way == OURS)
            display_convert_frame(layout.convert, frame.data(), W, H, out.data(), row,
                                  layout.bytesPerPixel);
        for (int y = 0; way != OURS && way != SDL && y < H; ++y)
            (way == OURS_ROWS ? layout.convert : layout.reference)(frame.data() + y * W,
                                                                   out.data() + y * row, W);
        if (way == SDL && SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_RGB888, frame.data(), W * 4,
                                            target, out.data(), row) != 0)
            return state.SkipWithError(SDL_GetError());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
    state.SetLabel(layout.name);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < PIXEL_LAYOUT_COUNT; ++i) {
        const PixelLayout& layout = display_pixel_layouts()[i];
        std::string name = layout.name;
        for (char& c : name)
            c = c == ' ' ? '_' : c;
        const char* ways[] = {"/ours", "/ours_rows", "/sdl", "/reference"};
        for (int way = OURS; way <= REFERENCE; ++way)
            benchmark::RegisterBenchmark((name + ways[way]).c_str(), BM_convert, layout, Way(way));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
