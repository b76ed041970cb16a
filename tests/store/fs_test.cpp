// The embedded store: lookup and its trace, reads, seeks with every origin, handles, and
// blobs or arguments that would lead outside the blob or the stream table.

#include "store/fs.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/store/blob_builder.h"

using vorru_test::build_blob;
using vorru_test::bytes_of;
using vorru_test::captured_stdout;

namespace {

const char* const FONT = "data\\font2.pcx";
const char* const XM = "data\\vantoli.xm";
std::string trace; // of the last open()

void init(const std::vector<uint8_t>& blob) {
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
}

int open(const char* name) {
    int h = -1;
    trace = captured_stdout([&] { h = fs_open(name); });
    return h;
}

// Three entries; the last repeats the first one's name with other contents.
class StoreTest : public testing::Test {
protected:
    void SetUp() override {
        for (size_t i = 0; i < font.size(); ++i)
            font[i] = uint8_t(i * 7 + 3);
        blob = build_blob({{FONT, font}, {XM, bytes_of("XM!")}, {FONT, bytes_of("shadowed")}});
        init(blob);
    }
    std::vector<uint8_t> font = std::vector<uint8_t>(1000), blob;
};

} // namespace

TEST_F(StoreTest, ReadsStopAtTheEndAndIgnoreEmptyCounts) {
    const int h = open(FONT);
    std::vector<uint8_t> buf(1010, 0xEE);
    EXPECT_EQ(fs_read(buf.data(), 0, h) + fs_read(buf.data(), -5, h) + fs_read(nullptr, 5, h), 0);
    EXPECT_EQ(fs_tell(h), 0);
    EXPECT_EQ(fs_read(buf.data(), 1010, h), 1000);
    EXPECT_TRUE(std::equal(font.begin(), font.end(), buf.begin()));
    EXPECT_EQ(buf[1000], 0xEE); // nothing written past the count copied
    EXPECT_EQ(fs_read(buf.data(), 10, h), 0);
    EXPECT_EQ(fs_tell(h), 1000);
}

TEST_F(StoreTest, SeekOriginsAndPositionsOutsideTheFile) {
    const int h = open(FONT);
    // In order; only the origin's low byte counts, other values leave the position alone,
    // and the position wraps like a 32-bit word.
    // clang-format off
    const struct { int32_t offset; int origin; int32_t tell; } steps[] = {
        {100, 0, 100}, {28, 1, 128}, {-768, 2, 232}, {5, 3, 232}, {5, -1, 232}, {5, 0x103, 232},
        {5, 0x100, 5}, {-1, 0x202, 999}, {-10, 0, -10}, {50, 2, 1050}, {INT32_MAX, 0, INT32_MAX},
        {1, 1, INT32_MIN}};
    // clang-format on
    for (const auto& s : steps) {
        fs_seek(h, s.offset, s.origin);
        EXPECT_EQ(fs_tell(h), s.tell) << s.offset << " from " << s.origin;
        unsigned char b = 0xEE;
        const bool inside = s.tell >= 0 && s.tell < 1000;
        EXPECT_EQ(fs_read(&b, 1, h), inside ? 1 : 0) << s.tell;
        EXPECT_EQ(b, inside ? font[size_t(s.tell)] : 0xEE) << s.tell;
        fs_seek(h, s.tell, 0); // undo the read's advance
    }
}

TEST_F(StoreTest, TwoHandlesOnOneFileKeepTheirOwnPositions) {
    const FileCallbacks cb = fs_file_callbacks(); // open, close, read, seek, tell
    const int a = open(FONT);
    int b = 0;
    captured_stdout([&] { b = cb.open(FONT); });
    ASSERT_EQ(a * 10 + b, 12);
    unsigned char buf[10];
    EXPECT_EQ(fs_read(buf, 10, a), 10);
    cb.seek(b, 500, 0);
    EXPECT_EQ(cb.read(buf, 1, b), 1);
    EXPECT_EQ(buf[0], font[500]);
    EXPECT_EQ(cb.tell(b), 501);
    cb.close(a);
    EXPECT_EQ(fs_tell(a), 10); // closing frees nothing
}

TEST_F(StoreTest, UnknownHandlesAndAFullTableAreHarmless) {
    const int h = open(XM);
    unsigned char b[3] = {0xEE};
    for (int bad : {0, -1, h + 1, FS_MAX_STREAMS, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(fs_read(b, 1, bad), 0) << bad;
        fs_seek(bad, 3, 0);
        EXPECT_EQ(fs_tell(bad), 0) << bad;
        fs_close(bad);
    }
    EXPECT_EQ(b[0], 0xEE);
    for (int i = 2; i < FS_MAX_STREAMS; ++i)
        EXPECT_EQ(open(XM), i);
    EXPECT_EQ(open(XM), 0);
    EXPECT_EQ(fs_read(b, 3, FS_MAX_STREAMS - 1), 3);
    EXPECT_EQ(0, std::memcmp(b, "XM!", 3));
}

TEST(StoreDamage, WalkStopsInsideTheBlobAndInitRestarts) {
    const std::string longName(128, 'n');
    std::vector<uint8_t> cut = build_blob({{"a", bytes_of("xy")}});
    cut.resize(cut.size() + 100, 'b'); // an entry header without its size field
    std::vector<uint8_t> huge = build_blob({{"a", bytes_of("x")}, {"b", bytes_of("y")}});
    std::memset(&huge[128], 0xFF, 4); // 0xFFFFFFFF + 132 would wrap to 131
    const struct {
        std::vector<uint8_t> blob;
        std::string name, trace;
    } cases[] = {{{}, "a", "fileopen: no match\n"},
                 {cut, "b", "a, 2\nfileopen: no match\n"},
                 {huge, "b", "a, -1\nfileopen: no match\n"},
                 {build_blob({{longName, bytes_of("x")}}), longName + "x",
                  longName + ", 1\nfileopen: no match\n"}};
    for (const auto& c : cases) {
        init(c.blob);
        EXPECT_EQ(open(c.name.c_str()), 0) << c.trace;
        EXPECT_EQ(trace, c.trace);
    }
    EXPECT_EQ(captured_stdout([] { fs_init(nullptr, 0); }),
              "initialized internal fs. size: 0 bytes\n");
    EXPECT_EQ(open("a"), 0);
    EXPECT_EQ(captured_stdout([&] { fs_init(cut.data(), uint32_t(cut.size())); }),
              "initialized internal fs. size: 234 bytes\n");
    EXPECT_EQ(open("a"), 1); // handles restart at every init

    std::vector<uint8_t> blob = build_blob({{"a", bytes_of("0123456789")}});
    blob[128] = 0xE8; // size 1000, but only 10 bytes follow: cut to the blob
    blob[129] = 0x03;
    init(blob);
    const int h = open("a");
    EXPECT_EQ(trace, "a, 1000\nfileopen: a found\n");
    std::vector<uint8_t> buf(1000);
    EXPECT_EQ(fs_read(buf.data(), 1000, h), 10);
    fs_seek(h, -3, 2);
    EXPECT_EQ(fs_tell(h), 7);
}
