// The XM loader: header, packed cells, instruments and samples, and damaged files.
#include <gtest/gtest.h>

#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

struct ModuleDeleter {
    void operator()(Module* m) const { music_free(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<uint8_t>& bytes, SampleLoader loader = nullptr) {
    return ModulePtr(load_module_bytes(bytes, loader));
}

ModulePtr load(const XmModuleDef& def) {
    const std::vector<uint8_t> bytes = xm_write(def);
    EXPECT_FALSE(bytes.empty());
    return load(bytes);
}

// Offset of the first instrument in a basic_module() file with one pattern of packed size P.
size_t first_instrument(const std::vector<uint8_t>& bytes) {
    const uint16_t packed = uint16_t(bytes[HEADER_END + 7] | (bytes[HEADER_END + 8] << 8));
    return HEADER_END + 9 + packed;
}

} // namespace

TEST(LoaderHeader, ReadsTheHeaderFields) {
    XmModuleDef def = basic_module(3, 8);
    def.orders = {0, 0, 0};
    def.restart = 2;
    def.speed = 5;
    def.bpm = 140;
    def.linear = false;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->song_length, 3);
    EXPECT_EQ(m->restart_position, 2);
    EXPECT_EQ(m->num_channels, 3);
    EXPECT_EQ(m->num_instruments, 1);
    EXPECT_EQ(m->flags, 0);
    EXPECT_EQ(m->default_speed, 5);
    EXPECT_EQ(m->default_bpm, 140);
    EXPECT_EQ(m->initial_global_volume, 64);
    EXPECT_EQ(m->tick_entry, &music_tick);
    EXPECT_EQ(m->patterns[0].rows, 8);
    EXPECT_EQ(memory_file().opens, 1);
    EXPECT_EQ(memory_file().closes, 1);
}

TEST(LoaderHeader, RejectsAnyDifferenceInTheSignature) {
    const std::vector<uint8_t> good = xm_write(basic_module());
    for (size_t i = 0; i < 17; ++i) {
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0x20;
        EXPECT_FALSE(load(bytes)) << "byte " << i;
    }
    EXPECT_TRUE(load(good));
}

TEST(LoaderHeader, MissingFileAndMissingCallbacksGiveNull) {
    serve_bytes(xm_write(basic_module()));
    EXPECT_EQ(music_load("missing", nullptr), nullptr);
    music_set_file_callbacks(memory_open, memory_close, memory_read, memory_seek, nullptr);
    EXPECT_FALSE(music_file_callbacks_complete());
    EXPECT_EQ(music_load("song.xm", nullptr), nullptr);
    EXPECT_FALSE(music_free(nullptr));
}

TEST(LoaderPatterns, MissingPatternsBecome64EmptyRows) {
    XmModuleDef def = basic_module();
    def.orders = {0, 20, 3};
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->used_patterns, 21);
    EXPECT_EQ(m->pattern_count, 21);
    for (int k = 1; k < 21; ++k) {
        ASSERT_EQ(m->patterns[k].rows, 64);
        for (int c = 0; c < 64 * 2; ++c)
            ASSERT_EQ(m->patterns[k].cells[c].note, 0);
    }
}

TEST(LoaderPatterns, DecodesPackedAndPlainCells) {
    XmModuleDef def = basic_module(2, 2);
    def.patterns[0].at(0, 0, 2) = {49, 1, 0x40, 0x0C, 0x20}; // all five: plain form
    def.patterns[0].at(0, 1, 2) = {97, 0, 0, 0, 0};          // key off
    def.patterns[0].at(1, 1, 2) = {0, 0, 0, 0x0F, 0x03};
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    const Cell* c = m->patterns[0].cells;
    EXPECT_EQ(c[0].note, 49);
    EXPECT_EQ(c[0].instrument, 1);
    EXPECT_EQ(c[0].volume, 0x40);
    EXPECT_EQ(c[0].effect, 0x0C);
    EXPECT_EQ(c[0].param, 0x20);
    EXPECT_EQ(c[1].note, NOTE_KEY_OFF);
    EXPECT_EQ(c[2].note, 0);
    EXPECT_EQ(c[3].effect, 0x0F);
    EXPECT_EQ(c[3].param, 0x03);
}

