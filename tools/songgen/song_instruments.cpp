// Synthesis of the song's drums, bass, leads, pads and effects.
#include "tools/songgen/song_instruments.h"

#include "tools/songgen/synth.h"

#include <cmath>

namespace {

XmInstrumentDef one_sample(const char* name, XmSampleDef sample) {
    XmInstrumentDef ins;
    ins.name = name;
    sample.name = name;
    ins.samples.push_back(std::move(sample));
    return ins;  // sampleMap stays all 0: every note plays sample 0
}

XmSampleDef make_sample(const Signal& s, bool sixteenBit, int8_t relativeNote) {
    XmSampleDef d;
    d.data = synth_quantize(s, !sixteenBit);
    d.sixteenBit = sixteenBit;
    d.relativeNote = relativeNote;
    return d;
}


// Kick: a sine whose pitch falls from about 190 Hz to 46 Hz, a noise click on
// top, soft-clipped. 16-bit because its long low tail shows 8-bit steps.
XmInstrumentDef make_kick() {
    const double rate = SYNTH_RATE_12;
    const int n = 4400;
    Signal s(n);
    SynthNoise noise(11);
    double phase = 0, click = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double f = 46.0 + 95.0 * std::exp(-t / 0.035) + 60.0 * std::exp(-t / 0.007);
        phase += 2 * SYNTH_PI * f / rate;
        const double amp = t < 0.015 ? 1.0 : std::exp(-(t - 0.015) / 0.11);
        click += 0.35 * (noise.next() - click);
        s[i] = std::tanh(1.6 * std::sin(phase) * amp) + click * std::exp(-t / 0.004) * 0.6;
    }
    synth_normalize(s, 0.97);
    synth_fade_tail(s, 600);
    return one_sample("kick", make_sample(s, true, 12));
}

// Snare: two falling body partials and band-limited noise with a longer tail.
XmInstrumentDef make_snare() {
    const double rate = SYNTH_RATE_12;
    const int n = 4600;
    Signal body(n), hiss(n);
    SynthNoise noise(23);
    double p1 = 0, p2 = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        p1 += 2 * SYNTH_PI * (180 + 70 * std::exp(-t / 0.01)) / rate;
        p2 += 2 * SYNTH_PI * (330 + 90 * std::exp(-t / 0.01)) / rate;
        body[i] = (std::sin(p1) + 0.5 * std::sin(p2)) * std::exp(-t / 0.045);
        hiss[i] = noise.next() * (0.75 * std::exp(-t / 0.075) + 0.25 * std::exp(-t / 0.012));
    }
    synth_highpass(hiss, 900, rate);
    synth_lowpass(hiss, 6500, rate);
    Signal s(n);
    for (int i = 0; i < n; ++i) s[i] = std::tanh(1.3 * (0.8 * body[i] + 1.6 * hiss[i]));
    synth_normalize(s, 0.97);
    synth_fade_tail(s, 500);
    XmSampleDef d = make_sample(s, false, 12);
    d.panning = 0x74;
    return one_sample("snare", d);
}

// Closed hat: a short loop of bright noise; the envelope shapes it.
XmInstrumentDef make_hat() {
    const double rate = SYNTH_RATE_24;
    Signal s(1024);
    SynthNoise noise(37);
    for (double& v : s) v = noise.next();
    synth_highpass(s, 7000, rate, true);
    synth_highpass(s, 5000, rate, true);
    synth_normalize(s, 0.95);
    XmSampleDef d = make_sample(s, false, 24);
    d.loopType = 1;
    d.loopStart = 0;
    d.loopLength = uint32_t(s.size());
    d.volume = 48;
    d.panning = 0xB0;
    XmInstrumentDef ins = one_sample("hat", d);
    ins.volumeEnv.points = {{0, 64}, {2, 28}, {6, 10}, {14, 0}};
    ins.volumeEnv.flags = 1;
    return ins;
}

// Cymbal: six square partials with integer cycle counts in the loop (metallic,
// seamless) plus noise, high-passed. Crash at C-4, open hat higher and shorter.
XmInstrumentDef make_cymbal() {
    const double rate = SYNTH_RATE_24;
    const int n = 4096;
    const int cycles[6] = {317, 443, 571, 653, 809, 1013};
    Signal s(n);
    SynthNoise noise(41);
    for (int i = 0; i < n; ++i) {
        double v = 0;
        for (int c : cycles) v += ((c * i * 2 / n) % 2) ? 0.18 : -0.18;  // square, c cycles per loop
        s[i] = v + 0.9 * noise.next();
    }
    synth_highpass(s, 3500, rate, true);
    synth_highpass(s, 2500, rate, true);
    synth_normalize(s, 0.95);
    XmSampleDef d = make_sample(s, false, 24);
    d.loopType = 1;
    d.loopLength = n;
    d.volume = 44;
    d.panning = 0x68;
    XmInstrumentDef ins = one_sample("cymbal", d);
    ins.volumeEnv.points = {{0, 64}, {3, 46}, {25, 24}, {80, 9}, {180, 0}};
    ins.volumeEnv.flags = 1;
    ins.fadeout = 1200;
    return ins;
}

