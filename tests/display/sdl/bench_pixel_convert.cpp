// Converters against SDL_ConvertPixels on whole 320x240 frames, layout by layout, in one run.
// Run: bench_pixel_convert (items_per_second = pixels per second). Names read
// LAYOUT/ours (whole frame, packed rows), LAYOUT/ours_rows (row by row), LAYOUT/sdl and
// LAYOUT/reference (the per-pixel code without SIMD).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "display/pixel_convert.h"

namespace {

constexpr int W = 320;
constexpr int H = 240;

const std::vector<uint32_t>& frame() {
    static const std::vector<uint32_t> f = [] {
        std::mt19937 rng(5);
        std::vector<uint32_t> v(W * H);
        for (uint32_t& p : v)
            p = rng() & 0x00FFFFFF;
        return v;
    }();
    return f;
}

Uint32 sdl_format_of(const PixelLayout& layout) {
    int depth = layout.redMask == 0x7C00 || layout.blueMask == 0x7C00 ? 15 : layout.bitCount;
    return SDL_MasksToPixelFormatEnum(depth, layout.redMask, layout.greenMask, layout.blueMask, 0);
}

// The whole frame as display_update converts it into a surface with packed rows.
void BM_ours(benchmark::State& state) {
    const PixelLayout& layout = display_pixel_layouts()[state.range(0)];
    std::vector<uint8_t> out(W * H * layout.bytesPerPixel);
    for (auto _ : state) {
        display_convert_frame(layout.convert, frame().data(), W, H, out.data(),
                              W * layout.bytesPerPixel, layout.bytesPerPixel);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
    state.SetLabel(layout.name);
}

// Row by row, as for a surface whose pitch is wider than its rows.
void BM_ours_rows(benchmark::State& state) {
    const PixelLayout& layout = display_pixel_layouts()[state.range(0)];
    std::vector<uint8_t> out(W * H * layout.bytesPerPixel);
    for (auto _ : state) {
        for (int y = 0; y < H; ++y)
            layout.convert(frame().data() + y * W, out.data() + y * W * layout.bytesPerPixel, W);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
    state.SetLabel(layout.name);
}

void BM_reference(benchmark::State& state) {
    const PixelLayout& layout = display_pixel_layouts()[state.range(0)];
    std::vector<uint8_t> out(W * H * layout.bytesPerPixel);
    for (auto _ : state) {
        for (int y = 0; y < H; ++y)
            layout.reference(frame().data() + y * W, out.data() + y * W * layout.bytesPerPixel, W);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
    state.SetLabel(layout.name);
}

void BM_sdl(benchmark::State& state) {
    const PixelLayout& layout = display_pixel_layouts()[state.range(0)];
    std::vector<uint8_t> out(W * H * layout.bytesPerPixel);
    Uint32 target = sdl_format_of(layout);
    if (target == SDL_PIXELFORMAT_UNKNOWN) {
        state.SkipWithError("SDL has no such format");
        return;
    }
    for (auto _ : state) {
        if (SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_RGB888, frame().data(), W * 4, target,
                              out.data(), W * layout.bytesPerPixel) != 0) {
            state.SkipWithError(SDL_GetError());
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
    state.SetLabel(layout.name);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < PIXEL_LAYOUT_COUNT; ++i) {
        std::string name = display_pixel_layouts()[i].name;
        for (char& c : name)
            c = c == ' ' ? '_' : c;
        benchmark::RegisterBenchmark((name + "/ours").c_str(), BM_ours)->Arg(i);
        benchmark::RegisterBenchmark((name + "/ours_rows").c_str(), BM_ours_rows)->Arg(i);
        benchmark::RegisterBenchmark((name + "/sdl").c_str(), BM_sdl)->Arg(i);
        benchmark::RegisterBenchmark((name + "/reference").c_str(), BM_reference)->Arg(i);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
