// The blob that vorru_add_blob() packs from files at build time (see this folder's
// CMakeLists.txt for the files): its exact bytes, and the store reading it.

#include "store/blob.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "store/fs.h"
#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;

namespace {

const std::string LONG_TEXT = [] {
    std::string s;
    for (int i = 0; i < 150; ++i)
        s += "ab";
    return s;
}();

} // namespace

TEST(PackedBlob, EntriesAreNameSizeData) {
    const std::vector<vorru_test::BlobEntry> expected = {
        {"data\\first.txt", vorru_test::bytes_of("hello")},
        {"data\\sub\\empty.bin", {}},
        {"data\\sub\\long.txt", vorru_test::bytes_of(LONG_TEXT)},
    };
    const std::vector<uint8_t> want = vorru_test::build_blob(expected);
    ASSERT_EQ(vorru_blob_size, want.size());
    EXPECT_EQ(0, std::memcmp(vorru_blob, want.data(), want.size()));
    // The 300-byte entry's size field, little-endian.
    const unsigned char* size = vorru_blob + 2 * 132 + 5 + 128;
    EXPECT_EQ(size[0], 0x2C);
    EXPECT_EQ(size[1], 0x01);
    EXPECT_EQ(size[2], 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(vorru_blob) % 16, 0u);
}

TEST(PackedBlob, StoreOpensPackedEntries) {
    captured_stdout([] { fs_init(vorru_blob, vorru_blob_size); });
    int h = 0;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("data\\sub\\long.txt"); }),
              "data\\first.txt, 5\ndata\\sub\\empty.bin, 0\ndata\\sub\\long.txt, 300\n"
              "fileopen: data\\sub\\long.txt found\n");
    char buf[400];
    ASSERT_EQ(fs_read(buf, 400, h), 300);
    EXPECT_EQ(std::string(buf, 300), LONG_TEXT);
    captured_stdout([&] { h = fs_open("data\\sub\\empty.bin"); });
    EXPECT_NE(h, 0);
    EXPECT_EQ(fs_read(buf, 1, h), 0);
}