// Bass: a saw with a falling low-pass, one 128-frame cycle per step, with a sub
// sine; the last two cycles loop. C-4 plays at 261 Hz (relative note 24).
XmInstrumentDef make_bass() {
    const int cycle = 128, steps = 26;
    Signal s;
    for (int c = 0; c < steps; ++c) {
        const double cutoff = 3.0 + 30.0 * std::exp(-c / 5.0);
        Signal one = synth_cycle(cycle, 60, [&](int k) {
            const double lp = 1.0 / std::sqrt(1.0 + std::pow(k / cutoff, 4));
            return (k == 1 ? 1.6 : 1.0) * lp / k;
        });
        s.insert(s.end(), one.begin(), one.end());
    }
    synth_normalize(s, 0.97);
    XmSampleDef d = make_sample(s, false, 24);
    d.loopType = 1;
    d.loopStart = uint32_t((steps - 2) * cycle);
    d.loopLength = 2 * cycle;
    XmInstrumentDef ins = one_sample("bass", d);
    ins.volumeEnv.points = {{0, 64}, {6, 54}, {30, 44}, {60, 40}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.flags = 1 | 2;
    ins.fadeout = 2400;
    return ins;
}

// Lead: a pulse whose width sweeps over 64 cycles, mixed with a little saw;
// ping-pong looped so the width swings back and forth while a note is held.
XmInstrumentDef make_lead() {
    const int cycle = 64, steps = 64;
    Signal s;
    for (int c = 0; c < steps; ++c) {
        const double w = 0.5 - 0.36 * c / (steps - 1);
        Signal one = synth_cycle(cycle, 31, [&](int k) {
            const double roll = 1.0 / (1.0 + std::pow(k / 18.0, 2));
            return roll * (0.8 * std::sin(SYNTH_PI * k * w) * 2 / (SYNTH_PI * k) + 0.25 / k);
        });
        s.insert(s.end(), one.begin(), one.end());
    }
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, false, 12);
    d.loopType = 2;
    d.loopStart = 4 * cycle;
    d.loopLength = uint32_t(s.size()) - 4 * cycle;
    d.panning = 0x98;
    XmInstrumentDef ins = one_sample("lead", d);
    ins.volumeEnv.points = {{0, 0}, {1, 64}, {8, 50}, {40, 30}, {90, 0}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.flags = 1 | 2;
    ins.fadeout = 900;
    ins.vibType = 0, ins.vibSweep = 40, ins.vibDepth = 5, ins.vibRate = 10;
    return ins;
}

// Pad: five band-limited saws at 126..130 cycles per 8192-frame loop (a slow
// chorus that loops seamlessly) over a sub-octave sine, softened.
XmInstrumentDef make_pad() {
    const int n = 8192;
    const int base = 128;  // cycles per loop: 64-frame period, C-4 at relative note 12
    Signal s(n, 0.0);
    const int detune[5] = {-2, -1, 0, 1, 2};
    const double level[5] = {0.6, 0.9, 1.0, 0.9, 0.6};
    for (int v = 0; v < 5; ++v) {
        const int k0 = base + detune[v];
        const double phase0 = 0.37 * v;
        for (int h = 1; h * k0 < n / 2 - k0; ++h) {
            const double a = level[v] / h / (1.0 + std::pow(h / 7.0, 2));
            for (int i = 0; i < n; ++i) s[i] += a * std::sin(2 * SYNTH_PI * h * k0 * double(i) / n + phase0 * h);
        }
    }
    for (int i = 0; i < n; ++i) s[i] += 0.8 * std::sin(2 * SYNTH_PI * (base / 2) * double(i) / n);
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, false, 12);
    d.loopType = 1;
    d.loopLength = n;
    XmInstrumentDef ins = one_sample("pad", d);
    // Swells 48 -> 64 -> 48 while it sounds; key off releases through the fade-out.
    ins.volumeEnv.points = {{0, 0}, {24, 48}, {60, 64}, {100, 48}};
    ins.volumeEnv.loopStart = 1;
    ins.volumeEnv.loopEnd = 3;
    ins.volumeEnv.flags = 1 | 4;
    ins.panningEnv.points = {{0, 32}, {60, 46}, {180, 18}, {240, 32}};
    ins.panningEnv.loopStart = 0;
    ins.panningEnv.loopEnd = 3;
    ins.panningEnv.flags = 1 | 4;
    ins.fadeout = 2048;
    return ins;
}

