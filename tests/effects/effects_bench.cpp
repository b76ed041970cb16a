// Per-frame cost of each effect on a 320x240 frame, and of the whole start-up precalculation.
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
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

namespace {

void fill_noise(Bitmap& b, uint32_t seed) {
    for (int i = 0; i < b.width * b.height; ++i) {
        seed = seed * 1664525u + 1013904223u;
        b.pixels[i] = seed >> 8;
    }
}

void BM_Tunnel(benchmark::State& state) {
    initWarpTables();
    Bitmap tex(256, 256), dst(320, 240);
    fill_noise(tex, 1);
    uint32_t t = 0;
    for (auto _ : state) {
        drawTunnel(int32_t(t % 255), int32_t(t % 255), tex, dst);
        ++t;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Tunnel)->Unit(benchmark::kMillisecond);

void BM_RadialWarp(benchmark::State& state) {
    initWarpTables();
    Bitmap tex(256, 256), dst(320, 240);
    fill_noise(tex, 2);
    uint32_t t = 0;
    for (auto _ : state) {
        drawRadialWarp(uint8_t(t % 255), tex, dst);
        ++t;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RadialWarp)->Unit(benchmark::kMillisecond);

// The owl scene's call: a keyed 133x194 sprite at zoom 0.7.
void BM_RotoZoomerKeyed(benchmark::State& state) {
    RotoZoomer roto;
    roto.init();
    Bitmap owl(133, 194), dst(320, 240);
    fill_noise(owl, 3);
    for (int i = 0; i < 133 * 194; i += 3)
        owl.pixels[i] = owl.pixels[0];
    owl.setColorKey(owl.pixels[0] & 0x00FFFFFFu);
    uint32_t t = 0;
    for (auto _ : state) {
        roto.render(uint16_t((t & 255) * 4), 0.7, owl, dst);
        ++t;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RotoZoomerKeyed)->Unit(benchmark::kMillisecond);

void BM_RotoZoomerTiled(benchmark::State& state) {
    RotoZoomer roto;
    roto.init();
    roto.tiled = 1;
    Bitmap tex(256, 256), dst(320, 240);
    fill_noise(tex, 4);
    uint32_t t = 0;
    for (auto _ : state) {
        roto.render(uint16_t((t & 255) * 4), 0.7, tex, dst);
        ++t;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RotoZoomerTiled)->Unit(benchmark::kMillisecond);

void BM_Blur(benchmark::State& state) {
    Bitmap dst(320, 240);
    fill_noise(dst, 5);
    for (auto _ : state) {
        blurBitmap(dst);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);

// The 128 four-row dark bars of one frame: three darkenRows calls each.
void BM_DarkBars(benchmark::State& state) {
    Bitmap dst(320, 240);
    fill_noise(dst, 6);
    random_seed(0);
    uint8_t phases[BAR_PHASE_COUNT];
    tables_fill_bar_phases(phases);
    for (auto _ : state) {
        for (int i = 0; i < 128; ++i) {
            const uint8_t b = phases[i];
            const int y = int((std::sin(b * 0.02454369260617026) + 1) * 120);
            darkenRows(y, 1, 16, dst);
            darkenRows(y + 1, 2, 24, dst);
            darkenRows(y + 3, 1, 16, dst);
            phases[i] = uint8_t(b + 1);
        }
        benchmark::ClobberMemory();
    }
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
    uint32_t t = 0;
    int64_t drawn = 0;
    for (auto _ : state) {
        const uint8_t p = uint8_t(t % 255);
        for (const Vec3& particle : cloud) {
            Vec3 q;
            rotatePoint(128, p, p, particle, q);
            int32_t z = q.z + 768;
            if (z == 0)
                z = 1;
            const int32_t sx = (q.x * 90) / z + 160;
            const int32_t sy = (q.y * 90) / z + 120;
            if (sx > 10 && sx < 310 && sy > 0 && sy < 240) {
                blobs.draw(sx, sy + 20, 255 - (z * 1500) / 7000, tall);
                ++drawn;
            }
        }
        ++t;
        benchmark::ClobberMemory();
    }
    state.counters["blobs/frame"] = benchmark::Counter(double(drawn) / double(state.iterations()));
}
BENCHMARK(BM_BlobCloud)->Unit(benchmark::kMillisecond);

// The owl scene's scroller: 146 characters of the program's font, most of them clipped.
void BM_FontScroller(benchmark::State& state) {
    std::ifstream in(EFFECTS_ASSET_DIR "/data/font2.pcx", std::ios::binary);
    std::vector<uint8_t> pcx((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::vector<uint8_t> blob(128, 0);
    const char name[] = "data\\font2.pcx";
    std::copy(name, name + sizeof name, blob.begin());
    for (int s = 0; s < 32; s += 8)
        blob.push_back(uint8_t(pcx.size() >> s));
    blob.insert(blob.end(), pcx.begin(), pcx.end());
    fs_init(blob.data(), uint32_t(blob.size()));
    Font font;
    if (!font.load(name, "abcdefghijklmnopqrstuwvxyz\xE4\xF6"
                         "1234567890,.()?!-'[]=+;:")) {
        state.SkipWithError("font2.pcx not loaded");
        return;
    }
    const char* text =
        "huhuu   (( o , 0 ))  whut up     ich heisse gorvin scheisse und das ist die arschloch "
        "abend !!    php dsl asentaja jatkat jeden tag so hu hu huuu ";
    Bitmap dst(320, 240);
    int32_t scrollX = 341;
    for (auto _ : state) {
        font.x = scrollX;
        font.y = 190;
        scrollX = scrollX < -1500 ? 341 : scrollX - 7;
        font.drawText(dst, text);
        benchmark::ClobberMemory();
    }
    font.unload();
    fs_init(nullptr, 0);
}
BENCHMARK(BM_FontScroller)->Unit(benchmark::kMillisecond);

// Everything computed once at start-up: angle, wave, particle and bar tables, the warp
// tables, the rotozoomer's tables and the 256 blobs.
void BM_StartupPrecalc(benchmark::State& state) {
    std::vector<Vec3> cloud(PARTICLE_COUNT);
    uint8_t bars[BAR_PHASE_COUNT];
    for (auto _ : state) {
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
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StartupPrecalc)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
