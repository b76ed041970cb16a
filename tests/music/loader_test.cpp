// The XM loader: header, packed cells, instruments, samples, and damaged files.
#include <gtest/gtest.h>

#include <iterator>
#include <new>
#include <random>

#include "audio/render.h"
#include "tests/music/test_modules.h"

using namespace music_test;

namespace {

// The loader allocates only through the nothrow forms of new, replaced below for this test
// program: after `allocations_left` more of them every one fails (-1: none fails).
int allocations_left = -1;

void* counted_new(size_t size, bool array) noexcept {
    if (allocations_left == 0)
        return nullptr;
    allocations_left -= allocations_left > 0;
    return array ? ::operator new[](size) : ::operator new(size); // test sizes are small
}

using ints = std::vector<int64_t>;

ints cell(const Cell& c) {
    return {c.note, c.instrument, c.volume, c.effect, c.param};
}

ModulePtr load(const XmModuleDef& def) {
    return load_bytes(xm_write(def));
}

// Loop type, start, length and the guard value after the loop.
ints loop(const Sample* s) {
    return {s->loop_type, s->loop_start, s->loop_length, s->data[s->loop_start + s->loop_length]};
}

size_t first_instrument(const std::vector<uint8_t>& bytes) {
    return HEADER_END + 9 + (bytes[HEADER_END + 7] | (bytes[HEADER_END + 8] << 8));
}

// A basic_module(channels, 1) file whose (empty) pattern is replaced by `packed`, declared
// `size` long.
std::vector<uint8_t> with_packed(const std::vector<uint8_t>& packed, size_t size, int channels) {
    std::vector<uint8_t> bytes = xm_write(basic_module(channels, 1));
    put_u16(bytes, HEADER_END + 7, uint16_t(size));
    bytes.insert(bytes.begin() + HEADER_END + 9, packed.begin(), packed.end());
    return bytes;
}

// Patterns with loops, jumps and breaks, ping-pong and forward samples of both widths,
// envelopes, fade-out and auto-vibrato, and an instrument without samples.
XmModuleDef rich_module() {
    XmModuleDef def = basic_module(4, 16);
    def.orders = {0, 1, 0, 1};
    def.restart = 1;
    def.patterns.push_back(XmPatternDef{8, {}});
    XmPatternDef& p = def.patterns[0];
    p.at(0, 0, 4) = {49, 1, 0x40, 0, 0};
    p.at(0, 1, 4) = {61, 2, 0, 0x0E, 0x60};    // loop start
    p.at(2, 2, 4) = {25, 2, 0xC0, 0x04, 0x37}; // vibrato
    p.at(5, 1, 4) = {0, 0, 0, 0x0E, 0x62};     // loop twice
    p.at(7, 3, 4) = {97, 0, 0, 0x0D, 0x12};    // key off, break to row 12
    p.at(15, 0, 4) = {0, 0, 0, 0x0B, 0x03};    // jump
    def.patterns[1].at(3, 0, 4) = {37, 1, 0, 0x09, 0x02};
    def.patterns[1].at(6, 2, 4) = {0, 0, 0, 0x0D, 0x40}; // break beyond the next pattern
    XmSampleDef ping = flat_sample(300, 0, true);
    for (size_t k = 0; k < ping.data.size(); ++k)
        ping.data[k] = int16_t(k * 97);
    ping.loopType = 2, ping.loopStart = 0, ping.loopLength = 300;
    XmSampleDef fwd = flat_sample(40, -2000, false);
    fwd.loopType = 1, fwd.loopStart = 10, fwd.loopLength = 30;
    XmInstrumentDef ins;
    ins.samples = {ping, fwd};
    for (int n = 48; n < 96; ++n)
        ins.sampleMap[n] = 1;
    ins.volumeEnv = {{{0, 64}, {4, 20}, {8, 50}, {30, 0}}, 2, 1, 2, 7};
    ins.panningEnv = {{{0, 0}, {10, 64}}, 0, 0, 0, 1};
    ins.fadeout = 900;
    ins.vibType = 3, ins.vibDepth = 9, ins.vibRate = 40, ins.vibSweep = 5;
    def.instruments.push_back(ins);
    def.instruments.push_back(XmInstrumentDef{}); // a 29-byte header
    return def;
}

} // namespace

