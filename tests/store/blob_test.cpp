// The blob vorru_add_blob() packs at build time from the files this folder's CMakeLists.txt
// writes: its exact bytes, and the store reading it.

#include "store/blob.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "store/fs.h"
#include "tests/store/blob_builder.h"

using vorru_test::bytes_of;
using vorru_test::captured_stdout;

TEST(PackedBlob, EntriesAreNameSizeDataAndTheStoreReadsThem) {
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "ab";
    const std::vector<uint8_t> want =
        vorru_test::build_blob({{"data\\first.txt", bytes_of("hello")},
                                {"data\\sub\\empty.bin", {}},
                                {"data\\sub\\long.txt", bytes_of(text)}});
    ASSERT_EQ(vorru_blob_size, want.size());
    EXPECT_EQ(0, std::memcmp(vorru_blob, want.data(), want.size()));
    EXPECT_EQ(0, std::memcmp(vorru_blob + 2 * 132 + 5 + 128, "\x2C\x01\0\0", 4)); // 300, LE
    EXPECT_EQ(reinterpret_cast<uintptr_t>(vorru_blob) % 16, 0u);

    captured_stdout([] { fs_init(vorru_blob, vorru_blob_size); });
    int h = 0;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("data\\sub\\long.txt"); }),
              "data\\first.txt, 5\ndata\\sub\\empty.bin, 0\ndata\\sub\\long.txt, 300\n"
              "fileopen: data\\sub\\long.txt found\n");
    char buf[400];
    ASSERT_EQ(fs_read(buf, 400, h), 300);
    EXPECT_EQ(std::string(buf, 300), text);
}
