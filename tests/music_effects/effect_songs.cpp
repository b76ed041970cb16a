// The effect family songs and the every-effect song, written as lists of cells.

#include "tests/music_effects/effect_songs.h"

#include <cstdint>

namespace {

constexpr uint8_t C4 = 49, D4 = 51, E4 = 53, G4 = 56, C5 = 61, KEY_OFF = 97;

// A cell; `fx` is the effect number times 256 plus the parameter.
struct Put {
    int pattern, row, channel;
    uint8_t note, instrument, volume;
    uint16_t fx;
};

// A cell of channel 0 in pattern 0.
struct Row {
    int row;
    uint8_t note, instrument, volume;
    uint16_t fx;
};

XmCellDef cell_of(uint8_t note, uint8_t instrument, uint8_t volume, uint16_t fx) {
    return XmCellDef{note, instrument, volume, uint8_t(fx >> 8), uint8_t(fx & 0xFF)};
}

// A 16-bit square wave of period 8 (1045 Hz at C-4) at volume 64: the looped one for
// notes, a long unlooped one for sample offsets.
XmSampleDef square(const char* name, int length, bool looped) {
    XmSampleDef s;
    s.name = name;
    for (int i = 0; i < length; ++i)
        s.data.push_back(i % 8 < 4 ? 8000 : -8000);
    s.sixteenBit = true;
    s.loopType = looped ? 1 : 0;
    s.loopLength = looped ? length : 0;
    s.volume = 64;
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
    XmInstrumentDef ins = instrument_of(square("square", 64, true), "enveloped");
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
    def.instruments.push_back(instrument_of(square("square", 64, true), "square"));
    def.instruments.push_back(instrument_of(square("long", 4000, false), "long"));
    def.instruments.push_back(enveloped());
    return def;
}

void put_all(XmModuleDef& def, const std::vector<Put>& cells) {
    for (const Put& p : cells)
        def.patterns[p.pattern].at(p.row, p.channel, def.channels) =
            cell_of(p.note, p.instrument, p.volume, p.fx);
}

void put_rows(XmModuleDef& def, const std::vector<Row>& rows) {
    for (const Row& r : rows)
        def.patterns[0].at(r.row, 0, def.channels) = cell_of(r.note, r.instrument, r.volume, r.fx);
}

XmModuleDef pitch_song() {
    XmModuleDef def = base_song(1, {64}, {0});
    const std::vector<Row> rows = {
        {0, C4, 1, 0, 0x000},    {4, C4, 1, 0, 0x108},    {5, 0, 0, 0, 0x100},
        {6, 0, 0, 0, 0x100},     {8, C4, 1, 0, 0x208},    {9, 0, 0, 0, 0x200},
        {10, 0, 0, 0, 0x200},    {12, C4, 1, 0, 0x000},   {13, E4, 0, 0, 0x310},
        {14, 0, 0, 0, 0x300},    {16, C4, 1, 0, 0x448},   {17, 0, 0, 0, 0x400},
        {18, 0, 0, 0, 0x48C},    {20, G4, 0, 0, 0x501},   {21, 0, 0, 0, 0x500},
        {22, 0, 0, 0, 0x602},    {23, 0, 0, 0, 0x600},    {24, C4, 1, 0, 0x037},
        {25, 0, 0, 0, 0x037},    {26, 0, 0, 0, 0x047},    {28, C4, 1, 0, 0xE14},
        {29, 0, 0, 0, 0xE10},    {30, 0, 0, 0, 0xE28},    {31, 0, 0, 0, 0xE20},
        {32, 0, 0, 0, 0x2118},   {33, 0, 0, 0, 0x2128},   {34, C4, 1, 0, 0xE41},
        {35, 0, 0, 0, 0x448},    {36, 0, 0, 0, 0x400},    {38, C4, 1, 0, 0xE42},
        {39, 0, 0, 0, 0x448},    {40, 0, 0, 0, 0x400},    {42, C4, 1, 0xA4, 0xE40},
        {43, 0, 0, 0xB8, 0x000}, {44, 0, 0, 0xB8, 0x000}, {46, C5, 0, 0xF4, 0x000},
        {47, 0, 0, 0xF0, 0x000}, {48, 0, 0, 0xF0, 0x000}, {50, C4, 1, 0, 0xE5F},
        {52, C4, 1, 0, 0x000},   {56, D4, 1, 0, 0x000},   {60, KEY_OFF, 0, 0, 0x000}};
    put_rows(def, rows);
    return def;
}

XmModuleDef volume_song() {
    XmModuleDef def = base_song(1, {64}, {0});
    const std::vector<Row> rows = {
        {0, C4, 1, 0x30, 0x000}, {1, 0, 0, 0, 0xA20},     {2, 0, 0, 0, 0xA00},
        {3, 0, 0, 0, 0xA0F},     {4, 0, 0, 0, 0xA00},     {5, 0, 0, 0, 0xA3F},
        {6, 0, 0, 0, 0xC7F},     {7, 0, 0, 0, 0xC40},     {8, 0, 0, 0, 0xC20},
        {9, 0, 0, 0, 0xEA4},     {10, 0, 0, 0, 0xEB0},    {11, 0, 0, 0, 0xEA0},
        {12, C4, 1, 0, 0x74F},   {13, 0, 0, 0, 0x700},    {14, 0, 0, 0, 0x78F},
        {17, C4, 1, 0, 0x1D12},  {18, 0, 0, 0, 0x1D00},   {20, C4, 1, 0, 0x1B23},
        {21, 0, 0, 0, 0x1B00},   {22, 0, 0, 0, 0x1B92},   {24, C4, 1, 0, 0xE93},
        {25, 0, 0, 0, 0xE92},    {26, C4, 1, 0, 0xEC3},   {27, C4, 1, 0, 0xEC0},
        {28, C4, 1, 0, 0x1020},  {29, 0, 0, 0, 0x1080},   {30, 0, 0, 0, 0x110F},
        {31, 0, 0, 0, 0x1100},   {32, 0, 0, 0, 0x1140},   {33, 0, 0, 0, 0x1100},
        {34, 0, 0, 0, 0x1100},   {35, 0, 0, 0, 0x1100},   {36, C4, 1, 0x20, 0x000},
        {37, 0, 0, 0x65, 0x000}, {38, 0, 0, 0x75, 0x000}, {39, 0, 0, 0x83, 0x000},
        {40, 0, 0, 0x93, 0x000}, {41, 0, 0, 0x50, 0x000}, {42, 0, 0, 0x10, 0x000},
        {43, 0, 0, 0x40, 0x000}, {48, C4, 1, 0, 0x000},   {56, KEY_OFF, 0, 0, 0x000}};
    put_rows(def, rows);
    return def;
}

XmModuleDef panning_song() {
    XmModuleDef def = base_song(1, {32}, {0});
    const std::vector<Row> rows = {
        {0, C4, 1, 0, 0x800},    {2, 0, 0, 0, 0x8FF},     {4, 0, 0, 0, 0x880},
        {5, 0, 0, 0, 0x19F0},    {6, 0, 0, 0, 0x190F},    {7, 0, 0, 0, 0x1900},
        {8, 0, 0, 0, 0x1900},    {9, 0, 0, 0, 0xE88},     {10, 0, 0, 0, 0xE8F},
        {11, 0, 0, 0, 0xE80},    {12, 0, 0, 0xC8, 0x000}, {13, 0, 0, 0xDF, 0x000},
        {14, 0, 0, 0xDF, 0x000}, {15, 0, 0, 0xEF, 0x000}, {16, 0, 0, 0xE5, 0x000},
        {17, 0, 0, 0xC0, 0x000}, {18, 0, 0, 0xDF, 0x000}, {19, 0, 0, 0xEF, 0x000},
        {20, 0, 0, 0xEF, 0x000}, {24, C4, 1, 0, 0x000},   {28, KEY_OFF, 0, 0, 0x000}};
    put_rows(def, rows);
    return def;
}

XmModuleDef flow_song() {
    XmModuleDef def = base_song(2, {16, 16, 16}, {0, 1, 2, 1});
    const std::vector<Put> cells = {
        {0, 0, 0, C4, 1, 0, 0x000},  {0, 0, 1, 0, 0, 0, 0xF03},   {0, 2, 1, 0, 0, 0, 0xF50},
        {0, 4, 1, 0, 0, 0, 0xF7D},   {0, 4, 0, D4, 1, 0, 0xE60},  {0, 6, 0, E4, 1, 0, 0xE62},
        {0, 8, 0, C4, 1, 0, 0xA01},  {0, 8, 1, 0, 0, 0, 0xEE2},   {0, 10, 1, 0, 0, 0, 0xF06},
        {0, 12, 0, C4, 1, 0, 0xD04}, {1, 4, 0, G4, 1, 0, 0x000},  {1, 8, 0, 0, 0, 0, 0xB02},
        {1, 8, 1, 0, 0, 0, 0xD05},   {1, 12, 0, C5, 1, 0, 0x000}, {2, 5, 0, E4, 1, 0, 0x000},
        {2, 10, 0, 0, 0, 0, 0xB03},  {2, 10, 1, 0, 0, 0, 0xD10}};
    put_all(def, cells);
    return def;
}

XmModuleDef speed_song() {
    XmModuleDef def = base_song(1, {16}, {0});
    const std::vector<Row> rows = {
        {0, C4, 1, 0, 0x000},  {2, D4, 1, 0, 0xF1F}, {3, E4, 1, 0, 0xF06}, {4, G4, 1, 0, 0xF20},
        {5, C4, 1, 0, 0xF7D},  {8, D4, 1, 0, 0xF00}, {9, E4, 1, 0, 0x000}, {10, G4, 1, 0, 0x000},
        {11, C5, 1, 0, 0xF06}, {14, C4, 1, 0, 0x000}};
    put_rows(def, rows);
    return def;
}

XmModuleDef note_song() {
    XmModuleDef def = base_song(1, {32}, {0});
    const std::vector<Row> rows = {
        {0, C4, 2, 0, 0x000},      {2, C4, 2, 0, 0x904},     {4, C4, 2, 0, 0x900},
        {6, C4, 2, 0, 0x910},      {8, 0, 0, 0, 0x902},      {9, C4, 2, 0, 0x000},
        {10, C4, 1, 0, 0xED2},     {11, D4, 0, 0x20, 0xED3}, {12, C4, 1, 0, 0xED0},
        {13, 0, 0, 0, 0xED9},      {14, C4, 3, 0, 0x000},    {16, 0, 0, 0, 0x1400},
        {18, C4, 3, 0, 0x000},     {19, 0, 0, 0, 0x1510},    {20, 0, 0, 0, 0x1540},
        {22, C4, 1, 0, 0x1400},    {24, C4, 1, 0, 0x000},    {26, C4, 3, 0, 0x000},
        {27, KEY_OFF, 0, 0, 0x000}};
    put_rows(def, rows);
    return def;
}

// After the E6 loop of rows 2-3 ends, the next pattern starts at row 0 with us; its note on
// row 4 marks the time (ours: tick 60).
XmModuleDef loop_next_song() {
    XmModuleDef def = base_song(1, {4, 8}, {0, 1});
    const std::vector<Put> cells = {{0, 0, 0, C4, 1, 0, 0xEC3},
                                    {0, 2, 0, 0, 0, 0, 0xE60},
                                    {0, 3, 0, 0, 0, 0, 0xE61},
                                    {1, 4, 0, C4, 1, 0, 0x000}};
    put_all(def, cells);
    return def;
}

// The Amiga table: C-4 at finetune 0 plays 14317056 / 1712 = 8362 Hz, held for 64 rows.
XmModuleDef amiga_c4_song() {
    XmModuleDef def = base_song(1, {64}, {0});
    def.linear = false;
    put_rows(def, {{0, C4, 1, 0, 0x000}});
    return def;
}

// Key off on an instrument without a volume envelope, then volume-column set-volume bytes.
XmModuleDef keyoff_volume_song() {
    XmModuleDef def = base_song(1, {16}, {0});
    put_rows(def, {{0, C4, 1, 0, 0x000},
                   {4, KEY_OFF, 0, 0, 0x000},
                   {8, 0, 0, 0x50, 0x000},
                   {12, 0, 0, 0x30, 0x000}});
    return def;
}

} // namespace