TEST(LoaderPatterns, PackedAndPlainCells) {
    const ints none = {0, 0, 0, 0, 0}, key_off = {NOTE_KEY_OFF, 0, 0, 0, 0};
    const struct {
        std::vector<uint8_t> packed;
        ints cell;
        const char* what;
    } cases[] = {
        {{0x81, 97}, key_off, "note byte 97: key off"},
        {{97, 0, 0, 0, 0}, key_off, "plain note byte 97: key off"},
        {{0x81, 255}, key_off, "note byte 255: key off as well"},
        {{0x81, 98}, none, "note byte 98: no note"},
        {{0x81, 254}, none, "note byte 254: no note"},
        {{0x81, 96}, {96, 0, 0, 0, 0}, "the top note stays"},
        {{0x82, 200}, none, "instrument 200: none"},
        {{0x98, 0x0F, 0x03}, {0, 0, 0, 0x0F, 0x03}, "effect and parameter"},
    };
    const int count = int(std::size(cases));
    std::vector<uint8_t> packed;
    for (const auto& c : cases)
        packed.insert(packed.end(), c.packed.begin(), c.packed.end());
    ModulePtr m = load_bytes(with_packed(packed, packed.size(), count));
    ASSERT_TRUE(m);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(cell(m->patterns[0].cells[i]), cases[i].cell) << cases[i].what;
    // The instrument after the pattern was found: exactly the packed bytes were used.
    EXPECT_EQ(m->instruments[0].samples[0]->length, 64u);

    std::vector<uint8_t> surplus = packed;
    surplus.insert(surplus.end(), {0x80, 0x80, 0x80});
    m = load_bytes(with_packed(surplus, surplus.size(), count));
    ASSERT_TRUE(m); // skipped
    EXPECT_EQ(m->patterns[0].cells[count - 1].param, 0x03);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 64u);
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

TEST(LoaderSamples, LoopFixesGuardsAndClamps) {
    XmModuleDef def = basic_module();
    XmSampleDef forward;
    forward.sixteenBit = true;
    forward.data = {10, 20, 30, 40};
    forward.loopType = 1, forward.loopStart = 1, forward.loopLength = 2;
    XmSampleDef pingpong = forward;
    pingpong.loopType = 2;
    def.instruments[0].samples = {forward, pingpong};
    const std::vector<uint8_t> good = xm_write(def);
    ModulePtr m = load_bytes(good);
    ASSERT_TRUE(m);
    // Loop points in frames; the guard after the loop is the sample after the turn.
    EXPECT_EQ(loop(m->instruments[0].samples[0]), (ints{LOOP_FORWARD, 1, 2, 20}));
    EXPECT_EQ(loop(m->instruments[0].samples[1]), (ints{LOOP_PINGPONG, 1, 2, 30}));

    const size_t sh = first_instrument(good) + INSTRUMENT_HEADER;
    std::vector<uint8_t> bytes = good;
    bytes[sh + 14] = 0x13;                           // type 3 is ping-pong
    put_u32(bytes, sh + SAMPLE_HEADER + 8, 0);       // a loop of length 0 is none
    m = load_bytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(loop(m->instruments[0].samples[0]), (ints{LOOP_PINGPONG, 1, 2, 30}));
    EXPECT_EQ(loop(m->instruments[0].samples[1]), (ints{LOOP_NONE, 0, 4, 0}));

    bytes = good;
    put_u32(bytes, sh + 8, 0x7FFFFFF0);                 // length far past the end: clamped
    put_u32(bytes, sh + SAMPLE_HEADER + 4, 0xFFFFFFF0); // start past the end: no loop
    m = load_bytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(loop(m->instruments[0].samples[0]), (ints{LOOP_FORWARD, 1, 3, 20}));
    EXPECT_EQ(loop(m->instruments[0].samples[1]), (ints{LOOP_NONE, 0, 4, 0}));
}

TEST(LoaderSamples, SampleLoaderSuppliesTheData) {
    static int calls = 0;
    static int seen[4];
    XmModuleDef def = basic_module();
    def.instruments[0].samples = {flat_sample(3, 0x100, false), flat_sample(0, 0)};
    ModulePtr m = load_bytes(xm_write(def), [](void* buffer, int bytes, int bits, int ins, int smp) {
        ++calls;
        seen[0] = bytes, seen[1] = bits, seen[2] = ins, seen[3] = smp;
        int8_t* b = static_cast<int8_t*>(buffer);
        b[0] = 1, b[1] = 2, b[2] = -3;
        return 0;
    });
    ASSERT_TRUE(m);
    EXPECT_EQ(calls, 1); // not for the empty sample
    EXPECT_EQ(std::vector<int>(seen, seen + 4), (std::vector<int>{3, 8, 0, 0}));
    const Sample* smp = m->instruments[0].samples[0];
    EXPECT_EQ((ints{smp->data[0], smp->data[1], smp->data[2]}), (ints{256, 512, -768})); // not delta
    EXPECT_EQ(m->instruments[0].samples[1]->data, nullptr);
}