// Pluck: bright square-ish cycles whose upper harmonics die away, then two
// dark cycles loop; the envelope makes the short decay.
XmInstrumentDef make_pluck() {
    const int cycle = 64, steps = 14;
    Signal s;
    for (int c = 0; c < steps; ++c) {
        const double cutoff = 2.5 + 16.0 * std::exp(-c / 3.0);
        Signal one = synth_cycle(cycle, 31, [&](int k) {
            const double lp = 1.0 / (1.0 + std::pow(k / cutoff, 2));
            return lp * ((k % 2) ? 1.0 / k : 0.45 / k);
        });
        s.insert(s.end(), one.begin(), one.end());
    }
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, false, 12);
    d.loopType = 1;
    d.loopStart = uint32_t((steps - 2) * cycle);
    d.loopLength = 2 * cycle;
    XmInstrumentDef ins = one_sample("pluck", d);
    ins.volumeEnv.points = {{0, 64}, {3, 42}, {10, 20}, {30, 6}, {50, 0}};
    ins.volumeEnv.flags = 1;
    ins.panningEnv.points = {{0, 20}, {4, 44}, {8, 32}};
    ins.panningEnv.flags = 1;
    return ins;
}

// Bell: inharmonic partials (1, 2.75, 5.375, 8.9375 times the fundamental), each
// a whole number of cycles in 1024 frames; upper partials die in the attack, the
// rest loops. 16-bit for a clean decay.
XmInstrumentDef make_bell() {
    const double rate = SYNTH_RATE_12;
    const int attack = 2048, loop = 1024, n = attack + loop;
    const int cycles[5] = {16, 32, 44, 86, 143};
    const double amp[5] = {1.0, 0.35, 0.6, 0.35, 0.22};
    const double decay[5] = {0.8, 0.25, 0.12, 0.06, 0.035};
    Signal s(n);
    for (int i = 0; i < n; ++i) {
        const double t = std::fmin(i, attack) / rate;
        double v = 0;
        for (int p = 0; p < 5; ++p)
            v += amp[p] * std::exp(-t / decay[p]) * std::sin(2 * SYNTH_PI * cycles[p] * double(i) / loop);
        s[i] = v;
    }
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, true, 12);
    d.loopType = 1;
    d.loopStart = attack;
    d.loopLength = loop;
    XmInstrumentDef ins = one_sample("bell", d);
    ins.volumeEnv.points = {{0, 64}, {8, 44}, {40, 22}, {120, 8}, {220, 0}};
    ins.volumeEnv.flags = 1;
    ins.fadeout = 500;
    ins.vibType = 0, ins.vibSweep = 0, ins.vibDepth = 2, ins.vibRate = 6;
    return ins;
}

// Sub: one 64-frame cycle of a sine with a touch of second harmonic, 16-bit.
XmInstrumentDef make_sub() {
    Signal s = synth_cycle(64, 2, [](int k) { return k == 1 ? 1.0 : 0.12; });
    synth_normalize(s, 0.97);
    XmSampleDef d = make_sample(s, true, 12);
    d.loopType = 1;
    d.loopLength = 64;
    XmInstrumentDef ins = one_sample("sub", d);
    ins.volumeEnv.points = {{0, 0}, {3, 64}, {40, 52}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.flags = 1 | 2;
    ins.fadeout = 1500;
    return ins;
}

// Riser: a loop of soft noise that the patterns sweep up with portamento and
// volume slides.
XmInstrumentDef make_riser() {
    const double rate = SYNTH_RATE_24;
    Signal s(2048);
    SynthNoise noise(59);
    for (double& v : s) v = noise.next();
    synth_lowpass(s, 5000, rate, true);
    synth_highpass(s, 400, rate, true);
    synth_normalize(s, 0.95);
    XmSampleDef d = make_sample(s, false, 24);
    d.loopType = 1;
    d.loopLength = 2048;
    XmInstrumentDef ins = one_sample("riser", d);
    ins.volumeEnv.points = {{0, 64}, {4, 64}};
    ins.volumeEnv.sustain = 1;
    ins.volumeEnv.flags = 1 | 2;
    ins.panningEnv.points = {{0, 32}, {8, 12}, {24, 52}, {32, 32}};
    ins.panningEnv.loopStart = 0;
    ins.panningEnv.loopEnd = 3;
    ins.panningEnv.flags = 1 | 4;
    ins.fadeout = 700;
    return ins;
}

// Type click: a key's tick, a short metallic ping and a soft thump.
XmInstrumentDef make_click() {
    const double rate = SYNTH_RATE_12;
    const int n = 700;
    Signal s(n);
    SynthNoise noise(71);
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        s[i] = noise.next() * std::exp(-t / 0.0025) + 0.5 * std::sin(2 * SYNTH_PI * 2350 * t) * std::exp(-t / 0.009) +
               0.7 * std::sin(2 * SYNTH_PI * 140 * t) * std::exp(-t / 0.012);
    }
    synth_highpass(s, 150, rate);
    synth_normalize(s, 0.95);
    synth_fade_tail(s, 100);
    XmSampleDef d = make_sample(s, false, 12);
    d.volume = 40;
    return one_sample("click", d);
}

