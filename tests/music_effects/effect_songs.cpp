// The effect family songs and the every-effect song, written as lists of cells.

#include "tests/music_effects/effect_songs.h"

#include <cstdint>

namespace {

constexpr uint8_t C4 = 49, D4 = 51, E4 = 53, G4 = 56, C5 = 61, KEY_OFF = 97;

struct Put {
    int pattern, row, channel;
    uint8_t note, instrument, volume, effect, param;
};

// A square wave of period 8 (1045 Hz at C-4), looped over its whole length.
XmSampleDef looped_square() {
    XmSampleDef s;
    s.name = "square";
    for (int i = 0; i < 64; ++i)
        s.data.push_back(i % 8 < 4 ? 8000 : -8000);
    s.sixteenBit = true;
    s.loopType = 1;
    s.loopStart = 0;
    s.loopLength = 64;
    s.volume = 64;
    return s;
}

// The same wave, 4000 values long and without loop, for sample offsets.
XmSampleDef long_square() {
    XmSampleDef s = looped_square();
    s.name = "long";
    s.data.clear();
    for (int i = 0; i < 4000; ++i)
        s.data.push_back(i % 8 < 4 ? 8000 : -8000);
    s.loopType = 0;
    s.loopLength = 0;
    return s;
}

XmInstrumentDef instrument_of(const XmSampleDef& sample, const std::string& name) {
    XmInstrumentDef ins;
    ins.name = name;
    ins.samples.push_back(sample);
    return ins;
}

// Volume envelope with sustain and loop, panning envelope, fade-out and auto-vibrato.
XmInstrumentDef enveloped() {
    XmInstrumentDef ins = instrument_of(looped_square(), "enveloped");
    ins.volumeEnv.points = {{0, 64}, {8, 40}, {16, 56}, {40, 20}, {80, 0}};
    ins.volumeEnv.sustain = 2;
    ins.volumeEnv.loopStart = 1;
    ins.volumeEnv.loopEnd = 2;
    ins.volumeEnv.flags = 1 | 2 | 4;
    ins.panningEnv.points = {{0, 32}, {20, 8}, {40, 56}};
    ins.panningEnv.flags = 1;
    ins.fadeout = 0x200;
    ins.vibType = 0;
    ins.vibSweep = 10;
    ins.vibDepth = 4;
    ins.vibRate = 16;
    return ins;
}

XmModuleDef base_song(int channels, std::vector<int> rows, std::vector<uint8_t> orders) {
    XmModuleDef def;
    def.channels = channels;
    def.speed = 6;
    def.bpm = 125;
    def.orders = orders;
    for (int r : rows) {
        XmPatternDef p;
        p.rows = r;
        def.patterns.push_back(p);
    }
    def.instruments.push_back(instrument_of(looped_square(), "square"));
    def.instruments.push_back(instrument_of(long_square(), "long"));
    def.instruments.push_back(enveloped());
    return def;
}

void put_all(XmModuleDef& def, const std::vector<Put>& cells) {
    for (const Put& p : cells) {
        XmCellDef& c = def.patterns[p.pattern].at(p.row, p.channel, def.channels);
        c = XmCellDef{p.note, p.instrument, p.volume, p.effect, p.param};
    }
}

XmModuleDef pitch_song() {
    XmModuleDef def = base_song(1, {64}, {0});
    put_all(def, {
                     {0, 0, 0, C4, 1, 0, 0, 0},          {0, 4, 0, C4, 1, 0, 0x1, 0x08},
                     {0, 5, 0, 0, 0, 0, 0x1, 0},         {0, 6, 0, 0, 0, 0, 0x1, 0},
                     {0, 8, 0, C4, 1, 0, 0x2, 0x08},     {0, 9, 0, 0, 0, 0, 0x2, 0},
                     {0, 10, 0, 0, 0, 0, 0x2, 0},        {0, 12, 0, C4, 1, 0, 0, 0},
                     {0, 13, 0, E4, 0, 0, 0x3, 0x10},    {0, 14, 0, 0, 0, 0, 0x3, 0},
                     {0, 16, 0, C4, 1, 0, 0x4, 0x48},    {0, 17, 0, 0, 0, 0, 0x4, 0},
                     {0, 18, 0, 0, 0, 0, 0x4, 0x8C},     {0, 20, 0, G4, 0, 0, 0x5, 0x01},
                     {0, 21, 0, 0, 0, 0, 0x5, 0},        {0, 22, 0, 0, 0, 0, 0x6, 0x02},
                     {0, 23, 0, 0, 0, 0, 0x6, 0},        {0, 24, 0, C4, 1, 0, 0x0, 0x37},
                     {0, 25, 0, 0, 0, 0, 0x0, 0x37},     {0, 26, 0, 0, 0, 0, 0x0, 0x47},
                     {0, 28, 0, C4, 1, 0, 0xE, 0x14},    {0, 29, 0, 0, 0, 0, 0xE, 0x10},
                     {0, 30, 0, 0, 0, 0, 0xE, 0x28},     {0, 31, 0, 0, 0, 0, 0xE, 0x20},
                     {0, 32, 0, 0, 0, 0, 0x21, 0x18},    {0, 33, 0, 0, 0, 0, 0x21, 0x28},
                     {0, 34, 0, C4, 1, 0, 0xE, 0x41},    {0, 35, 0, 0, 0, 0, 0x4, 0x48},
                     {0, 36, 0, 0, 0, 0, 0x4, 0},        {0, 38, 0, C4, 1, 0, 0xE, 0x42},
                     {0, 39, 0, 0, 0, 0, 0x4, 0x48},     {0, 40, 0, 0, 0, 0, 0x4, 0},
                     {0, 42, 0, C4, 1, 0xA4, 0xE, 0x40}, {0, 43, 0, 0, 0, 0xB8, 0, 0},
                     {0, 44, 0, 0, 0, 0xB8, 0, 0},       {0, 46, 0, C5, 0, 0xF4, 0, 0},
                     {0, 47, 0, 0, 0, 0xF0, 0, 0},       {0, 48, 0, 0, 0, 0xF0, 0, 0},
                     {0, 50, 0, C4, 1, 0, 0xE, 0x5F},    {0, 52, 0, C4, 1, 0, 0, 0},
                     {0, 56, 0, D4, 1, 0, 0, 0},         {0, 60, 0, KEY_OFF, 0, 0, 0, 0},
                 });
    return def;
}

XmModuleDef volume_song() {
    XmModuleDef def = base_song(1, {64}, {0});
    put_all(def, {
                     {0, 0, 0, C4, 1, 0x30, 0, 0},     {0, 1, 0, 0, 0, 0, 0xA, 0x20},
                     {0, 2, 0, 0, 0, 0, 0xA, 0},       {0, 3, 0, 0, 0, 0, 0xA, 0x0F},
                     {0, 4, 0, 0, 0, 0, 0xA, 0},       {0, 5, 0, 0, 0, 0, 0xA, 0x3F},
                     {0, 6, 0, 0, 0, 0, 0xC, 0x7F},    {0, 7, 0, 0, 0, 0, 0xC, 0x40},
                     {0, 8, 0, 0, 0, 0, 0xC, 0x20},    {0, 9, 0, 0, 0, 0, 0xE, 0xA4},
                     {0, 10, 0, 0, 0, 0, 0xE, 0xB0},   {0, 11, 0, 0, 0, 0, 0xE, 0xA0},
                     {0, 12, 0, C4, 1, 0, 0x7, 0x4F},  {0, 13, 0, 0, 0, 0, 0x7, 0},
                     {0, 14, 0, 0, 0, 0, 0x7, 0x8F},   {0, 17, 0, C4, 1, 0, 0x1D, 0x12},
                     {0, 18, 0, 0, 0, 0, 0x1D, 0},     {0, 20, 0, C4, 1, 0, 0x1B, 0x23},
                     {0, 21, 0, 0, 0, 0, 0x1B, 0},     {0, 22, 0, 0, 0, 0, 0x1B, 0x92},
                     {0, 24, 0, C4, 1, 0, 0xE, 0x93},  {0, 25, 0, 0, 0, 0, 0xE, 0x92},
                     {0, 26, 0, C4, 1, 0, 0xE, 0xC3},  {0, 27, 0, C4, 1, 0, 0xE, 0xC0},
                     {0, 28, 0, C4, 1, 0, 0x10, 0x20}, {0, 29, 0, 0, 0, 0, 0x10, 0x80},
                     {0, 30, 0, 0, 0, 0, 0x11, 0x0F},  {0, 31, 0, 0, 0, 0, 0x11, 0},
                     {0, 32, 0, 0, 0, 0, 0x11, 0x40},  {0, 33, 0, 0, 0, 0, 0x11, 0},
                     {0, 34, 0, 0, 0, 0, 0x11, 0},     {0, 35, 0, 0, 0, 0, 0x11, 0},
                     {0, 36, 0, C4, 1, 0x20, 0, 0},    {0, 37, 0, 0, 0, 0x65, 0, 0},
                     {0, 38, 0, 0, 0, 0x75, 0, 0},     {0, 39, 0, 0, 0, 0x83, 0, 0},
                     {0, 40, 0, 0, 0, 0x93, 0, 0},     {0, 41, 0, 0, 0, 0x50, 0, 0},
                     {0, 42, 0, 0, 0, 0x10, 0, 0},     {0, 43, 0, 0, 0, 0x40, 0, 0},
                     {0, 48, 0, C4, 1, 0, 0, 0},       {0, 56, 0, KEY_OFF, 0, 0, 0, 0},
                 });
    return def;
}

XmModuleDef panning_song() {
    XmModuleDef def = base_song(1, {32}, {0});
    put_all(def, {
                     {0, 0, 0, C4, 1, 0, 0x8, 0x00},  {0, 2, 0, 0, 0, 0, 0x8, 0xFF},
                     {0, 4, 0, 0, 0, 0, 0x8, 0x80},   {0, 5, 0, 0, 0, 0, 0x19, 0xF0},
                     {0, 6, 0, 0, 0, 0, 0x19, 0x0F},  {0, 7, 0, 0, 0, 0, 0x19, 0},
                     {0, 8, 0, 0, 0, 0, 0x19, 0},     {0, 9, 0, 0, 0, 0, 0xE, 0x88},
                     {0, 10, 0, 0, 0, 0, 0xE, 0x8F},  {0, 11, 0, 0, 0, 0, 0xE, 0x80},
                     {0, 12, 0, 0, 0, 0xC8, 0, 0},    {0, 13, 0, 0, 0, 0xDF, 0, 0},
                     {0, 14, 0, 0, 0, 0xDF, 0, 0},    {0, 15, 0, 0, 0, 0xEF, 0, 0},
                     {0, 16, 0, 0, 0, 0xE5, 0, 0},    {0, 17, 0, 0, 0, 0xC0, 0, 0},
                     {0, 18, 0, 0, 0, 0xDF, 0, 0},    {0, 19, 0, 0, 0, 0xEF, 0, 0},
                     {0, 20, 0, 0, 0, 0xEF, 0, 0},    {0, 24, 0, C4, 1, 0, 0, 0},
                     {0, 28, 0, KEY_OFF, 0, 0, 0, 0},
                 });
    return def;
}

XmModuleDef flow_song() {
    XmModuleDef def = base_song(2, {16, 16, 16}, {0, 1, 2, 1});
    put_all(def, {
                     {0, 0, 0, C4, 1, 0, 0, 0},
                     {0, 0, 1, 0, 0, 0, 0xF, 0x03},
                     {0, 2, 1, 0, 0, 0, 0xF, 0x50},
                     {0, 4, 1, 0, 0, 0, 0xF, 0x7D},
                     {0, 4, 0, D4, 1, 0, 0xE, 0x60},
                     {0, 6, 0, E4, 1, 0, 0xE, 0x62},
                     {0, 8, 0, C4, 1, 0, 0xA, 0x01},
                     {0, 8, 1, 0, 0, 0, 0xE, 0xE2},
                     {0, 10, 1, 0, 0, 0, 0xF, 0x06},
                     {0, 12, 0, C4, 1, 0, 0xD, 0x04},
                     {1, 4, 0, G4, 1, 0, 0, 0},
                     {1, 8, 0, 0, 0, 0, 0xB, 0x02},
                     {1, 8, 1, 0, 0, 0, 0xD, 0x05},
                     {1, 12, 0, C5, 1, 0, 0, 0},
                     {2, 5, 0, E4, 1, 0, 0, 0},
                     {2, 10, 0, 0, 0, 0, 0xB, 0x03},
                     {2, 10, 1, 0, 0, 0, 0xD, 0x10},
                 });
    return def;
}

XmModuleDef speed_song() {
    XmModuleDef def = base_song(1, {16}, {0});
    put_all(def, {
                     {0, 0, 0, C4, 1, 0, 0, 0},
                     {0, 2, 0, D4, 1, 0, 0xF, 0x1F},
                     {0, 3, 0, E4, 1, 0, 0xF, 0x06},
                     {0, 4, 0, G4, 1, 0, 0xF, 0x20},
                     {0, 5, 0, C4, 1, 0, 0xF, 0x7D},
                     {0, 8, 0, D4, 1, 0, 0xF, 0x00},
                     {0, 9, 0, E4, 1, 0, 0, 0},
                     {0, 10, 0, G4, 1, 0, 0, 0},
                     {0, 11, 0, C5, 1, 0, 0xF, 0x06},
                     {0, 14, 0, C4, 1, 0, 0, 0},
                 });
    return def;
}

XmModuleDef note_song() {
    XmModuleDef def = base_song(1, {32}, {0});
    put_all(def, {
                     {0, 0, 0, C4, 2, 0, 0, 0},       {0, 2, 0, C4, 2, 0, 0x9, 0x04},
                     {0, 4, 0, C4, 2, 0, 0x9, 0},     {0, 6, 0, C4, 2, 0, 0x9, 0x10},
                     {0, 8, 0, 0, 0, 0, 0x9, 0x02},   {0, 9, 0, C4, 2, 0, 0, 0},
                     {0, 10, 0, C4, 1, 0, 0xE, 0xD2}, {0, 11, 0, D4, 0, 0x20, 0xE, 0xD3},
                     {0, 12, 0, C4, 1, 0, 0xE, 0xD0}, {0, 13, 0, 0, 0, 0, 0xE, 0xD9},
                     {0, 14, 0, C4, 3, 0, 0, 0},      {0, 16, 0, 0, 0, 0, 0x14, 0},
                     {0, 18, 0, C4, 3, 0, 0, 0},      {0, 19, 0, 0, 0, 0, 0x15, 0x10},
                     {0, 20, 0, 0, 0, 0, 0x15, 0x40}, {0, 22, 0, C4, 1, 0, 0x14, 0x00},
                     {0, 24, 0, C4, 1, 0, 0, 0},      {0, 26, 0, C4, 3, 0, 0, 0},
                     {0, 27, 0, KEY_OFF, 0, 0, 0, 0},
                 });
    return def;
}

} // namespace