// ---- damaged and contradictory files (the sanitizer build reports any leak) ----------------

TEST(LoaderDamage, EveryTruncationIsRejected) {
    const std::vector<uint8_t> bytes = xm_write(rich_module());
    ASSERT_TRUE(load_bytes(bytes));
    for (size_t size = 0; size < bytes.size(); ++size)
        ASSERT_FALSE(load_bytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size))) << size;
}

// Each refusal names its reason; a successful load resets it.
TEST(LoaderDamage, RefusalsSayWhy) {
    XmModuleDef def = basic_module();
    for (int j = 1; j < 16; ++j)
        def.instruments[0].samples.push_back(flat_sample(8, 5));
    const std::vector<uint8_t> good = xm_write(def);
    ASSERT_TRUE(load_bytes(good)); // 16 samples are fine
    EXPECT_STREQ(music_load_error(), "no error");
    const size_t ins = first_instrument(good), smp = ins + INSTRUMENT_HEADER;
    const std::vector<uint8_t> cells = {0x81, 49, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    const struct {
        size_t at; // 0: no patch
        int width;
        uint32_t value;
        size_t cut_to;              // 0: the whole file
        std::vector<uint8_t> bytes; // instead of `good` when not empty
        const char* reason;
    } cases[] = {
        // clang-format off
        {3, 1, 'x', 0, {}, "not an XM file (it does not start with \"Extended Module: \")"},
        {16, 1, 'x', 0, {}, "not an XM file (it does not start with \"Extended Module: \")"},
        {58, 2, 0x0102, 0, {},
         "XM version 1.02 is not supported, only 1.04 (save the file again in a current tracker)"},
        {0, 0, 0, 200, {}, "file ends inside the header (truncated file)"},
        {60, 4, 0xFFFFFFF0, 0, {}, "file ends inside pattern 0 (truncated file)"},
        {64, 2, 257, 0, {}, "song length 257 is over the limit of 256 (damaged file)"},
        {68, 2, 33, 0, {}, "33 channels, more than the 32 played (remove channels in a tracker)"},
        {70, 2, 300, 0, {}, "pattern count 300 is over the limit of 256 (damaged file)"},
        {72, 2, 129, 0, {}, "instrument count 129 is over the limit of 128 (damaged file)"},
        {HEADER_END, 4, 10, 0, {}, "pattern 0: header length is 10, not 9 (damaged file)"},
        {HEADER_END + 5, 2, 257, 0, {},
         "pattern 0: 257 rows, more than the 256 a pattern may have (damaged file)"},
        {0, 0, 0, 0, with_packed(cells, cells.size() - 1, 8),
         "pattern 0: packed data is shorter than declared (damaged file)"},
        {0, 0, 0, HEADER_END + 11, with_packed(cells, cells.size(), 8),
         "file ends inside pattern 0 (truncated file)"},
        {ins, 4, 20, 0, {}, "instrument 1: header of 20 bytes is too short (damaged file)"},
        {ins, 4, 100, 0, {}, "instrument 1: header of 100 bytes is too short (damaged file)"},
        {ins + 27, 2, 17, 0, {},
         "instrument 1: 17 samples, more than the 16 an instrument may have (damaged file)"},
        {ins + 29, 4, 41, 0, {}, "instrument 1: sample header size is 41, not 40 (damaged file)"},
        {0, 0, 0, ins + 20, {}, "file ends inside instrument 1 (truncated file)"},
        {0, 0, 0, smp + 100, {}, "file ends inside instrument 1 (truncated file)"},
        {smp + 17, 1, 0xAD, 0, {}, "instrument 1: packed (ADPCM) sample data is not supported "
                                   "(save the file again with unpacked samples)"},
        {smp, 4, 0xFFFFFFFE, 0, {}, "instrument 1: a sample of 2147483647 values, more than the "
                                    "268435456 allowed (damaged file)"},
        {smp, 4, 0x0FFFFFF0, 0, {},
         "file ends inside the sample data of instrument 1 (truncated file)"},
        {0, 0, 0, good.size() - 1, {},
         "file ends inside the sample data of instrument 1 (truncated file)"},
        // clang-format on
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = c.bytes.empty() ? good : c.bytes;
        if (c.width == 1)
            bytes[c.at] = uint8_t(c.value);
        if (c.width == 2)
            put_u16(bytes, c.at, uint16_t(c.value));
        if (c.width == 4)
            put_u32(bytes, c.at, c.value);
        if (c.cut_to)
            bytes.resize(c.cut_to);
        EXPECT_FALSE(load_bytes(bytes)) << c.reason;
        EXPECT_STREQ(music_load_error(), c.reason);
    }
    serve_bytes(good);
    EXPECT_EQ(music_load("missing", nullptr), nullptr);
    EXPECT_STREQ(music_load_error(), "the file cannot be opened");
    ASSERT_TRUE(load_bytes(good));
    EXPECT_STREQ(music_load_error(), "no error");
}

// The largest valid counts load; order table bytes past the song length are never read.
TEST(LoaderLimits, LargestCountsLoadAndOrdersPastTheSongAreIgnored) {
    XmModuleDef def = basic_module(32, 256);
    def.orders.assign(256, 0);
    ModulePtr m = load(def);
    ASSERT_TRUE(m);
    EXPECT_EQ((ints{m->num_channels, m->song_length, m->patterns[0].rows}), (ints{32, 256, 256}));
    std::vector<uint8_t> bytes = xm_write(basic_module()); // song length 1
    bytes[80 + 1] = 9;                                     // order 1 would name pattern 9
    m = load_bytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ((ints{m->pattern_count, m->used_patterns}), (ints{1, 1}));
}

TEST(LoaderDamage, RestartRowsAndEnvelopesAreClamped) {
    XmModuleDef def = basic_module();
    def.orders = {0, 0};
    def.instruments[0].volumeEnv.points = {{0, 64}, {4, 32}, {8, 0}};
    def.instruments[0].volumeEnv.flags = 5;
    def.instruments[0].volumeEnv.loopEnd = 2;
    def.restart = 1;
    std::vector<uint8_t> bytes = xm_write(def);
    const size_t ins = first_instrument(bytes);
    ModulePtr m = load_bytes(bytes);
    ASSERT_TRUE(m);
    // One open and one close for the whole load.
    EXPECT_EQ((ints{m->restart_position, m->instruments[0].volume_type, memory_file().opens,
                    memory_file().closes}),
              (ints{1, 5, 1, 1}));
    put_u16(bytes, 66, 2);          // restart beyond the song: start over
    put_u16(bytes, HEADER_END + 5, 0); // no rows: 64 empty rows
    bytes[ins + 225] = 200;         // envelope point count
    bytes[ins + 228] = 100;         // envelope loop start
    m = load_bytes(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ((ints{m->restart_position, m->patterns[0].rows, m->patterns[0].cells[127].note,
                    m->instruments[0].num_volume_points, m->instruments[0].volume_type}),
              (ints{0, 64, 0, 12, 1}));
}

// Every allocation of the loader may fail: the file is refused for want of memory, and
// nothing leaks (the sanitizer build checks).
TEST(LoaderDamage, RunningOutOfMemoryIsAReason) {
    const std::vector<uint8_t> bytes = xm_write(rich_module());
    int refused = 0;
    for (int budget = 0; budget < 100; ++budget) {
        allocations_left = budget;
        ModulePtr m = load_bytes(bytes);
        allocations_left = -1;
        if (m)
            break;
        ++refused;
        ASSERT_STREQ(music_load_error(), "out of memory") << budget;
    }
    EXPECT_GT(refused, 8); // module, file, patterns, cells, instruments, samples, data
    EXPECT_LT(refused, 100);
}

// Random damage to a rich module: each file loads or fails cleanly, and whatever loads plays
// without reading outside its patterns or samples (checked by the sanitizer build).
TEST(LoaderDamage, RandomDamageLoadsOrFailsCleanly) {
    const std::vector<uint8_t> good = xm_write(rich_module());
    ASSERT_FALSE(good.empty());

    std::mt19937 random(99);
    std::vector<float> mix(2 * 884);
    int loaded = 0;
    for (int trial = 0; trial < 600; ++trial) {
        std::vector<uint8_t> bytes = good;
        for (int f = 1 + int(random() % 6); f > 0; --f)
            bytes[random() % bytes.size()] = random() % 3 == 0 ? 0xFF : uint8_t(random());
        if (trial % 7 == 0)
            bytes.resize(random() % bytes.size());
        ModulePtr m = load_bytes(bytes);
        if (!m)
            continue;
        ++loaded;
        mixer_set_rate(44100);
        mixer_reset_voices();
        music_reset_playback(m.get());
        for (int block = 0; block < 12; ++block) {
            std::fill(mix.begin(), mix.end(), 0.0f);
            render_frames(m.get(), mix.data(), 884);
            ASSERT_GE(m->row, -1);
            ASSERT_LT(m->order, 256);
        }
        EXPECT_TRUE(music_free(m.release()));
    }
    EXPECT_GT(loaded, 50); // many damaged files loaded, so playback was exercised
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return counted_new(size, false);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return counted_new(size, true);
}
