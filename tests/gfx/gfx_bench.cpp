// Blit and PCX decode speed on frame-sized pictures. The image trace goes to /dev/null; the
// results are printed on standard error.

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/gfx/pcx_builder.h"
#include "tests/store/blob_builder.h"

namespace {

std::unique_ptr<Bitmap> noise(int w, int h) {
    auto b = std::make_unique<Bitmap>(w, h);
    uint32_t s = 12345;
    for (int i = 0; i < w * h; ++i) {
        s = s * 214013 + 2531011;
        b->pixels[i] = (s >> 8) & 0xFFFFFF;
    }
    return b;
}

void BM_DrawAt(benchmark::State& state, bool keyed, int fade) {
    auto dst = noise(320, 240);
    auto src = noise(320, 240);
    if (keyed)
        src->setColorKey(src->pixels[0]);
    src->fadeLevel = fade;
    for (auto _ : state) {
        src->drawAt(0, 0, *dst);
        benchmark::DoNotOptimize(dst->pixels);
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK_CAPTURE(BM_DrawAt, copy, false, 0);
BENCHMARK_CAPTURE(BM_DrawAt, blend, false, 128);
BENCHMARK_CAPTURE(BM_DrawAt, keyed, true, 0);
BENCHMARK_CAPTURE(BM_DrawAt, keyed_blend, true, 128);

void BM_DrawScaledDouble(benchmark::State& state) {
    auto dst = noise(320, 240);
    auto src = noise(160, 120);
    src->drawWidth = 320;
    src->drawHeight = 240;
    for (auto _ : state) {
        src->drawScaled(*dst);
        benchmark::DoNotOptimize(dst->pixels);
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK(BM_DrawScaledDouble);

// A 320x180 frame of short runs and literals, like the animation frames.
void BM_LoadPcxFrame(benchmark::State& state) {
    std::vector<uint8_t> data;
    uint32_t s = 1;
    for (int px = 0; px < 320 * 180;) {
        s = s * 214013 + 2531011;
        const int run = 1 + (s >> 16) % 4;
        data.push_back(uint8_t(0xC0 + run));
        data.push_back(uint8_t(s >> 24));
        px += run;
    }
    vorru_test::PcxHeader h;
    h.xmax = 319;
    h.ymax = 179;
    h.bytesPerLine = 320;
    const std::vector<uint8_t> blob =
        vorru_test::build_blob({{"data\\kelmo\\1.pcx", vorru_test::make_pcx(h, data, true)}});
    int opens = 0;
    for (auto _ : state) {
        // Handles are never reused: start a fresh store before the table runs out.
        if (opens++ % 500 == 0)
            fs_init(blob.data(), uint32_t(blob.size()));
        Bitmap b;
        benchmark::DoNotOptimize(b.loadPcx("data\\kelmo\\1.pcx"));
    }
    state.SetItemsProcessed(state.iterations() * 320 * 180);
}
BENCHMARK(BM_LoadPcxFrame);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return 0;
}