std::vector<EffectSong> effect_family_songs() {
    return {{"pitch", pitch_song()}, {"volume", volume_song()}, {"panning", panning_song()},
            {"flow", flow_song()},   {"note", note_song()},     {"speed", speed_song()}};
}

XmModuleDef every_effect_song() {
    XmModuleDef def = base_song(4, {64, 64}, {0, 1, 1});
    // Channel 0: effect n on row n of both patterns, with a note every fourth row;
    // pattern 1 repeats them with parameter 0 (the memories). B and D end each pattern.
    static const uint8_t PARAM[36] = {0x47, 0x04, 0x04, 0x08, 0x46, 0x02, 0x20, 0x48, 0x60,
                                      0x02, 0x0F, 0x00, 0x30, 0x00, 0x00, 0x06, 0x30, 0x01,
                                      0x12, 0x12, 0x00, 0x04, 0x11, 0x11, 0x11, 0x22, 0x11,
                                      0x43, 0x11, 0x21, 0x11, 0x11, 0x11, 0x14, 0x11, 0x11};
    for (int p = 0; p < 2; ++p) {
        for (int e = 0; e < 36; ++e) {
            if (e == 11 || e == 13 || e == 14)
                continue; // jumps at the end; E on channel 1
            XmCellDef& c = def.patterns[p].at(e, 0, def.channels);
            c.effect = static_cast<uint8_t>(e);
            c.param = p == 0 || e == 15 || e == 16 ? PARAM[e] : 0;
            if (e % 4 == 0) {
                c.note = static_cast<uint8_t>(C4 + e % 12);
                c.instrument = 1;
            }
        }
    }
    put_all(def, {
                     {0, 40, 0, C4, 1, 0, 0x21, 0x33},
                     {0, 41, 0, 0, 0, 0, 0x21, 0x25},
                     // D in a lower channel than B: B decides order and row.
                     {0, 62, 0, 0, 0, 0, 0xD, 0x70},
                     {0, 62, 3, 0, 0, 0, 0xB, 0x01},
                     {1, 30, 0, 0, 0, 0, 0xF, 0x00}, // speed 0: one tick per row
                     {1, 31, 0, 0, 0, 0, 0xF, 0x06},
                     {1, 62, 0, 0, 0, 0, 0xD, 0x99}, // above 63: row 0; at the last order: order 0
                 });
    // Channel 1: every extended effect, E0 to EF, each with a note.
    static const uint8_t EXT[16] = {0x01, 0x14, 0x24, 0x31, 0x41, 0x58, 0x60, 0x71,
                                    0x84, 0x93, 0xA4, 0xB4, 0xC2, 0xD2, 0xE1, 0xF3};
    for (int p = 0; p < 2; ++p)
        for (int x = 0; x < 16; ++x) {
            XmCellDef& c = def.patterns[p].at(2 * x + 1, 1, def.channels);
            c = XmCellDef{E4, 1, 0, 0xE, EXT[x]};
        }
    put_all(def, {{0, 40, 1, 0, 0, 0, 0xE, 0x61}, {1, 40, 1, 0, 0, 0, 0xE, 0x62}});
    // Channel 2: the volume column, one byte of each range and the unused ones.
    static const uint8_t VOL[] = {0x05, 0x10, 0x30, 0x50, 0x55, 0x63, 0x6F, 0x72,
                                  0x7F, 0x84, 0x9F, 0xA6, 0xB7, 0xB0, 0xC8, 0xCF,
                                  0xDF, 0xDF, 0xE4, 0xEF, 0xF3, 0xF0, 0xFF, 0x00};
    for (int p = 0; p < 2; ++p)
        for (size_t i = 0; i < sizeof(VOL); ++i) {
            XmCellDef& c = def.patterns[p].at(static_cast<int>(2 * i), 2, def.channels);
            c.volume = VOL[i];
            if (i % 5 == 0) {
                c.note = static_cast<uint8_t>(G4 + i % 7);
                c.instrument = 2;
            }
        }
    // Channel 3: the enveloped instrument with key off, K, L and out-of-range instruments.
    put_all(def, {
                     {0, 0, 3, C4, 3, 0, 0, 0},
                     {0, 8, 3, 0, 0, 0, 0x15, 0x30},
                     {0, 16, 3, KEY_OFF, 0, 0, 0, 0},
                     {0, 24, 3, C5, 3, 0, 0x14, 0},
                     {0, 30, 3, C4, 3, 0, 0x15, 0xFF},
                     {0, 36, 3, C4, 9, 0, 0, 0},
                     {0, 44, 3, 96, 3, 0, 0xE, 0x5F},
                     {1, 0, 3, 1, 3, 0, 0x2, 0xFF},
                     {1, 2, 3, 0, 0, 0, 0x2, 0},
                     {1, 10, 3, C4, 3, 0x30, 0x1, 0xFF},
                     {1, 12, 3, 0, 0, 0, 0x1, 0},
                     {1, 20, 3, C4, 2, 0, 0x9, 0xFF},
                     {1, 28, 3, C4, 3, 0, 0x3, 0xFF},
                 });
    return def;
}
