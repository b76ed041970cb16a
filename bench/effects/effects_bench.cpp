// Per-frame cost of each effect on a 320x240 frame, and of the whole start-up precalculation.
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include <benchmark/benchmark.h>

#include "demo/tables.h"
#include "effects/blobs.h"
#include "effects/filters.h"
#include "effects/font.h"
#include "effects/rotozoomer.h"
#include "effects/tunnel.h"
#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/store/blob_builder.h"

namespace {

void fill_noise(Bitmap& b, uint32_t seed) {
    for (int i = 0; i < b.width * b.height; ++i)
        b.pixels[i] = (seed = seed * 1664525u + 1013904223u) >> 8;
}

// Runs one frame per iteration; `frame` gets the frame number.
void frames(benchmark::State& state, const std::function<void(uint32_t)>& frame) {
    uint32_t t = 0;
    for (auto _ : state) {
        frame(t++);
        benchmark::ClobberMemory();
    }
}

// The tunnel (radial:0) and the radial warp (radial:1) from a 256x256 texture.
void BM_Warp(benchmark::State& state) {
    initWarpTables();
    Bitmap tex(256, 256), dst(320, 240);
    fill_noise(tex, 1);
    frames(state, [&](uint32_t t) {
        if (state.range(0) == 0)
            drawTunnel(int32_t(t % 255), int32_t(t % 255), tex, dst);
        else
            drawRadialWarp(uint8_t(t % 255), tex, dst);
    });
}
BENCHMARK(BM_Warp)->ArgName("radial")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// tiled:0 is the owl scene's keyed 133x194 sprite, tiled:1 a 256x256 texture; zoom 0.7.
void BM_RotoZoomer(benchmark::State& state) {
    const bool tiled = state.range(0) == 1;
    RotoZoomer roto;
    roto.init();
    roto.tiled = tiled;
    Bitmap src(tiled ? 256 : 133, tiled ? 256 : 194), dst(320, 240);
    fill_noise(src, 3);
    for (int i = 0; !tiled && i < 133 * 194; i += 3)
        src.pixels[i] = src.pixels[0];
    if (!tiled)
        src.setColorKey(src.pixels[0] & 0x00FFFFFFu);
    frames(state, [&](uint32_t t) { roto.render(uint16_t((t & 255) * 4), 0.7, src, dst); });
}
BENCHMARK(BM_RotoZoomer)->ArgName("tiled")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Blur(benchmark::State& state) {
    Bitmap dst(320, 240);
    fill_noise(dst, 5);
    frames(state, [&](uint32_t) { blurBitmap(dst); });
}
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);

// The 128 four-row dark bars of one frame: three darkenRows calls each.
void BM_DarkBars(benchmark::State& state) {
    Bitmap dst(320, 240);
    fill_noise(dst, 6);
    random_seed(0);
    uint8_t phases[BAR_PHASE_COUNT];
    tables_fill_bar_phases(phases);
    frames(state, [&](uint32_t) {
        for (int i = 0; i < 128; ++i) {
            const int y = int((std::sin(phases[i]++ * 0.02454369260617026) + 1) * 120);
            darkenRows(y, 1, 16, dst);
            darkenRows(y + 1, 2, 24, dst);
            darkenRows(y + 3, 1, 16, dst);
        }
    });
}
BENCHMARK(BM_DarkBars)->Unit(benchmark::kMillisecond);

// The blob cloud scene's particle step: rotate, project and draw 192 blobs into 320x320.
void BM_BlobCloud(benchmark::State& state) {
    rotate_init_tables();
    BlobSprites blobs;
    blobs.init(256, 38);
    std::vector<Vec3> cloud(PARTICLE_COUNT);
    uint8_t a = 0, b = 0, c = 0;
    tables_fill_particles(cloud.data(), a, b, c);
    Bitmap tall(320, 320);
    frames(state, [&](uint32_t t) {
        for (const Vec3& particle : cloud) {
            Vec3 q;
            rotatePoint(128, uint8_t(t % 255), uint8_t(t % 255), particle, q);
            const int32_t z = q.z + 768 == 0 ? 1 : q.z + 768;
            const int32_t sx = (q.x * 90) / z + 160, sy = (q.y * 90) / z + 120;
            if (sx > 10 && sx < 310 && sy > 0 && sy < 240)
                blobs.draw(sx, sy + 20, 255 - (z * 1500) / 7000, tall);
        }
    });
}
BENCHMARK(BM_BlobCloud)->Unit(benchmark::kMillisecond);

// The owl scene's scroller: 146 characters of the program's font, most of them clipped.
void BM_FontScroller(benchmark::State& state) {
    std::ifstream in(EFFECTS_ASSET_DIR "/data/font2.pcx", std::ios::binary);
    const std::vector<uint8_t> blob =
        vorru_test::build_blob({{"data\\font2.pcx", {std::istreambuf_iterator<char>(in), {}}}});
    fs_init(blob.data(), uint32_t(blob.size()));
    Font font;
    if (!font.load("data\\font2.pcx", "abcdefghijklmnopqrstuwvxyz\xE4\xF6"
                                      "1234567890,.()?!-'[]=+;:"))
        return state.SkipWithError("font2.pcx not loaded");
    Bitmap dst(320, 240);
    font.y = 190;
    font.x = 341;
    frames(state, [&](uint32_t) {
        font.x = font.x < -1500 ? 341 : font.x - 7;
        font.drawText(dst, "huhuu   (( o , 0 ))  whut up     ich heisse gorvin scheisse und das "
                           "ist die arschloch abend !!    php dsl asentaja jatkat jeden tag so hu "
                           "hu huuu ");
    });
    font.unload();
    fs_init(nullptr, 0);
}
BENCHMARK(BM_FontScroller)->Unit(benchmark::kMillisecond);

// Everything computed once at start-up: angle, wave, particle and bar tables, the warp
// tables, the rotozoomer's tables and the 256 blobs.
void BM_StartupPrecalc(benchmark::State& state) {
    std::vector<Vec3> cloud(PARTICLE_COUNT);
    uint8_t bars[BAR_PHASE_COUNT];
    frames(state, [&](uint32_t) {
        rotate_init_tables();
        uint8_t a = 0, b = 0, c = 0;
        tables_fill_particles(cloud.data(), a, b, c);
        tables_fill_plasma();
        random_seed(0);
        tables_fill_bar_phases(bars);
        initWarpTables();
        RotoZoomer roto;
        roto.init();
        BlobSprites blobs;
        blobs.init(256, 38);
    });
}
BENCHMARK(BM_StartupPrecalc)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