TEST(LoaderPatterns, RawBytesMapNotesAndInstruments) {
    // One channel, one row: hand-packed cells with bytes the writer would not produce.
    XmModuleDef def = basic_module(4, 1);
    def.patterns[0].at(0, 0, 4) = {1, 1, 1, 1, 1};
    std::vector<uint8_t> bytes = xm_write(def);
    std::vector<uint8_t> packed = {0x80,                // empty cell of one byte
                                   0x00, 0,  0,   0, 0, // plain cell whose note is 0: still 5 bytes
                                   0x83, 98, 200,       // note 98 (no note), instrument 200 (none)
                                   0x81, 254};          // note 254: no note either
    std::vector<uint8_t> patched(bytes.begin(), bytes.begin() + HEADER_END + 9);
    put_u16(patched, HEADER_END + 7, uint16_t(packed.size()));
    patched.insert(patched.end(), packed.begin(), packed.end());
    patched.insert(patched.end(), bytes.begin() + first_instrument(bytes), bytes.end());
    ModulePtr m = load(patched);
    ASSERT_TRUE(m);
    const Cell* c = m->patterns[0].cells;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(c[i].note, 0) << i;
    EXPECT_EQ(c[2].instrument, 0);
    // The instrument after the pattern was found: the cells used exactly the packed bytes.
    EXPECT_EQ(m->instruments[0].samples[0]->length, 64u);
}

TEST(LoaderPatterns, PackedSizeZeroReadsNothing) {
    ModulePtr m = load(basic_module());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].rows, 4);
    EXPECT_EQ(m->instruments[0].num_samples, 1);
}

TEST(LoaderInstruments, ZeroSampleInstrumentsUseTheEmptySample) {
    XmModuleDef def = basic_module();
    def.instruments.insert(def.instruments.begin(), XmInstrumentDef{});
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].num_samples, 0);
    for (Sample* s : m->instruments[0].samples)
        EXPECT_EQ(s, &EMPTY_SAMPLE);
    EXPECT_EQ(m->instruments[1].num_samples, 1);
    EXPECT_EQ(m->instruments[1].samples[0]->length, 64u);
    for (int j = 1; j < 16; ++j)
        EXPECT_EQ(m->instruments[1].samples[j], &EMPTY_SAMPLE);
}

TEST(LoaderInstruments, SeventeenSamplesAreRejected) {
    // The writer refuses 17 samples: write 16 and patch the count.
    XmModuleDef def = basic_module();
    for (int j = 1; j < 16; ++j)
        def.instruments[0].samples.push_back(flat_sample(8, 5));
    std::vector<uint8_t> bytes = xm_write(def);
    const size_t ins = first_instrument(bytes);
    EXPECT_TRUE(load(bytes));
    put_u16(bytes, ins + 27, 17);
    EXPECT_FALSE(load(bytes)); // the sanitizer build reports any leak
}

TEST(LoaderInstruments, FadeoutDoublesAndOnePointEnvelopesAreOff) {
    XmModuleDef def = basic_module();
    XmInstrumentDef& ins = def.instruments[0];
    ins.fadeout = 0x0FFF;
    ins.volumeEnv.points = {{0, 64}};
    ins.volumeEnv.flags = 7;
    ins.panningEnv.points = {{0, 32}, {10, 0}};
    ins.panningEnv.flags = 1;
    ins.sampleMap[5] = 3;
    ins.vibType = 2;
    ins.vibSweep = 3;
    ins.vibDepth = 4;
    ins.vibRate = 5;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    const Instrument& in = m->instruments[0];
    EXPECT_EQ(in.fadeout, 0x1FFE);
    EXPECT_EQ(in.volume_type, 0);
    EXPECT_EQ(in.panning_type, 1);
    EXPECT_EQ(in.num_panning_points, 2);
    EXPECT_EQ(in.panning_points[1].x, 10);
    EXPECT_EQ(in.sample_map[5], 3);
    EXPECT_EQ(in.vibrato_type, 2);
    EXPECT_EQ(in.vibrato_sweep, 3);
    EXPECT_EQ(in.vibrato_depth, 4);
    EXPECT_EQ(in.vibrato_rate, 5);
}

