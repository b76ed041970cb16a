// Byte layout of modules built by the XM writer, checked against hand-computed bytes.
#include "tools/xmwriter/xm_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using bytes = std::vector<uint8_t>;

unsigned u16_at(const bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}
uint32_t u32_at(const bytes& b, size_t at) {
    return u16_at(b, at) | (uint32_t(u16_at(b, at + 2)) << 16);
}
bytes slice(const bytes& b, size_t at, size_t n) {
    return bytes(b.begin() + at, b.begin() + at + n);
}

XmModuleDef one_empty_pattern_module() {
    XmModuleDef m;
    m.name = "tiny";
    m.channels = 4;
    m.speed = 2;
    m.bpm = 125;
    m.orders = {0, 0, 1};
    m.patterns.resize(1);
    return m;
}

constexpr size_t FIRST_PATTERN = 336;

}  // namespace

TEST(XmWriterHeader, FieldsSitAtTheirOffsets) {
    XmModuleDef m = one_empty_pattern_module();
    m.restart = 1;
    m.tracker = "t";
    std::vector<uint8_t> b = xm_write(m);
    ASSERT_EQ(b.size(), FIRST_PATTERN + 9u); // header + one empty pattern, packed size 0
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: tiny\0", 22)); // name padded with zeros
    EXPECT_EQ(slice(b, 36, 4), (bytes{0, 0x1A, 't', 0}));
    EXPECT_EQ(slice(b, 58, 26), (bytes{0x04, 0x01, 0x14, 0x01, 0, 0, // version, header size 276
                                       3, 0, 1, 0, 4, 0, 1, 0,       // length, restart, channels, patterns
                                       0, 0, 1, 0, 2, 0, 125, 0,     // instruments, flags, speed, bpm
                                       0, 0, 1, 0}));                // orders
    EXPECT_EQ(b[335], 0);
    EXPECT_EQ(slice(b, FIRST_PATTERN, 9), (bytes{9, 0, 0, 0, 0, 64, 0, 0, 0}));

    m.linear = false;
    m.name = "abcdefghijklmnopqrstuvwxyz";
    b = xm_write(m);
    EXPECT_EQ(u16_at(b, 74), 0u);
    EXPECT_EQ(b[17 + 19], 't'); // the 20th letter is the last one kept
    EXPECT_EQ(b[37], 0x1A);
}

TEST(XmWriterPatterns, CellsUseTheShorterForm) {
    XmModuleDef m = one_empty_pattern_module();
    m.channels = 3;
    XmPatternDef& p = m.patterns[0];
    p.rows = 3;
    p.at(0, 0, 3) = XmCellDef{49, 1, 0x40, 0x0C, 0x20}; // all five: plain form
    p.at(0, 1, 3) = XmCellDef{49, 0, 0, 0, 0};          // note only; (0, 2) stays empty
    p.at(1, 0, 3) = XmCellDef{0, 2, 0, 0x0F, 0x02};     // instrument + effect + param
    p.at(1, 1, 3) = XmCellDef{97, 0, 0, 0, 0};          // key off
    p.at(1, 2, 3) = XmCellDef{0, 3, 0x10, 0x0A, 0x0F};  // everything but the note
    p.cells.resize(7);                                  // the missing trailing cells are empty
    const bytes packed = {0x31, 0x01, 0x40, 0x0C, 0x20, 0x81, 0x31, 0x80, 0x9A, 0x02, 0x0F, 0x02,
                          0x81, 0x61, 0x9E, 0x03, 0x10, 0x0A, 0x0F, 0x80, 0x80, 0x80};
    const std::vector<uint8_t> b = xm_write(m);
    ASSERT_EQ(b.size(), FIRST_PATTERN + 9 + packed.size());
    EXPECT_EQ(slice(b, FIRST_PATTERN, 9), (bytes{9, 0, 0, 0, 0, 3, 0, uint8_t(packed.size()), 0}));
    EXPECT_EQ(slice(b, FIRST_PATTERN + 9, packed.size()), packed);

    p.cells.assign(2, XmCellDef{}); // all empty: packed size 0
    EXPECT_EQ(slice(xm_write(m), FIRST_PATTERN, 9), (bytes{9, 0, 0, 0, 0, 3, 0, 0, 0}));
}

