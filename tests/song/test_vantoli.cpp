// The committed song module: reproducible from the generator, and its header and
// patterns hold what the demo's timeline relies on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

unsigned u16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) { return u16(b, at) | (uint32_t(u16(b, at + 2)) << 16); }

struct Cell { uint8_t note, instrument, volume, effect, param; };
struct Pattern { int rows; std::vector<Cell> cells; };

// Independent reader of the pattern block: unpacks every pattern. False on any
// structural fault (sizes that do not add up, data past the end).
bool read_patterns(const std::vector<uint8_t>& b, std::vector<Pattern>& out, size_t& end) {
    const unsigned channels = u16(b, 68), count = u16(b, 70);
    size_t at = 60 + u32(b, 60);
    for (unsigned p = 0; p < count; ++p) {
        if (at + 9 > b.size() || u32(b, at) != 9) return false;
        Pattern pat{int(u16(b, at + 5)), {}};
        const size_t packed = u16(b, at + 7);
        size_t q = at + 9;
        const size_t stop = q + packed;
        if (stop > b.size()) return false;
        pat.cells.resize(size_t(pat.rows) * channels);
        for (size_t i = 0; packed && i < pat.cells.size(); ++i) {
            if (q >= stop) return false;
            uint8_t f[5] = {0, 0, 0, 0, 0};
            const uint8_t first = b[q++];
            if (first & 0x80) {
                for (int k = 0; k < 5; ++k)
                    if (first & (1 << k)) {
                        if (q >= stop) return false;
                        f[k] = b[q++];
                    }
            } else {
                f[0] = first;
                for (int k = 1; k < 5; ++k) {
                    if (q >= stop) return false;
                    f[k] = b[q++];
                }
            }
            pat.cells[i] = Cell{f[0], f[1], f[2], f[3], f[4]};
        }
        if (q != stop) return false;
        out.push_back(pat);
        at = stop;
    }
    end = at;
    return true;
}

const std::string SONG = VORRU_SONG_PATH;

}  // namespace

TEST(SongModule, GeneratorReproducesTheCommittedFile) {
    const std::string out = ::testing::TempDir() + "vantoli_regenerated.xm";
    const std::string cmd = std::string("\"") + SONGGEN_PATH + "\" \"" + out + "\" 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::vector<uint8_t> fresh = read_file(out), committed = read_file(SONG);
    std::remove(out.c_str());
    ASSERT_EQ(committed.size(), 85178u);
    ASSERT_EQ(fresh.size(), committed.size());
    size_t first_difference = 0;
    while (first_difference < fresh.size() && fresh[first_difference] == committed[first_difference]) ++first_difference;
    EXPECT_EQ(first_difference, fresh.size()) << "regenerated module differs from the committed one";
}

TEST(SongModule, HeaderFacts) {
    const std::vector<uint8_t> b = read_file(SONG);
    ASSERT_GE(b.size(), 336u);
    EXPECT_EQ(0, std::memcmp(b.data(), "Extended Module: ", 17));
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ(u16(b, 58), 0x0104u);
    EXPECT_EQ(u32(b, 60), 276u);
    const unsigned length = u16(b, 64), restart = u16(b, 66), channels = u16(b, 68);
    EXPECT_GE(length, 17u);
    EXPECT_LT(restart, length);
    EXPECT_GE(channels, 6u);
    EXPECT_LE(channels, 16u);
    EXPECT_EQ(u16(b, 74) & 1, 1u);  // linear frequency table
    EXPECT_EQ(u16(b, 76), 2u);      // speed
    EXPECT_EQ(u16(b, 78), 125u);    // BPM
    for (unsigned i = 0; i < length; ++i) EXPECT_LT(b[80 + i], u16(b, 70)) << "order " << i;
}

// Every order position up to the landing (16) lasts 64 rows at speed 2 / 125 BPM:
// 2.56 s, the demo's clock. Nothing in those patterns may change speed or tempo,
// jump, break, loop or delay rows.
TEST(SongModule, PlayedOrdersKeepTheTimelineClock) {
    const std::vector<uint8_t> b = read_file(SONG);
    ASSERT_GE(b.size(), 336u);
    std::vector<Pattern> patterns;
    size_t end = 0;
    ASSERT_TRUE(read_patterns(b, patterns, end));
    for (unsigned order = 0; order <= 16 && order < u16(b, 64); ++order) {
        const Pattern& p = patterns.at(b[80 + order]);
        EXPECT_EQ(p.rows, 64) << "order " << order;
        for (size_t i = 0; i < p.cells.size(); ++i) {
            const Cell& c = p.cells[i];
            const bool timing = c.effect == 0x0F || c.effect == 0x0B || c.effect == 0x0D ||
                                (c.effect == 0x0E && ((c.param >> 4) == 0x6 || (c.param >> 4) == 0xE));
            EXPECT_FALSE(timing) << "order " << order << " row " << i / u16(b, 68) << " effect " << int(c.effect);
        }
    }
}

// Instruments and samples after the patterns account for the file to its last byte.
TEST(SongModule, InstrumentsFillTheRestExactly) {
    const std::vector<uint8_t> b = read_file(SONG);
    std::vector<Pattern> patterns;
    size_t at = 0;
    ASSERT_TRUE(read_patterns(b, patterns, at));
    const unsigned instruments = u16(b, 72);
    EXPECT_GE(instruments, 8u);
    unsigned sixteen = 0, pingpong = 0, enveloped = 0;
    for (unsigned i = 0; i < instruments; ++i) {
        ASSERT_LE(at + 29, b.size());
        const uint32_t size = u32(b, at);
        const unsigned n = u16(b, at + 27);
        ASSERT_LE(n, 16u);
        if (n == 0) {
            at += size;
            continue;
        }
        ASSERT_EQ(size, 263u);
        if (b[at + 233] & 1) ++enveloped;
        size_t h = at + size, data = h + 40 * n;
        ASSERT_LE(data, b.size());
        for (unsigned s = 0; s < n; ++s, h += 40) {
            const uint32_t len = u32(b, h), loopStart = u32(b, h + 4), loopLen = u32(b, h + 8);
            const uint8_t type = b[h + 14];
            if (type & 0x10) {
                ++sixteen;
                EXPECT_EQ(len % 2, 0u);
            }
            if ((type & 3) == 2) ++pingpong;
            if (type & 3) {
                EXPECT_LE(uint64_t(loopStart) + loopLen, len);
            }
            data += len;
        }
        at = data;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_GE(sixteen, 1u);
    EXPECT_GE(pingpong, 1u);
    EXPECT_GE(enveloped, instruments / 2);
}
