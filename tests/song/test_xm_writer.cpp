// Byte layout of modules built by the XM writer, checked against hand-computed bytes.
#include "tools/xmwriter/xm_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
unsigned u16_at(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
std::vector<uint8_t> slice(const std::vector<uint8_t>& b, size_t at, size_t n) {
    return std::vector<uint8_t>(b.begin() + at, b.begin() + at + n);
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
    const std::vector<uint8_t> b = xm_write(m);
    ASSERT_EQ(b.size(), FIRST_PATTERN + 9u);  // header + one empty pattern
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: tiny", 21));
    EXPECT_EQ(b[21], 0);  // name padded with zeros to 20 bytes
    EXPECT_EQ(b[36], 0);
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(b[38], 't');
    EXPECT_EQ(b[39], 0);
    EXPECT_EQ(slice(b, 58, 2), (std::vector<uint8_t>{0x04, 0x01}));
    EXPECT_EQ(slice(b, 60, 4), (std::vector<uint8_t>{0x14, 0x01, 0x00, 0x00}));  // 276
    EXPECT_EQ(slice(b, 64, 16), (std::vector<uint8_t>{3, 0, 1, 0, 4, 0, 1, 0,  // length, restart, channels, patterns
                                                      0, 0, 1, 0, 2, 0, 125, 0}));  // instruments, flags, speed, bpm
    EXPECT_EQ(slice(b, 80, 4), (std::vector<uint8_t>{0, 0, 1, 0}));
    EXPECT_EQ(b[335], 0);
}

TEST(XmWriterHeader, AmigaTableClearsFlagAndLongNamesAreCut) {
    XmModuleDef m = one_empty_pattern_module();
    m.linear = false;
    m.name = "abcdefghijklmnopqrstuvwxyz";
    const std::vector<uint8_t> b = xm_write(m);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(u16_at(b, 74), 0u);
    EXPECT_EQ(b[17 + 19], 't');  // 20th letter is the last one kept
    EXPECT_EQ(b[37], 0x1A);
}

TEST(XmWriterPatterns, EmptyPatternHasPackedSizeZero) {
    XmModuleDef m = one_empty_pattern_module();
    m.patterns[0].rows = 3;
    m.patterns[0].at(2, 3, m.channels) = XmCellDef{};  // grows cells, still all empty
    const std::vector<uint8_t> b = xm_write(m);
    EXPECT_EQ(slice(b, FIRST_PATTERN, 9), (std::vector<uint8_t>{9, 0, 0, 0, 0, 3, 0, 0, 0}));
}

TEST(XmWriterPatterns, CellsUseTheShorterForm) {
    XmModuleDef m = one_empty_pattern_module();
    m.channels = 3;
    XmPatternDef& p = m.patterns[0];
    p.rows = 2;
    p.at(0, 0, 3) = XmCellDef{49, 1, 0x40, 0x0C, 0x20};  // all five: plain form
    p.at(0, 1, 3) = XmCellDef{49, 0, 0, 0, 0};           // note only
    // (0, 2) stays empty
    p.at(1, 0, 3) = XmCellDef{0, 2, 0, 0x0F, 0x02};      // instrument + effect + param
    p.at(1, 1, 3) = XmCellDef{97, 0, 0, 0, 0};           // key off
    p.at(1, 2, 3) = XmCellDef{0, 3, 0x10, 0x0A, 0x0F};   // everything but the note
    const std::vector<uint8_t> b = xm_write(m);
    const std::vector<uint8_t> packed = {0x31, 0x01, 0x40, 0x0C, 0x20, 0x81, 0x31, 0x80,
                                         0x9A, 0x02, 0x0F, 0x02, 0x81, 0x61,
                                         0x9E, 0x03, 0x10, 0x0A, 0x0F};
    ASSERT_EQ(b.size(), FIRST_PATTERN + 9 + packed.size());
    EXPECT_EQ(slice(b, FIRST_PATTERN, 9),
              (std::vector<uint8_t>{9, 0, 0, 0, 0, 2, 0, uint8_t(packed.size()), 0}));
    EXPECT_EQ(slice(b, FIRST_PATTERN + 9, packed.size()), packed);
}

TEST(XmWriterPatterns, MissingTrailingCellsAreEmpty) {
    XmModuleDef m = one_empty_pattern_module();
    m.channels = 2;
    m.patterns[0].rows = 2;
    m.patterns[0].cells = {XmCellDef{1, 0, 0, 0, 0}};  // 1 of 4 cells given
    const std::vector<uint8_t> b = xm_write(m);
    EXPECT_EQ(slice(b, FIRST_PATTERN + 7, 2 + 5),
              (std::vector<uint8_t>{5, 0, 0x81, 0x01, 0x80, 0x80, 0x80}));
}

TEST(XmWriterInstruments, InstrumentWithoutSamplesIs29Bytes) {
    XmModuleDef m = one_empty_pattern_module();
    m.instruments.resize(1);
    m.instruments[0].name = "void";
    const std::vector<uint8_t> b = xm_write(m);
    const size_t at = FIRST_PATTERN + 9;
    ASSERT_EQ(b.size(), at + 29);
    EXPECT_EQ(u16_at(b, 72), 1u);
    EXPECT_EQ(u32_at(b, at), 29u);
    EXPECT_EQ(0, std::memcmp(&b[at + 4], "void", 5));
    EXPECT_EQ(b[at + 26], 0);        // type
    EXPECT_EQ(u16_at(b, at + 27), 0u);  // samples
}

TEST(XmWriterInstruments, HeaderEnvelopesAndSampleHeaders) {
    XmModuleDef m = one_empty_pattern_module();
    XmInstrumentDef ins;
    ins.name = "lead";
    ins.sampleMap[0] = 0;
    ins.sampleMap[95] = 1;
    ins.volumeEnv.points = {{0, 64}, {10, 32}, {300, 0}};
    ins.volumeEnv.sustain = 1;
    ins.volumeEnv.loopStart = 0;
    ins.volumeEnv.loopEnd = 1;
    ins.volumeEnv.flags = 7;
    ins.panningEnv.points = {{0, 0}, {4, 64}};
    ins.panningEnv.flags = 1;
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
    m.instruments.push_back(ins);
    const std::vector<uint8_t> b = xm_write(m);
    const size_t at = FIRST_PATTERN + 9;
    ASSERT_EQ(b.size(), at + 263 + 2 * 40 + 4 + 10);
    EXPECT_EQ(u32_at(b, at), 263u);
    EXPECT_EQ(u16_at(b, at + 27), 2u);
    EXPECT_EQ(u32_at(b, at + 29), 40u);
    EXPECT_EQ(b[at + 33], 0);
    EXPECT_EQ(b[at + 33 + 95], 1);
    EXPECT_EQ(slice(b, at + 129, 12), (std::vector<uint8_t>{0, 0, 64, 0, 10, 0, 32, 0, 0x2C, 1, 0, 0}));
    EXPECT_EQ(u16_at(b, at + 177 + 4), 4u);   // second panning point x
    EXPECT_EQ(u16_at(b, at + 177 + 6), 64u);
    EXPECT_EQ(slice(b, at + 225, 16),
              (std::vector<uint8_t>{3, 2, 1, 0, 1, 0, 0, 0, 7, 1, 1, 2, 3, 4, 0xFF, 0x0F}));
    EXPECT_EQ(b[at + 241], 0);  // reserved tail
    EXPECT_EQ(b[at + 262], 0);
    const size_t h8 = at + 263, h16 = h8 + 40;
    EXPECT_EQ(slice(b, h8, 19), (std::vector<uint8_t>{4, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 48, 0xF0,
                                                      0x01, 200, 0xF4, 0, 'a'}));
    // 16-bit: lengths in bytes, type = ping-pong | 16-bit
    EXPECT_EQ(slice(b, h16, 17), (std::vector<uint8_t>{10, 0, 0, 0, 2, 0, 0, 0, 6, 0, 0, 0, 64, 0,
                                                       0x12, 128, 5}));
    EXPECT_EQ(slice(b, h16 + 40, 4), (std::vector<uint8_t>{0, 1, 1, 1}));
    EXPECT_EQ(slice(b, h16 + 44, 10), (std::vector<uint8_t>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
}

TEST(XmWriterSamples, EightBitKeepsHighByteDeltaCoded) {
    XmModuleDef m = one_empty_pattern_module();
    XmInstrumentDef ins;
    XmSampleDef s;
    s.data = {256, 512, 768, -256, 0x7F00, -32768, -255, 255};
    s.loopType = 0;
    s.loopStart = 3;  // ignored without a loop
    s.loopLength = 99;
    ins.samples = {s};
    m.instruments.push_back(ins);
    const std::vector<uint8_t> b = xm_write(m);
    const size_t h = FIRST_PATTERN + 9 + 263;
    EXPECT_EQ(slice(b, h, 12), (std::vector<uint8_t>{8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b[h + 14], 0);
    // high bytes 01 02 03 FF 7F 80 FF 00 (arithmetic shift: -255 -> FF, 255 -> 00)
    EXPECT_EQ(slice(b, h + 40, 8), (std::vector<uint8_t>{0x01, 0x01, 0x01, 0xFC, 0x80, 0x01, 0x7F, 0x01}));
}

TEST(XmWriterSamples, SixteenBitDeltasWrapLittleEndian) {
    XmModuleDef m = one_empty_pattern_module();
    XmInstrumentDef ins;
    XmSampleDef s;
    s.sixteenBit = true;
    s.data = {1000, -1000, 32767, -32768};
    ins.samples = {s};
    m.instruments.push_back(ins);
    const std::vector<uint8_t> b = xm_write(m);
    const size_t d = FIRST_PATTERN + 9 + 263 + 40;
    ASSERT_EQ(b.size(), d + 8);
    EXPECT_EQ(slice(b, d, 8), (std::vector<uint8_t>{0xE8, 0x03, 0x30, 0xF8, 0xE7, 0x83, 0x01, 0x00}));
}

TEST(XmWriterSamples, SamplesOfAnInstrumentFollowAllItsHeaders) {
    XmModuleDef m = one_empty_pattern_module();
    for (int k = 0; k < 2; ++k) {
        XmInstrumentDef ins;
        XmSampleDef a, c;
        a.data = {int16_t(0x1100 * (k + 1))};
        c.data = {int16_t(0x2200 * (k + 1)), 0};
        ins.samples = {a, c};
        m.instruments.push_back(ins);
    }
    const std::vector<uint8_t> b = xm_write(m);
    const size_t i0 = FIRST_PATTERN + 9, i1 = i0 + 263 + 80 + 3;
    ASSERT_EQ(b.size(), i1 + 263 + 80 + 3);
    EXPECT_EQ(slice(b, i0 + 263 + 80, 3), (std::vector<uint8_t>{0x11, 0x22, 0xDE}));
    EXPECT_EQ(u32_at(b, i1), 263u);
    EXPECT_EQ(slice(b, i1 + 263 + 80, 3), (std::vector<uint8_t>{0x22, 0x44, 0xBC}));
}

TEST(XmWriterErrors, UnstorableModulesGiveNothing) {
    const auto rejected = [](const XmModuleDef& m) { return xm_write(m).empty(); };
    XmModuleDef m = one_empty_pattern_module();
    EXPECT_FALSE(rejected(m));
    m.channels = 0;
    EXPECT_TRUE(rejected(m));
    m.channels = 33;
    EXPECT_TRUE(rejected(m));
    m = one_empty_pattern_module();
    m.orders.assign(257, 0);
    EXPECT_TRUE(rejected(m));
    m = one_empty_pattern_module();
    m.patterns[0].rows = 0;
    EXPECT_TRUE(rejected(m));
    m.patterns[0].rows = 257;
    EXPECT_TRUE(rejected(m));
    m = one_empty_pattern_module();
    m.patterns[0].rows = 1;
    m.patterns[0].cells.resize(5);  // 4 channels, one row
    EXPECT_TRUE(rejected(m));

    m = one_empty_pattern_module();
    m.instruments.resize(1);
    m.instruments[0].samples.resize(17);
    EXPECT_TRUE(rejected(m));
    m.instruments[0].samples.resize(16);
    EXPECT_FALSE(rejected(m));
    m.instruments[0].volumeEnv.points.resize(13);
    EXPECT_TRUE(rejected(m));
    m.instruments[0].volumeEnv.points.resize(12);
    EXPECT_FALSE(rejected(m));

    XmSampleDef& s = m.instruments[0].samples[0];
    s.data.resize(10);
    s.loopType = 1, s.loopStart = 4, s.loopLength = 7;  // ends at 11 > 10
    EXPECT_TRUE(rejected(m));
    s.loopLength = 6;
    EXPECT_FALSE(rejected(m));
    s.loopType = 3;
    EXPECT_TRUE(rejected(m));
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
