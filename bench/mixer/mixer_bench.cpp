// mixer_mix throughput: voice-frames per second for 1..32 looping voices, steady or ramping,
// on long and short loops.
#include <benchmark/benchmark.h>

#include <vector>

#include "mixer/mixer.h"
#include "music/music.h"

namespace {

constexpr int BLOCK = 884;

// range(0): voices; range(1): 1 for a new gain every block, so every voice ramps; range(2):
// loop length in values (short loops end a pass every few frames); range(3): 1 ping-pong.
void BM_Mix(benchmark::State& state) {
    const uint32_t length = 20000;
    std::vector<int16_t> data(length + 8);
    for (uint32_t k = 0; k < length; ++k)
        data[k] = int16_t((k * 7919) % 60000 - 30000);
    const uint32_t loop = uint32_t(state.range(2));
    data[length] = data[length - loop];
    Sample sample{};
    sample.data = data.data();
    sample.length = length;
    sample.loop_start = length - loop;
    sample.loop_length = loop;
    sample.loop_type = state.range(3) ? LOOP_PINGPONG : LOOP_FORWARD;

    const int voices = int(state.range(0));
    mixer_set_rate(44100);
    mixer_reset_voices();
    for (int v = 0; v < voices; ++v) {
        Voice& voice = voice_table[v];
        voice.sample = &sample;
        voice.direction = 1;
        voice.position = length - loop;
        // Steps between 0.19 and 1.5: the pitches of a song.
        const uint64_t step = (uint64_t(1) << 32) / 5 + uint64_t(v) * 0x9E3779B1ull / 2;
        voice.step = uint32_t(step >> 32);
        voice.step_frac = uint32_t(step);
        voice.gain_left = voice.last_gain_left = 40 + v;
        voice.gain_right = voice.last_gain_right = 200 - v;
        voice.level_left = voice.gain_left * 256;
        voice.level_right = voice.gain_right * 256;
    }
    std::vector<float> buffer(2 * BLOCK);
    int flip = 0;
    for (auto _ : state) {
        if (state.range(1)) {
            flip ^= 1;
            for (int v = 0; v < voices; ++v)
                voice_table[v].gain_left = flip ? 100 : 180;
        }
        mixer_mix(buffer.data(), BLOCK);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["voice_frames/s"] = benchmark::Counter(
        double(state.iterations()) * voices * BLOCK, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_Mix)
    ->Args({1, 0, 19000, 0})
    ->Args({8, 0, 19000, 0})
    ->Args({32, 0, 19000, 0})
    ->Args({32, 1, 19000, 0})
    ->Args({12, 0, 32, 0})
    ->Args({12, 0, 32, 1})
    ->Args({12, 0, 8, 0});
BENCHMARK_MAIN();
