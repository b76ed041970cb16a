// Writes the dense XM seed of the xm corpus: a short song that reaches many rows, every
// channel, both frequency tables' worth of pitch paths and every loop kind within the few
// ticks the fuzz target plays. Usage: fuzz_write_xm_seed OUT_FILE
#include <cstdio>

#include "tools/xmwriter/xm_writer.h"

namespace {

XmSampleDef wave(int length, bool sixteenBit, uint8_t loopType, uint32_t loopStart,
                 uint32_t loopLength) {
    XmSampleDef s;
    for (int i = 0; i < length; ++i)
        s.data.push_back(int16_t((i * 977) % 60000 - 30000));
    s.sixteenBit = sixteenBit;
    s.loopType = loopType;
    s.loopStart = loopStart;
    s.loopLength = loopLength;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_FILE\n", argv[0]);
        return 2;
    }
    XmModuleDef def;
    def.name = "fuzz seed";
    def.channels = 8;
    def.linear = false; // the Amiga table; the other seeds use the linear one
    def.speed = 2;
    def.bpm = 255;
    def.orders = {0, 1, 0};
    def.restart = 1;

    // 1: 8-bit ping-pong with a one-value-short loop and a 16-bit forward loop by note.
    XmInstrumentDef loops;
    loops.samples = {wave(33, false, 2, 1, 31), wave(40, true, 1, 0, 40)};
    for (int n = 48; n < 96; ++n)
        loops.sampleMap[n] = 1;
    // 2: envelopes with sustain and loop, fade-out and auto-vibrato on an unlooped sample.
    XmInstrumentDef env;
    env.samples = {wave(200, true, 0, 0, 0)};
    env.samples[0].relativeNote = -12;
    env.samples[0].finetune = -100;
    env.volumeEnv.points = {{0, 64}, {2, 10}, {4, 60}, {9, 0}};
    env.volumeEnv.sustain = 1;
    env.volumeEnv.loopStart = 1;
    env.volumeEnv.loopEnd = 2;
    env.volumeEnv.flags = 7;
    env.panningEnv.points = {{0, 0}, {3, 64}, {6, 32}};
    env.panningEnv.loopStart = 0;
    env.panningEnv.loopEnd = 2;
    env.panningEnv.flags = 5;
    env.fadeout = 0x800;
    env.vibType = 1;
    env.vibSweep = 2;
    env.vibDepth = 15;
    env.vibRate = 40;
    // 3: no samples at all.
    XmInstrumentDef empty;
    def.instruments = {loops, env, empty};

    XmPatternDef a;
    a.rows = 8;
    XmPatternDef b;
    b.rows = 4;
    const int ch = def.channels;
    for (int c = 0; c < ch; ++c) {
        a.at(0, c, ch) = XmCellDef{uint8_t(1 + 12 * c), uint8_t(1 + c % 3), uint8_t(0x10 + 6 * c), 0, 0};
        a.at(2, c, ch) = XmCellDef{97, 0, 0, 0x0E, 0xD1};
        a.at(3, c, ch) = XmCellDef{uint8_t(90 - c), 2, 0xF8, 0x03, 0x20};
        a.at(5, c, ch) = XmCellDef{0, 0, 0xB4, 0x04, 0x8F};
        a.at(6, c, ch) = XmCellDef{uint8_t(50 + c), 1, 0x6F, 0x09, 0x01};
        b.at(0, c, ch) = XmCellDef{uint8_t(60 + c), 2, 0, 0x15, 0x05};
        b.at(1, c, ch) = XmCellDef{0, 0, 0xD2, 0x1B, 0x33};
        b.at(2, c, ch) = XmCellDef{uint8_t(40 - c), 1, 0, 0x02, 0xFF};
    }
    a.at(7, 7, ch) = XmCellDef{0, 0, 0, 0x0E, 0x62};
    b.at(3, 0, ch) = XmCellDef{0, 0, 0, 0x0F, 0x01};
    def.patterns = {a, b};
    return xm_save(def, argv[1]) ? 0 : 1;
}