TEST(LoaderSamples, EightBitDeltasWidenTo16Bits) {
    XmModuleDef def = basic_module();
    XmSampleDef s;
    s.data = {256, 512, 768, -256}; // stored as the deltas 1, 1, 1, -4
    s.volume = 40;
    s.finetune = -16;
    s.panning = 200;
    s.relativeNote = -12;
    def.instruments[0].samples[0] = s;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    const Sample* smp = m->instruments[0].samples[0];
    EXPECT_EQ(smp->bits, 16);
    EXPECT_EQ(smp->length, 4u);
    EXPECT_EQ(smp->loop_type, LOOP_NONE);
    EXPECT_EQ(smp->loop_start, 0u);
    EXPECT_EQ(smp->loop_length, 4u);
    EXPECT_EQ(smp->volume, 40);
    EXPECT_EQ(smp->finetune, -16);
    EXPECT_EQ(smp->panning, 200);
    EXPECT_EQ(smp->relative_note, -12);
    const int16_t expected[] = {256, 512, 768, -256, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(smp->data[k], expected[k]) << k;
}

TEST(LoaderSamples, SixteenBitDeltasWrapModulo65536) {
    XmModuleDef def = basic_module();
    XmSampleDef s;
    s.sixteenBit = true;
    s.data = {32767, -32768, 0, -1};
    def.instruments[0].samples[0] = s;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    const Sample* smp = m->instruments[0].samples[0];
    EXPECT_EQ(smp->length, 4u);
    EXPECT_EQ(smp->data[0], 32767);
    EXPECT_EQ(smp->data[1], -32768);
    EXPECT_EQ(smp->data[2], 0);
    EXPECT_EQ(smp->data[3], -1);
    EXPECT_EQ(smp->data[4], 0); // no loop: the guard stays 0
}

TEST(LoaderSamples, LoopGuardsAndLoopFixes) {
    XmModuleDef def = basic_module();
    XmSampleDef forward;
    forward.sixteenBit = true;
    forward.data = {10, 20, 30, 40};
    forward.loopType = 1;
    forward.loopStart = 1;
    forward.loopLength = 2;
    XmSampleDef pingpong = forward;
    pingpong.loopType = 2;
    def.instruments[0].samples = {forward, pingpong};
    std::vector<uint8_t> bytes = xm_write(def);
    ModulePtr m = load(bytes);
    ASSERT_TRUE(m);
    const Sample* f = m->instruments[0].samples[0];
    const Sample* p = m->instruments[0].samples[1];
    EXPECT_EQ(f->loop_type, LOOP_FORWARD);
    EXPECT_EQ(f->loop_start, 1u);
    EXPECT_EQ(f->loop_length, 2u);
    EXPECT_EQ(f->data[3], 20);
    EXPECT_EQ(p->loop_type, LOOP_PINGPONG);
    EXPECT_EQ(p->data[3], 30);

    // Type 3 is ping-pong; a forward loop of length 0 is no loop.
    const size_t sh = first_instrument(bytes) + INSTRUMENT_HEADER;
    bytes[sh + 14] = 0x13;
    put_u32(bytes, sh + SAMPLE_HEADER + 8, 0);
    m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].samples[0]->loop_type, LOOP_PINGPONG);
    const Sample* none = m->instruments[0].samples[1];
    EXPECT_EQ(none->loop_type, LOOP_NONE);
    EXPECT_EQ(none->loop_start, 0u);
    EXPECT_EQ(none->loop_length, 4u);
}

