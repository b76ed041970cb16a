// Sample synthesis for the song: deterministic oscillators, noise, filters and
// conversion of double-precision signals to stored 8- or 16-bit sample values.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// Rates that make the XM note C-4 play a sample at its own pitch: C-4 with relative
// note 0 plays at 8363 Hz, so relative note 12 is 16726 Hz and 24 is 33452 Hz.
constexpr double SYNTH_RATE_12 = 16726.0;
constexpr double SYNTH_RATE_24 = 33452.0;
constexpr double SYNTH_PI = 3.14159265358979323846;

// 32-bit linear congruential noise; the same seed gives the same stream everywhere.
struct SynthNoise {
    uint32_t state;
    explicit SynthNoise(uint32_t seed) : state(seed) {}
    double next();  // uniform in [-1, 1)
};

using Signal = std::vector<double>;

// One cycle of `length` frames built from harmonics: amplitude(k) for k = 1..maxHarmonic,
// sine phase. Integer harmonics make the cycle loop seamlessly.
template <typename Amp>
Signal synth_cycle(int length, int maxHarmonic, Amp amplitude) {
    Signal out(length, 0.0);
    for (int k = 1; k <= maxHarmonic; ++k) {
        const double a = amplitude(k);
        if (a == 0.0) continue;
        for (int i = 0; i < length; ++i) out[i] += a * std::sin(2.0 * SYNTH_PI * k * i / length);
    }
    return out;
}

// One-pole low-pass / high-pass over the signal. With `circular` the filter runs
// over the signal twice and keeps the second pass, so a looped signal stays seamless.
void synth_lowpass(Signal& s, double cutoffHz, double rate, bool circular = false);
void synth_highpass(Signal& s, double cutoffHz, double rate, bool circular = false);

// Scales the signal so that its largest magnitude is `peak` (0..1).
void synth_normalize(Signal& s, double peak);

// Linear fade to 0 over the last `frames` frames.
void synth_fade_tail(Signal& s, int frames);

// Quantises to 16-bit values; with eightBit the values are rounded to multiples of
// 256 so that the writer's 8-bit storage (value >> 8) keeps them exactly.
std::vector<int16_t> synth_quantize(const Signal& s, bool eightBit);
