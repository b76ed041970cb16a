// Blit and PCX decode speed on frame-sized pictures. The image trace goes to /dev/null; the
// results to standard error.

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
    for (uint32_t i = 0, s = 12345; i < uint32_t(w * h); ++i)
        b->pixels[i] = ((s = s * 214013 + 2531011) >> 8) & 0xFFFFFF;
    return b;
}

// A frame-sized blit; `scaled` stretches a quarter-size source to the frame.
void BM_Blit(benchmark::State& state, bool keyed, int fade, bool scaled) {
    auto dst = noise(320, 240);
    auto src = scaled ? noise(160, 120) : noise(320, 240);
    if (keyed)
        src->setColorKey(src->pixels[0]);
    src->fadeLevel = fade;
    src->drawWidth = 320;
    src->drawHeight = 240;
    for (auto _ : state)
        benchmark::DoNotOptimize(scaled ? src->drawScaled(*dst) : src->drawAt(0, 0, *dst));
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK_CAPTURE(BM_Blit, copy, false, 0, false);
BENCHMARK_CAPTURE(BM_Blit, blend, false, 128, false);
BENCHMARK_CAPTURE(BM_Blit, keyed, true, 0, false);
BENCHMARK_CAPTURE(BM_Blit, keyed_blend, true, 128, false);
BENCHMARK_CAPTURE(BM_Blit, scaled_double, false, 0, true);

// A 320x180 frame of short runs, like the animation frames.
void BM_LoadPcxFrame(benchmark::State& state) {
    std::vector<uint8_t> data;
    for (uint32_t i = 0, s = 1; i < 320 * 180 / 10 * 4; ++i, s = s * 214013 + 2531011)
        data.insert(data.end(), {uint8_t(0xC1 + i % 4), uint8_t(s >> 24)}); // runs of 1 to 4
    vorru_test::PcxHeader h;
    h.xmax = 319;
    h.ymax = 179;
    h.bytesPerLine = 320;
    const std::vector<uint8_t> blob =
        vorru_test::build_blob({{"data\\kelmo\\1.pcx", vorru_test::make_pcx(h, data, true)}});
    int opens = 0;
    for (auto _ : state) {
        if (opens++ % 500 == 0) // handles are never reused: restart before the table runs out
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
}