// Saw lead: three band-limited saws at 63, 64 and 65 cycles per 4096-frame loop
// (a 64-frame period, so C-4 at relative note 12), a brassy counter voice.
XmInstrumentDef make_saw() {
    const int n = 4096;
    Signal s(n, 0.0);
    const int cycles[3] = {63, 64, 65};
    for (int v = 0; v < 3; ++v)
        for (int h = 1; h * cycles[v] < n / 2 - cycles[v]; ++h) {
            const double a = (v == 1 ? 1.0 : 0.7) / h / (1.0 + std::pow(h / 10.0, 2));
            for (int i = 0; i < n; ++i) s[i] += a * std::sin(2 * SYNTH_PI * h * cycles[v] * double(i) / n + 1.3 * v * h);
        }
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, false, 12);
    d.loopType = 1;
    d.loopLength = n;
    d.panning = 0x60;
    XmInstrumentDef ins = one_sample("saw", d);
    ins.volumeEnv.points = {{0, 0}, {3, 60}, {12, 48}, {50, 40}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.flags = 1 | 2;
    ins.fadeout = 1400;
    ins.vibType = 0, ins.vibSweep = 60, ins.vibDepth = 4, ins.vibRate = 9;
    return ins;
}

// Vox: an "ah" voice; harmonics weighted by three formant resonances (700, 1150
// and 2600 Hz at C-4), three slightly detuned voices over an 8192-frame loop.
XmInstrumentDef make_vox() {
    const int n = 8192;
    const double rate = SYNTH_RATE_24;
    Signal s(n, 0.0);
    const int cycles[3] = {63, 64, 65};  // 128-frame period at relative note 24
    const double formant[3][3] = {{700, 130, 1.0}, {1150, 150, 0.55}, {2600, 220, 0.25}};
    for (int v = 0; v < 3; ++v)
        for (int h = 1; h * cycles[v] < n / 2 - cycles[v]; ++h) {
            const double f = rate * h * cycles[v] / n;
            double a = 0.15 / h;
            for (const auto& fm : formant) a += fm[2] / (1.0 + std::pow((f - fm[0]) / fm[1], 2));
            a /= std::sqrt(double(h));
            for (int i = 0; i < n; ++i) s[i] += a * std::sin(2 * SYNTH_PI * h * cycles[v] * double(i) / n + 2.1 * v * h);
        }
    synth_normalize(s, 0.96);
    XmSampleDef d = make_sample(s, false, 24);
    d.loopType = 1;
    d.loopLength = n;
    XmInstrumentDef ins = one_sample("vox", d);
    ins.volumeEnv.points = {{0, 0}, {20, 56}, {40, 64}, {70, 50}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.flags = 1 | 2;
    ins.panningEnv.points = {{0, 24}, {80, 40}, {160, 24}};
    ins.panningEnv.loopStart = 0;
    ins.panningEnv.loopEnd = 2;
    ins.panningEnv.flags = 1 | 4;
    ins.fadeout = 900;
    ins.vibType = 0, ins.vibSweep = 50, ins.vibDepth = 3, ins.vibRate = 7;
    return ins;
}

}  // namespace

std::vector<XmInstrumentDef> song_instruments() {
    std::vector<XmInstrumentDef> list;
    list.push_back(make_kick());
    list.push_back(make_snare());
    list.push_back(make_hat());
    list.push_back(make_cymbal());
    list.push_back(make_bass());
    list.push_back(make_lead());
    list.push_back(make_pad());
    list.push_back(make_pluck());
    list.push_back(make_bell());
    list.push_back(make_sub());
    list.push_back(make_riser());
    list.push_back(make_saw());
    list.push_back(make_vox());
    list.push_back(make_click());  // last: the file's padding silence goes at its end
    return list;
}
