// Sample synthesis primitives.
#include "tools/songgen/synth.h"

#include <cmath>

double SynthNoise::next() {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1 << 23) - 1.0;
}

namespace {

double one_pole_coefficient(double cutoffHz, double rate) {
    return 1.0 - std::exp(-2.0 * SYNTH_PI * cutoffHz / rate);
}

}  // namespace

void synth_lowpass(Signal& s, double cutoffHz, double rate, bool circular) {
    const double a = one_pole_coefficient(cutoffHz, rate);
    double y = 0.0;
    if (circular)
        for (double v : s) y += a * (v - y);
    for (double& v : s) {
        y += a * (v - y);
        v = y;
    }
}

void synth_highpass(Signal& s, double cutoffHz, double rate, bool circular) {
    const double a = one_pole_coefficient(cutoffHz, rate);
    double y = 0.0;
    if (circular)
        for (double v : s) y += a * (v - y);
    for (double& v : s) {
        y += a * (v - y);
        v -= y;
    }
}

void synth_normalize(Signal& s, double peak) {
    double m = 0.0;
    for (double v : s) m = std::fmax(m, std::fabs(v));
    if (m == 0.0) return;
    for (double& v : s) v *= peak / m;
}

void synth_fade_tail(Signal& s, int frames) {
    const int n = int(s.size());
    for (int i = 0; i < frames && i < n; ++i) s[n - 1 - i] *= double(i) / frames;
}

std::vector<int16_t> synth_quantize(const Signal& s, bool eightBit) {
    std::vector<int16_t> out(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const double v = std::fmax(-1.0, std::fmin(1.0, s[i]));
        long q = eightBit ? long(std::floor(v * 127.0 + 0.5)) * 256 : long(std::floor(v * 32767.0 + 0.5));
        out[i] = int16_t(q);
    }
    return out;
}
