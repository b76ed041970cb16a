// The program's own blob as the demo links it: 31 entries in store order at the offsets and
// sizes the store table gives, 781988 bytes in all.

#include "store/blob.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/fs.h"
#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;

namespace {

struct Entry {
    std::string name;
    uint32_t offset;
    uint32_t size;
};

std::vector<Entry> walk(const unsigned char* blob, uint32_t size) {
    std::vector<Entry> entries;
    for (uint32_t at = 0; at + 132 <= size;) {
        const unsigned char* p = blob + at + 128;
        const uint32_t n = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        entries.push_back({reinterpret_cast<const char*>(blob + at), at, n});
        at += 132 + n;
    }
    return entries;
}

} // namespace

TEST(ProgramBlob, EntriesFollowTheStoreTable) {
    ASSERT_EQ(vorru_blob_size, 781988u);
    const std::vector<Entry> entries = walk(vorru_blob, vorru_blob_size);
    ASSERT_EQ(entries.size(), 31u);
    const Entry named[] = {
        {"data\\font2.pcx", 0, 10261},       {"data\\owl1.pcx", 10393, 8171},
        {"data\\owl2.pcx", 18696, 12848},    {"data\\owl3.pcx", 31676, 10282},
        {"data\\tausta.pcx", 42090, 16427},  {"data\\tex1.pcx", 58649, 71922},
        {"data\\vantoli.xm", 130703, 85178},
    };
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(entries[i].name, named[i].name);
        EXPECT_EQ(entries[i].offset, named[i].offset) << named[i].name;
        EXPECT_EQ(entries[i].size, named[i].size) << named[i].name;
    }
    const char* frames[] = {"1",  "10", "11", "12", "13", "14", "15", "16", "17", "18", "19", "2",
                            "20", "21", "22", "23", "24", "3",  "4",  "5",  "6",  "7",  "8",  "9"};
    const uint32_t sizes[] = {24652, 23221, 22840, 22174, 23168, 23360, 22737, 23640,
                              22399, 21838, 23433, 26593, 22668, 23567, 22242, 21329,
                              20105, 26506, 26914, 25611, 25401, 23516, 22396, 22497};
    EXPECT_EQ(entries[7].offset, 216013u);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(entries[7 + i].name, std::string("data\\kelmo\\") + frames[i] + ".pcx");
        EXPECT_EQ(entries[7 + i].size, sizes[i]) << frames[i];
    }
}

TEST(ProgramBlob, StoreOpensTheFontFirst) {
    EXPECT_EQ(captured_stdout([] { fs_init(vorru_blob, vorru_blob_size); }),
              "initialized internal fs. size: 781988 bytes\n");
    int h = 0;
    EXPECT_EQ(captured_stdout([&] { h = fs_open("data\\font2.pcx"); }),
              "data\\font2.pcx, 10261\nfileopen: data\\font2.pcx found\n");
    EXPECT_EQ(h, 1);
    unsigned char manufacturer = 0;
    EXPECT_EQ(fs_read(&manufacturer, 1, h), 1);
    EXPECT_EQ(manufacturer, 10);
}
