// Frame render time per scene with the real assets, and the start-up stages, as a benchmark:
//   scene_bench --benchmark_repetitions=1
// Each scene reports the median and worst single frame in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "demo/demo.h"
#include "gfx/bitmap.h"
#include "store/blob.h"
#include "store/fs.h"

namespace {

int benchOrder = 0;
int bench_order(Module*) { return benchOrder; }
int bench_row(Module*) { return 20; }
int bench_present(const uint32_t*) { return 1; }

// The set-up stages trace every picture on standard output; keep the benchmark's table clean.
struct QuietStdout {
    int saved;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(1);
        std::FILE* null = std::fopen("/dev/null", "w");
        dup2(fileno(null), 1);
        std::fclose(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

Demo* make_demo() {
    QuietStdout quiet;
    fs_init(vorru_blob, vorru_blob_size);
    Demo* demo = new Demo();
    demo->hooks = DemoHooks{bench_order, bench_row, bench_present};
    demo->backBuffer = new Bitmap(320, 240);
    demo->setupFirstStage();
    demo->setupSecondStage();
    demo->setupThirdStage();
    return demo;
}

Demo* shared_demo() {
    static Demo* demo = make_demo();
    return demo;
}

void BM_Scene(benchmark::State& state) {
    Demo* demo = shared_demo();
    benchOrder = static_cast<int>(state.range(0));
    demo->scrollX = 341;
    std::vector<double> micros;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        demo->drawScene();
        auto t1 = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        demo->tick();
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["worst_us"] = micros.back();
}
// One order position of each scene: opening, tunnel, blob cloud, freeze, owl, end.
BENCHMARK(BM_Scene)->Arg(2)->Arg(5)->Arg(8)->Arg(10)->Arg(12)->Arg(15)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_StartupStages(benchmark::State& state) {
    for (auto _ : state) {
        // Like the program, nothing made here is released: three iterations only.
        Demo* demo = make_demo();
        benchmark::DoNotOptimize(demo);
    }
}
BENCHMARK(BM_StartupStages)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
