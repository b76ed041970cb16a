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

std::vector<uint8_t> counting_bytes(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 7 + 3);
    return v;
}

class StoreTest : public testing::Test {
protected:
    // Blob with three entries; the last repeats the first one's name with other contents.
    void SetUp() override {
        font = counting_bytes(1000);
        blob = build_blob({{"data\\font2.pcx", font},
                           {"data\\vantoli.xm", bytes_of("XM!")},
                           {"data\\font2.pcx", bytes_of("shadowed")}});
        captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    }
    std::vector<uint8_t> font;
    std::vector<uint8_t> blob;
};

} // namespace

TEST(StoreInit, PrintsSizeAndRestartsHandles) {
    std::vector<uint8_t> blob = build_blob({{"a", bytes_of("1")}});
    EXPECT_EQ(captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); }),
              "initialized internal fs. size: 133 bytes\n");
    captured_stdout([] { fs_open("a"); });
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    int handle = -1;
    captured_stdout([&] { handle = fs_open("a"); });
    EXPECT_EQ(handle, 1);
}

TEST_F(StoreTest, OpenListsEntriesUpToTheMatch) {
    int handle = 0;
    EXPECT_EQ(captured_stdout([&] { handle = fs_open("data\\font2.pcx"); }),
              "data\\font2.pcx, 1000\nfileopen: data\\font2.pcx found\n");
    EXPECT_EQ(handle, 1);
    EXPECT_EQ(captured_stdout([&] { handle = fs_open("data\\vantoli.xm"); }),
              "data\\font2.pcx, 1000\ndata\\vantoli.xm, 3\nfileopen: data\\vantoli.xm found\n");
    EXPECT_EQ(handle, 2);
}

TEST_F(StoreTest, FirstMatchWins) {
    int handle = 0;
    captured_stdout([&] { handle = fs_open("data\\font2.pcx"); });
    EXPECT_EQ(fs_tell(handle), 0);
    unsigned char b[2];
    EXPECT_EQ(fs_read(b, 2, handle), 2);
    EXPECT_EQ(0, std::memcmp(b, font.data(), 2));
}

TEST_F(StoreTest, NamesCompareExactly) {
    const char* near_misses[] = {
        "DATA\\FONT2.PCX",   "data/font2.pcx", "data\\font2", "data\\font2.pcx ", "",
        "data\\vantoli.xm\\"};
    const std::string listing = "data\\font2.pcx, 1000\ndata\\vantoli.xm, 3\n"
                                "data\\font2.pcx, 8\nfileopen: no match\n";
    for (const char* name : near_misses) {
        int handle = -1;
        EXPECT_EQ(captured_stdout([&] { handle = fs_open(name); }), listing) << name;
        EXPECT_EQ(handle, 0) << name;
    }
    int handle = -1;
    EXPECT_EQ(captured_stdout([&] { handle = fs_open(nullptr); }), "fileopen: no match\n");
    EXPECT_EQ(handle, 0);
}

TEST_F(StoreTest, ReadsStopAtTheEnd) {
    int h = 0;
    captured_stdout([&] { h = fs_open("data\\font2.pcx"); });
    std::vector<uint8_t> buf(1010, 0xEE);
    EXPECT_EQ(fs_read(buf.data(), 1010, h), 1000);
    EXPECT_TRUE(std::equal(font.begin(), font.end(), buf.begin()));
    EXPECT_EQ(buf[1000], 0xEE); // nothing written past the count copied
    EXPECT_EQ(fs_tell(h), 1000);
    EXPECT_EQ(fs_read(buf.data(), 10, h), 0);
    EXPECT_EQ(fs_tell(h), 1000);
}

TEST_F(StoreTest, ZeroAndNegativeCountsCopyNothing) {
    int h = 0;
    captured_stdout([&] { h = fs_open("data\\font2.pcx"); });
    unsigned char b = 0xEE;
    EXPECT_EQ(fs_read(&b, 0, h), 0);
    EXPECT_EQ(fs_read(&b, -5, h), 0);
    EXPECT_EQ(fs_read(nullptr, 5, h), 0);
    EXPECT_EQ(b, 0xEE);
    EXPECT_EQ(fs_tell(h), 0);
}

TEST_F(StoreTest, SeekOrigins) {
    int h = 0;
    captured_stdout([&] { h = fs_open("data\\font2.pcx"); });
    fs_seek(h, 100, 0);
    EXPECT_EQ(fs_tell(h), 100);
    fs_seek(h, 28, 1);
    EXPECT_EQ(fs_tell(h), 128);
    fs_seek(h, -768, 2);
    EXPECT_EQ(fs_tell(h), 1000 - 768);
    std::vector<uint8_t> tail(768);
    EXPECT_EQ(fs_read(tail.data(), 768, h), 768);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), font.end() - 768));
    fs_seek(h, 128, 0);
    unsigned char b;
    EXPECT_EQ(fs_read(&b, 1, h), 1);
    EXPECT_EQ(b, font[128]);

    // Only the low byte of the origin counts; anything but 0..2 leaves the position alone.
    fs_seek(h, 5, 3);
    EXPECT_EQ(fs_tell(h), 129);
    fs_seek(h, 5, -1);
    EXPECT_EQ(fs_tell(h), 129);
    fs_seek(h, 5, 0x103);
    EXPECT_EQ(fs_tell(h), 129);
    fs_seek(h, 5, 0x100);
    EXPECT_EQ(fs_tell(h), 5);
    fs_seek(h, -1, 0x202);
    EXPECT_EQ(fs_tell(h), 999);
}

