// stresssongs: writes songs of 18, 24 and 32 channels that keep every voice busy with short
// notes, forward and ping-pong loops, 8- and 16-bit samples and volume changes on most ticks,
// and a 12-channel one of long notes on loops of a few values (a boundary every few frames).
// usage: stresssongs OUT_DIR (prints the paths it wrote)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/xmwriter/xm_writer.h"

namespace {

// A fixed generator so the songs are the same on every machine.
struct Random {
    uint32_t state;
    uint32_t next(uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

// One cycle of `period` values repeated `cycles` times: a rough saw plus a square, with a
// little noise so interpolation has work to do.
std::vector<int16_t> tone(Random& r, int period, int cycles, double square, double level) {
    std::vector<int16_t> data;
    for (int k = 0; k < period * cycles; ++k) {
        const double phase = double(k % period) / period;
        const double v = (2 * phase - 1) * (1 - square) + (phase < 0.5 ? square : -square);
        data.push_back(int16_t(std::lrint(v * level + double(r.next(2001)) - 1000)));
    }
    return data;
}

// `level`: peak of the sample values, lowered with more channels so the mix rarely clips.
// `chip`: loops of 8 to 160 values, always looped, as chip-tune songs have them.
XmInstrumentDef instrument(Random& r, int kind, double level, bool chip) {
    XmInstrumentDef ins;
    ins.name = "stress " + std::to_string(kind);
    XmSampleDef s;
    s.sixteenBit = kind % 2 == 0;
    const int period = chip ? 8 + int(r.next(40)) : 16 + int(r.next(200));
    const int cycles = chip ? 1 + int(r.next(4)) : 2 + int(r.next(40));
    s.data = tone(r, period, cycles, double(kind % 3) / 3, level);
    const uint32_t length = uint32_t(s.data.size());
    s.loopType = uint8_t(chip ? 1 + kind % 2 : kind % 3); // none, forward, ping-pong
    if (s.loopType) {
        s.loopStart = uint32_t(r.next(length / 2));
        s.loopLength = length - s.loopStart;
    }
    s.relativeNote = int8_t(int(r.next(25)) - 12);
    s.finetune = int8_t(int(r.next(128)) - 64);
    s.panning = uint8_t(r.next(256));
    ins.samples.push_back(s);
    // A busy volume envelope: a new level every two ticks, so the gains ramp most of the time.
    for (int p = 0; p < 12; ++p)
        ins.volumeEnv.points.push_back({uint16_t(p * 2), uint16_t(8 + r.next(57))});
    ins.volumeEnv.flags = 1 | 4;
    ins.volumeEnv.loopStart = 2;
    ins.volumeEnv.loopEnd = 11;
    ins.fadeout = 2000;
    return ins;
}

XmModuleDef song(int channels, uint32_t seed, bool chip) {
    Random r{seed};
    XmModuleDef m;
    m.name = "stress " + std::to_string(channels);
    m.channels = channels;
    m.speed = 3;
    m.bpm = 150;
    for (int k = 0; k < 12; ++k)
        m.instruments.push_back(instrument(r, k, 150000.0 / channels, chip));
    const int patterns = 12;
    for (int p = 0; p < patterns; ++p) {
        XmPatternDef pattern;
        for (int row = 0; row < 64; ++row)
            for (int ch = 0; ch < channels; ++ch) {
                XmCellDef& c = pattern.at(row, ch, channels);
                const uint32_t roll = r.next(16);
                if (chip ? roll < 2 : roll < 9) {
                    c.note = uint8_t(25 + r.next(60));
                    c.instrument = uint8_t(1 + r.next(12));
                } else if (roll == 9) {
                    c.note = 97;
                }
                if (r.next(3) == 0)
                    c.volume = uint8_t(0x10 + r.next(65)); // set volume
                else if (r.next(4) == 0)
                    c.volume = uint8_t(0xC0 + r.next(16)); // set panning
                switch (r.next(6)) {
                case 0:
                    c.effect = 0x7, c.param = uint8_t(0x48 + r.next(8));
                    break; // tremolo
                case 1:
                    c.effect = 0xA, c.param = uint8_t(r.next(2) ? 0x40 : 0x04);
                    break;
                case 2:
                    c.effect = 0x4, c.param = 0x64;
                    break; // vibrato
                case 3:    // note cut; chip notes ring on
                    if (!chip)
                        c.effect = 0xE, c.param = uint8_t(0xC1 + r.next(2));
                    break;
                default:
                    break;
                }
            }
        m.patterns.push_back(pattern);
        m.orders.push_back(uint8_t(p));
    }
    return m;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: stresssongs OUT_DIR\n");
        return 2;
    }
    struct Kind {
        int channels;
        bool chip;
    };
    for (const Kind kind : {Kind{18, false}, Kind{24, false}, Kind{32, false}, Kind{12, true}}) {
        const std::string path = std::string(argv[1]) + (kind.chip ? "/chip_" : "/stress_") +
                                 std::to_string(kind.channels) + ".xm";
        const uint32_t seed = 0x5EED0000u + uint32_t(kind.channels);
        if (!xm_save(song(kind.channels, seed, kind.chip), path)) {
            std::fprintf(stderr, "stresssongs: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