TEST(XmWriterInstruments, HeaderEnvelopesAndSampleHeaders) {
    XmModuleDef m = one_empty_pattern_module();
    XmInstrumentDef ins;
    ins.name = "lead";
    ins.sampleMap[0] = 0;
    ins.sampleMap[95] = 1;
    ins.volumeEnv = {{{0, 64}, {10, 32}, {300, 0}}, 1, 0, 1, 7};
    ins.panningEnv = {{{0, 0}, {4, 64}}, 0, 0, 0, 1};
    ins.vibType = 1, ins.vibSweep = 2, ins.vibDepth = 3, ins.vibRate = 4;
    ins.fadeout = 0x0FFF;
    XmSampleDef s8;
    s8.name = "a";
    s8.data = {0, 256, 512, 768};
    s8.loopStart = 1, s8.loopLength = 2, s8.loopType = 1;
    s8.volume = 48, s8.finetune = -16, s8.panning = 200, s8.relativeNote = -12;
    XmSampleDef s16;
    s16.sixteenBit = true;
    s16.data = {1, 2, 3, 4, 5};
    s16.loopStart = 1, s16.loopLength = 3, s16.loopType = 2;
    s16.relativeNote = 5;
    ins.samples = {s8, s16};
    m.instruments.resize(1);
    m.instruments[0].name = "void"; // no samples: a 29-byte header
    m.instruments.push_back(ins);
    const std::vector<uint8_t> b = xm_write(m);
    const size_t empty = FIRST_PATTERN + 9, at = empty + 29;
    ASSERT_EQ(b.size(), at + 263 + 2 * 40 + 4 + 10);
    EXPECT_EQ(u16_at(b, 72), 2u);
    EXPECT_EQ(u32_at(b, empty), 29u);
    EXPECT_EQ(slice(b, empty + 4, 5), (bytes{'v', 'o', 'i', 'd', 0}));
    EXPECT_EQ(slice(b, empty + 26, 3), (bytes{0, 0, 0})); // type, sample count
    EXPECT_EQ(u32_at(b, at), 263u);
    EXPECT_EQ(u16_at(b, at + 27), 2u);
    EXPECT_EQ(u32_at(b, at + 29), 40u);
    EXPECT_EQ(b[at + 33], 0);
    EXPECT_EQ(b[at + 33 + 95], 1);
    EXPECT_EQ(slice(b, at + 129, 12), (bytes{0, 0, 64, 0, 10, 0, 32, 0, 0x2C, 1, 0, 0}));
    EXPECT_EQ(u16_at(b, at + 177 + 4), 4u);   // second panning point x
    EXPECT_EQ(u16_at(b, at + 177 + 6), 64u);
    EXPECT_EQ(slice(b, at + 225, 16),
              (bytes{3, 2, 1, 0, 1, 0, 0, 0, 7, 1, 1, 2, 3, 4, 0xFF, 0x0F}));
    EXPECT_EQ(b[at + 241], 0);  // reserved tail
    EXPECT_EQ(b[at + 262], 0);
    const size_t h8 = at + 263, h16 = h8 + 40;
    EXPECT_EQ(slice(b, h8, 19), (bytes{4, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 48, 0xF0,
                                                      0x01, 200, 0xF4, 0, 'a'}));
    // 16-bit: lengths in bytes, type = ping-pong | 16-bit
    EXPECT_EQ(slice(b, h16, 17), (bytes{10, 0, 0, 0, 2, 0, 0, 0, 6, 0, 0, 0, 64, 0,
                                                       0x12, 128, 5}));
    EXPECT_EQ(slice(b, h16 + 40, 4), (bytes{0, 1, 1, 1}));
    EXPECT_EQ(slice(b, h16 + 44, 10), (bytes{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

TEST(XmWriterSamples, DeltaCodingAndOrder) {
    XmModuleDef m = one_empty_pattern_module();
    XmSampleDef s8, s16;
    s8.data = {256, 512, 768, -256, 0x7F00, -32768, -255, 255};
    s8.loopStart = 3; // ignored without a loop
    s8.loopLength = 99;
    s16.sixteenBit = true;
    s16.data = {1000, -1000, 32767, -32768};
    m.instruments.resize(2);
    m.instruments[0].samples = {s8, s16};
    m.instruments[1].samples = {s16};
    const std::vector<uint8_t> b = xm_write(m);
    const size_t h = FIRST_PATTERN + 9 + 263, data = h + 80, second = data + 16;
    ASSERT_EQ(b.size(), second + 263 + 40 + 8);
    EXPECT_EQ(slice(b, h, 15), (bytes{8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 0}));
    // Every header of an instrument first, then its data. 8-bit keeps the high bytes
    // 01 02 03 FF 7F 80 FF 00 (arithmetic shift: -255 -> FF, 255 -> 00) as deltas.
    EXPECT_EQ(slice(b, data, 8), (bytes{0x01, 0x01, 0x01, 0xFC, 0x80, 0x01, 0x7F, 0x01}));
    const bytes deltas16 = {0xE8, 0x03, 0x30, 0xF8, 0xE7, 0x83, 0x01, 0x00}; // wrap, little-endian
    EXPECT_EQ(slice(b, data + 8, 8), deltas16);
    EXPECT_EQ(u32_at(b, second), 263u);
    EXPECT_EQ(slice(b, second + 263 + 40, 8), deltas16);
}

TEST(XmWriterErrors, UnstorableModulesGiveNothing) {
    const std::pair<const char*, void (*)(XmModuleDef&)> cases[] = {
        {"no channels", [](XmModuleDef& m) { m.channels = 0; }},
        {"33 channels", [](XmModuleDef& m) { m.channels = 33; }},
        {"257 orders", [](XmModuleDef& m) { m.orders.assign(257, 0); }},
        {"no rows", [](XmModuleDef& m) { m.patterns[0].rows = 0; }},
        {"257 rows", [](XmModuleDef& m) { m.patterns[0].rows = 257; }},
        {"more cells than rows x channels",
         [](XmModuleDef& m) { m.patterns[0].rows = 1, m.patterns[0].cells.resize(5); }},
        {"17 samples", [](XmModuleDef& m) { m.instruments[0].samples.resize(17); }},
        {"13 envelope points", [](XmModuleDef& m) { m.instruments[0].volumeEnv.points.resize(13); }},
        {"loop past the end", [](XmModuleDef& m) { m.instruments[0].samples[0].loopLength = 7; }},
        {"loop type 3", [](XmModuleDef& m) { m.instruments[0].samples[0].loopType = 3; }},
    };
    XmModuleDef good = one_empty_pattern_module();
    good.instruments.resize(1);
    good.instruments[0].samples.resize(16);
    good.instruments[0].volumeEnv.points.resize(12);
    XmSampleDef& s = good.instruments[0].samples[0];
    s.data.resize(10);
    s.loopType = 1, s.loopStart = 4, s.loopLength = 6; // ends at 10: fine
    EXPECT_FALSE(xm_write(good).empty());
    for (const auto& c : cases) {
        XmModuleDef m = good;
        c.second(m);
        EXPECT_TRUE(xm_write(m).empty()) << c.first;
    }
}

TEST(XmWriterFiles, SaveWritesTheSameBytes) {
    const XmModuleDef m = one_empty_pattern_module();
    const std::string path = ::testing::TempDir() + "xmwriter_save_test.xm";
    ASSERT_TRUE(xm_save(m, path));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> back(1000);
    back.resize(std::fread(back.data(), 1, back.size(), f));
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(back, xm_write(m));
    XmModuleDef bad = m;
    bad.channels = 0;
    EXPECT_FALSE(xm_save(bad, path));
    EXPECT_FALSE(xm_save(m, "/nonexistent-dir/x.xm"));
}