TEST_F(StoreTest, PositionsOutsideTheFileReadNothing) {
    int h = 0;
    captured_stdout([&] { h = fs_open("data\\font2.pcx"); });
    unsigned char b[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    fs_seek(h, -10, 1);
    EXPECT_EQ(fs_tell(h), -10);
    EXPECT_EQ(fs_read(b, 4, h), 0);
    EXPECT_EQ(fs_tell(h), -10);
    fs_seek(h, 50, 2);
    EXPECT_EQ(fs_tell(h), 1050);
    EXPECT_EQ(fs_read(b, 4, h), 0);
    EXPECT_EQ(fs_tell(h), 1050);
    EXPECT_EQ(b[0], 0xEE);
    // The position wraps like a 32-bit word rather than overflowing.
    fs_seek(h, INT32_MAX, 0);
    fs_seek(h, 1, 1);
    EXPECT_EQ(fs_tell(h), INT32_MIN);
    EXPECT_EQ(fs_read(b, 4, h), 0);
}

TEST_F(StoreTest, TwoHandlesOnOneFileKeepTheirOwnPositions) {
    int a = 0, b = 0;
    captured_stdout([&] {
        a = fs_open("data\\font2.pcx");
        b = fs_open("data\\font2.pcx");
    });
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    unsigned char buf[10];
    EXPECT_EQ(fs_read(buf, 10, a), 10);
    fs_seek(b, 500, 0);
    EXPECT_EQ(fs_tell(a), 10);
    EXPECT_EQ(fs_tell(b), 500);
    EXPECT_EQ(fs_read(buf, 1, b), 1);
    EXPECT_EQ(buf[0], font[500]);
    fs_close(a);
    fs_close(b);
    EXPECT_EQ(fs_tell(a), 10); // closing frees nothing
}

TEST_F(StoreTest, UnknownHandlesAreIgnored) {
    int h = 0;
    captured_stdout([&] { h = fs_open("data\\vantoli.xm"); });
    unsigned char b = 0xEE;
    for (int bad : {0, -1, h + 1, FS_MAX_STREAMS, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(fs_read(&b, 1, bad), 0) << bad;
        fs_seek(bad, 3, 0);
        EXPECT_EQ(fs_tell(bad), 0) << bad;
        fs_close(bad);
    }
    EXPECT_EQ(b, 0xEE);
    EXPECT_EQ(fs_tell(h), 0);
}

TEST_F(StoreTest, OpensBeyondTheTableFailWithHandleZero) {
    int last = 0;
    captured_stdout([&] {
        for (int i = 1; i < FS_MAX_STREAMS; ++i)
            last = fs_open("data\\vantoli.xm");
    });
    EXPECT_EQ(last, FS_MAX_STREAMS - 1);
    int extra = -1;
    captured_stdout([&] { extra = fs_open("data\\vantoli.xm"); });
    EXPECT_EQ(extra, 0);
    unsigned char b[3];
    EXPECT_EQ(fs_read(b, 3, last), 3);
    EXPECT_EQ(0, std::memcmp(b, "XM!", 3));
}

TEST_F(StoreTest, CallbackTupleIsOpenCloseReadSeekTell) {
    const FileCallbacks cb = fs_file_callbacks();
    int h = 0;
    captured_stdout([&] { h = cb.open("data\\vantoli.xm"); });
    ASSERT_EQ(h, 1);
    cb.seek(h, 1, 0);
    char b[2];
    EXPECT_EQ(cb.read(b, 2, h), 2);
    EXPECT_EQ(cb.tell(h), 3);
    EXPECT_EQ(std::string(b, 2), "M!");
    cb.close(h);
}

TEST(StoreDamage, EmptyStoreMatchesNothing) {
    EXPECT_EQ(captured_stdout([] { fs_init(nullptr, 0); }),
              "initialized internal fs. size: 0 bytes\n");
    int h = -1;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("data\\font2.pcx"); }), "fileopen: no match\n");
    EXPECT_EQ(h, 0);
}

TEST(StoreDamage, EntryHeaderCutShortEndsTheWalk) {
    std::vector<uint8_t> blob = build_blob({{"a", bytes_of("xy")}});
    blob.resize(blob.size() + 100, 'b'); // the start of an entry without its size field
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    int h = -1;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("b"); }), "a, 2\nfileopen: no match\n");
    EXPECT_EQ(h, 0);
}

TEST(StoreDamage, SizePastTheBlobIsCutToTheBlob) {
    std::vector<uint8_t> blob = build_blob({{"a", bytes_of("0123456789")}});
    blob[128] = 0xE8; // size 1000, but only 10 bytes follow
    blob[129] = 0x03;
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    int h = 0;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("a"); }), "a, 1000\nfileopen: a found\n");
    std::vector<uint8_t> buf(1000);
    EXPECT_EQ(fs_read(buf.data(), 1000, h), 10);
    fs_seek(h, -3, 2);
    EXPECT_EQ(fs_tell(h), 7);
}

TEST(StoreDamage, HugeSizeDoesNotWrapTheWalk) {
    std::vector<uint8_t> blob = build_blob({{"a", bytes_of("x")}, {"b", bytes_of("y")}});
    for (int i = 0; i < 4; ++i)
        blob[128 + i] = 0xFF; // 0xFFFFFFFF + 132 wraps to 131 in 32 bits
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    int h = -1;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("b"); }), "a, -1\nfileopen: no match\n");
    EXPECT_EQ(h, 0);
}

TEST(StoreDamage, NameWithoutTerminatorNeverMatches) {
    const std::string longName(128, 'n');
    std::vector<uint8_t> blob = build_blob({{longName, bytes_of("x")}});
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    int h = -1;
    EXPECT_EQ(captured_stdout([&] { h = fs_open((longName + "x").c_str()); }),
              longName + ", 1\nfileopen: no match\n");
    EXPECT_EQ(h, 0);
}
