// The program's own blob as the demo links it: 31 entries in store order, 781988 bytes.

#include "store/blob.h"

#include <string>

#include <gtest/gtest.h>

#include "store/fs.h"
#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;

TEST(ProgramBlob, EntriesFollowTheStoreTable) {
    ASSERT_EQ(vorru_blob_size, 781988u);
    const char* names[31] = {"font2", "owl1", "owl2", "owl3", "tausta", "tex1", "vantoli", "1",
                             "10",    "11",   "12",   "13",   "14",     "15",   "16",      "17",
                             "18",    "19",   "2",    "20",   "21",     "22",   "23",      "24",
                             "3",     "4",    "5",    "6",    "7",      "8",    "9"};
    const uint32_t sizes[31] = {10261, 8171,  12848, 10282, 16427, 71922, 85178, 24652,
                                23221, 22840, 22174, 23168, 23360, 22737, 23640, 22399,
                                21838, 23433, 26593, 22668, 23567, 22242, 21329, 20105,
                                26506, 26914, 25611, 25401, 23516, 22396, 22497};
    uint32_t at = 0;
    for (int i = 0; i < 31; ++i) {
        const std::string name =
            std::string(i < 7 ? "data\\" : "data\\kelmo\\") + names[i] + (i == 6 ? ".xm" : ".pcx");
        ASSERT_LE(at + 132, vorru_blob_size) << name;
        const unsigned char* p = vorru_blob + at;
        EXPECT_EQ(reinterpret_cast<const char*>(p), name);
        EXPECT_EQ(p[128] | p[129] << 8 | p[130] << 16 | uint32_t(p[131]) << 24, sizes[i]) << name;
        at += 132 + sizes[i];
    }
    EXPECT_EQ(at, vorru_blob_size);
    EXPECT_EQ(vorru_blob[132], 10); // the font is a PCX file
    EXPECT_EQ(captured_stdout([] { fs_init(vorru_blob, vorru_blob_size); }),
              "initialized internal fs. size: 781988 bytes\n");
}