TEST(LoaderSamples, SixteenBitLengthsAndLoopsAreHalved) {
    XmModuleDef def = basic_module();
    XmSampleDef s = flat_sample(500, 7, true);
    s.loopType = 1;
    s.loopStart = 100;
    s.loopLength = 200;
    def.instruments[0].samples[0] = s;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    const Sample* smp = m->instruments[0].samples[0];
    EXPECT_EQ(smp->length, 500u);
    EXPECT_EQ(smp->loop_start, 100u);
    EXPECT_EQ(smp->loop_length, 200u);
}

TEST(LoaderSamples, SampleLoaderSuppliesTheData) {
    static int calls = 0;
    static int seen[4];
    calls = 0;
    XmModuleDef def = basic_module();
    def.instruments[0].samples[0] = flat_sample(3, 0x100, false);
    def.instruments[0].samples.push_back(flat_sample(0, 0));
    ModulePtr m = load(xm_write(def), [](void* buffer, int bytes, int bits, int ins, int smp) {
        ++calls;
        seen[0] = bytes, seen[1] = bits, seen[2] = ins, seen[3] = smp;
        int8_t* b = static_cast<int8_t*>(buffer);
        b[0] = 1, b[1] = 2, b[2] = -3;
        return 0;
    });
    ASSERT_TRUE(m);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen[0], 3);
    EXPECT_EQ(seen[1], 8);
    EXPECT_EQ(seen[2], 0);
    EXPECT_EQ(seen[3], 0);
    const Sample* smp = m->instruments[0].samples[0];
    EXPECT_EQ(smp->data[0], 256); // widened, not delta decoded
    EXPECT_EQ(smp->data[1], 512);
    EXPECT_EQ(smp->data[2], -768);
    EXPECT_EQ(m->instruments[0].samples[1]->data, nullptr);
}

// ---- damaged and contradictory files -------------------------------------------------------

TEST(LoaderDamage, EveryTruncationIsRejected) {
    XmModuleDef def = basic_module(2, 2);
    def.patterns[0].at(1, 1, 2) = {49, 1, 0, 0, 0};
    def.instruments.push_back(XmInstrumentDef{});
    XmSampleDef s = flat_sample(10, 300, false);
    s.loopType = 2;
    s.loopStart = 2;
    s.loopLength = 5;
    def.instruments.push_back(single_sample_instrument(s));
    const std::vector<uint8_t> bytes = xm_write(def);
    ASSERT_TRUE(load(bytes));
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
        ASSERT_FALSE(load(cut)) << "size " << size;
    }
}

TEST(LoaderDamage, NonStandardHeaderSizesAreRejected) {
    const std::vector<uint8_t> good = xm_write(basic_module());
    std::vector<uint8_t> bytes = good;
    put_u32(bytes, HEADER_END, 10); // pattern header length
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u32(bytes, first_instrument(bytes) + 29, 41); // sample header size
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u32(bytes, first_instrument(bytes), 100); // instrument header cut into its fields
    EXPECT_FALSE(load(bytes));
}

TEST(LoaderDamage, PackedDataThatRunsShortIsRejected) {
    XmModuleDef def = basic_module(2, 2);
    def.patterns[0].at(0, 0, 2) = {49, 1, 0, 0, 0};
    std::vector<uint8_t> bytes = xm_write(def);
    const uint16_t packed = uint16_t(bytes[HEADER_END + 7] | (bytes[HEADER_END + 8] << 8));
    put_u16(bytes, HEADER_END + 7, uint16_t(packed - 1));
    EXPECT_FALSE(load(bytes));
}

TEST(LoaderDamage, SurplusPackedBytesAreSkipped) {
    XmModuleDef def = basic_module(1, 1);
    def.patterns[0].at(0, 0, 1) = {49, 1, 0, 0, 0};
    std::vector<uint8_t> bytes = xm_write(def);
    const uint16_t packed = uint16_t(bytes[HEADER_END + 7] | (bytes[HEADER_END + 8] << 8));
    put_u16(bytes, HEADER_END + 7, uint16_t(packed + 3));
    bytes.insert(bytes.begin() + HEADER_END + 9 + packed, {0x80, 0x80, 0x80});
    ModulePtr m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].cells[0].note, 49);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 64u);
}

