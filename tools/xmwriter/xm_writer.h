// Builds XM module files (version 0x0104) from plain in-memory definitions.
// Serves the song generator and every test that needs a small module made in code.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One pattern entry. note: 0 none, 1..96 (1 = C-0), 97 key off; volume is the
// volume-column byte (0 empty).
struct XmCellDef {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

// Up to 12 points of (tick, value); sustain/loop are point indices.
// flags: 1 envelope on, 2 sustain on, 4 loop on.
struct XmEnvelopeDef {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
    uint8_t flags = 0;
};

// Sample values are always given as signed 16-bit. With sixteenBit false the file
// stores the high byte of each value (data >> 8, an arithmetic shift), so 8-bit
// samples should be synthesised at full 16-bit scale. Loop points and lengths are
// in frames (sample values); the writer converts them to bytes.
// loopType: 0 none, 1 forward, 2 ping-pong.
struct XmSampleDef {
    std::string name;
    std::vector<int16_t> data;
    bool sixteenBit = false;
    uint32_t loopStart = 0, loopLength = 0;
    uint8_t loopType = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

// sampleMap gives the sample index (0..15) for each of the 96 notes.
struct XmInstrumentDef {
    std::string name;
    std::vector<XmSampleDef> samples;
    uint8_t sampleMap[96] = {};
    XmEnvelopeDef volumeEnv, panningEnv;
    uint8_t vibType = 0, vibSweep = 0, vibDepth = 0, vibRate = 0;
    uint16_t fadeout = 0;  // as stored in the file (the player doubles it)
};

// cells are row-major, rows * channels entries; a shorter vector means the
// missing trailing cells are empty, and an empty vector an all-empty pattern.
struct XmPatternDef {
    int rows = 64;
    std::vector<XmCellDef> cells;

    // The cell at (row, ch) for a pattern of `channels` channels; grows `cells`
    // to rows * channels first. row and ch must be in range.
    XmCellDef& at(int row, int ch, int channels);
};

struct XmModuleDef {
    std::string name, tracker = "vorru songgen";
    int channels = 4;
    int restart = 0;
    bool linear = true;
    int speed = 6, bpm = 125;
    std::vector<uint8_t> orders;
    std::vector<XmPatternDef> patterns;
    std::vector<XmInstrumentDef> instruments;
};

// The whole XM file for `module`: 336-byte module header (header size 276),
// patterns with 9-byte headers and packed cells (the short form only where it
// saves bytes; an all-empty pattern is stored with packed size 0), instruments
// with 263-byte headers (29 when they have no samples), 40-byte sample headers
// and delta-coded 8- or 16-bit sample data. Names longer than their fields are cut.
// Returns an empty vector when the module cannot be stored: channels outside
// 1..32, more than 256 orders, rows outside 1..256, more cells than
// rows * channels, more than 256 patterns or 128 instruments, more than 16
// samples in an instrument, more than 12 envelope points, a loop type above 2,
// or a loop that reaches past the sample's end.
std::vector<uint8_t> xm_write(const XmModuleDef& module);

// Writes xm_write(module) to `path`. False when the module cannot be stored or
// the file cannot be written completely.
bool xm_save(const XmModuleDef& module, const std::string& path);