std::vector<EffectSong> peer_difference_songs() {
    return {{"loop_next", loop_next_song()},
            {"amiga_c4", amiga_c4_song()},
            {"keyoff_volume", keyoff_volume_song()}};
}

std::vector<EffectSong> effect_family_songs() {
    return {{"pitch", pitch_song()},
            {"volume", volume_song()},
            {"panning", panning_song()},
            {"flow", flow_song()},
            {"speed", speed_song()},
            {"note", note_song()}};
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
    // X on rows 40-41; row 62 has D then B in a later channel (B decides order and row);
    // pattern 1: F00 (one tick per row) on row 30, and D99 (row 0, order 0) at the song's end.
    const std::vector<Put> flow_control = {
        {0, 40, 0, C4, 1, 0, 0x2133}, {0, 41, 0, 0, 0, 0, 0x2125}, {0, 62, 0, 0, 0, 0, 0xD70},
        {0, 62, 3, 0, 0, 0, 0xB01},   {1, 30, 0, 0, 0, 0, 0xF00},  {1, 31, 0, 0, 0, 0, 0xF06},
        {1, 62, 0, 0, 0, 0, 0xD99}};
    put_all(def, flow_control);
    // Channel 1: every extended effect, E0 to EF, each with a note.
    static const uint8_t EXT[16] = {0x01, 0x14, 0x24, 0x31, 0x41, 0x58, 0x60, 0x71,
                                    0x84, 0x93, 0xA4, 0xB4, 0xC2, 0xD2, 0xE1, 0xF3};
    for (int p = 0; p < 2; ++p)
        for (int x = 0; x < 16; ++x) {
            XmCellDef& c = def.patterns[p].at(2 * x + 1, 1, def.channels);
            c = XmCellDef{E4, 1, 0, 0xE, EXT[x]};
        }
    const std::vector<Put> loops = {{0, 40, 1, 0, 0, 0, 0xE61}, {1, 40, 1, 0, 0, 0, 0xE62}};
    put_all(def, loops);
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
    const std::vector<Put> channel3 = {
        {0, 0, 3, C4, 3, 0, 0x000},       {0, 8, 3, 0, 0, 0, 0x1530},
        {0, 16, 3, KEY_OFF, 0, 0, 0x000}, {0, 24, 3, C5, 3, 0, 0x1400},
        {0, 30, 3, C4, 3, 0, 0x15FF},     {0, 36, 3, C4, 9, 0, 0x000},
        {0, 44, 3, 96, 3, 0, 0xE5F},      {1, 0, 3, 1, 3, 0, 0x2FF},
        {1, 2, 3, 0, 0, 0, 0x200},        {1, 10, 3, C4, 3, 0x30, 0x1FF},
        {1, 12, 3, 0, 0, 0, 0x100},       {1, 20, 3, C4, 2, 0, 0x9FF},
        {1, 28, 3, C4, 3, 0, 0x3FF}};
    put_all(def, channel3);
    return def;
}