TEST(LoaderDamage, LoopsBeyondTheSampleAreClamped) {
    XmModuleDef def = basic_module();
    XmSampleDef s;
    s.sixteenBit = true;
    s.data = {1, 2, 3, 4, 5, 6, 7, 8};
    s.loopType = 1;
    s.loopStart = 2;
    s.loopLength = 4;
    def.instruments[0].samples = {s, s};
    std::vector<uint8_t> bytes = xm_write(def);
    const size_t sh = first_instrument(bytes) + INSTRUMENT_HEADER;
    put_u32(bytes, sh + 8, 0x7FFFFFF0);                 // loop length far past the end
    put_u32(bytes, sh + SAMPLE_HEADER + 4, 0xFFFFFFF0); // loop start far past the end
    ModulePtr m = load(bytes);
    ASSERT_TRUE(m);
    const Sample* a = m->instruments[0].samples[0];
    EXPECT_EQ(a->loop_type, LOOP_FORWARD);
    EXPECT_EQ(a->loop_start, 2u);
    EXPECT_EQ(a->loop_length, 6u);
    EXPECT_EQ(a->data[8], 3); // guard at the end of the sample
    const Sample* b = m->instruments[0].samples[1];
    EXPECT_EQ(b->loop_type, LOOP_NONE);
    EXPECT_EQ(b->loop_length, 8u);
}

TEST(LoaderDamage, OverlargeCountsAreRejected) {
    const std::vector<uint8_t> good = xm_write(basic_module());
    std::vector<uint8_t> bytes = good;
    put_u16(bytes, 68, 33); // channels: the replay keeps 32 channel records
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u16(bytes, 64, 257); // song length past the order table
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u16(bytes, 70, 300); // patterns
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u16(bytes, HEADER_END + 5, 257); // rows
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u32(bytes, first_instrument(bytes) + INSTRUMENT_HEADER, 0xFFFFFFFE); // sample length
    EXPECT_FALSE(load(bytes));
    bytes = good;
    put_u32(bytes, 60, 0xFFFFFFF0); // header size
    EXPECT_FALSE(load(bytes));
}

TEST(LoaderDamage, ASampleLongerThanTheFileAllocatesNothing) {
    std::vector<uint8_t> bytes = xm_write(basic_module());
    put_u32(bytes, first_instrument(bytes) + INSTRUMENT_HEADER,
            0x0FFFFFF0); // 256 MiB of 8-bit data
    EXPECT_FALSE(load(bytes));
}

TEST(LoaderDamage, RestartBeyondTheSongStartsOver) {
    XmModuleDef def = basic_module();
    def.orders = {0, 0};
    def.restart = 2;
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->restart_position, 0);
}

TEST(LoaderDamage, PatternsOfNoRowsBecome64EmptyRows) {
    std::vector<uint8_t> bytes = xm_write(basic_module());
    put_u16(bytes, HEADER_END + 5, 0);
    ModulePtr m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].rows, 64);
    EXPECT_EQ(m->patterns[0].cells[127].note, 0);
}

TEST(LoaderDamage, EnvelopesStayInsideTheirPoints) {
    XmModuleDef def = basic_module();
    def.instruments[0].volumeEnv.points = {{0, 64}, {4, 32}, {8, 0}};
    def.instruments[0].volumeEnv.flags = 5;
    def.instruments[0].volumeEnv.loopStart = 0;
    def.instruments[0].volumeEnv.loopEnd = 2;
    std::vector<uint8_t> bytes = xm_write(def);
    const size_t ins = first_instrument(bytes);
    EXPECT_EQ(load(bytes)->instruments[0].volume_type, 5);
    bytes[ins + 225] = 200; // point count
    bytes[ins + 228] = 100; // loop start
    ModulePtr m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].num_volume_points, 12);
    EXPECT_EQ(m->instruments[0].volume_type, 1);
}
