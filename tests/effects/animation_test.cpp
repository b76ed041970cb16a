// loadAnimationFrames: slot k holds file k + 1 whatever the store order; a missing file
// leaves an empty bitmap and loading goes on.
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "effects/animation.h"
#include "effects_test_support.h"

using effects_test::make_pcx;
using effects_test::Store;

namespace {

// The store's order: the other files first, then the frames in byte order of their names.
std::vector<vorru_test::BlobEntry> frame_entries(int skip) {
    std::vector<vorru_test::BlobEntry> entries;
    entries.push_back({"data\\font2.pcx", make_pcx(2, 2, {1, 2, 3, 4})});
    for (int n :
         {1, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 2, 20, 21, 22, 23, 24, 3, 4, 5, 6, 7, 8, 9}) {
        if (n == skip)
            continue;
        // Frame n is n pixels wide and coloured n, so each slot tells which file it holds.
        entries.push_back({"data\\kelmo\\" + std::to_string(n) + ".pcx",
                           make_pcx(n, 2, std::vector<uint32_t>(size_t(n) * 2, uint32_t(n)))});
    }
    return entries;
}

} // namespace

TEST(Animation, SlotKHoldsFileKPlusOne) {
    Store store(frame_entries(0));
    const std::string trace = vorru_test::captured_stdout([] { loadAnimationFrames(); });
    for (int k = 0; k < ANIMATION_FRAME_COUNT; ++k) {
        ASSERT_NE(animationFrames[k], nullptr);
        EXPECT_EQ(animationFrames[k]->width, k + 1) << k;
        EXPECT_EQ(animationFrames[k]->height, 2);
        EXPECT_EQ(animationFrames[k]->pixels[0], uint32_t(k + 1));
    }
    EXPECT_EQ(trace.find("couldn't open"), std::string::npos);
    // Files are asked for in slot order.
    EXPECT_LT(trace.find("fileopen: data\\kelmo\\1.pcx found"),
              trace.find("fileopen: data\\kelmo\\2.pcx found"));
    EXPECT_LT(trace.find("fileopen: data\\kelmo\\9.pcx found"),
              trace.find("fileopen: data\\kelmo\\10.pcx found"));
}

TEST(Animation, MissingFileLeavesAnEmptySlotAndLoadingGoesOn) {
    Store store(frame_entries(5));
    const std::string trace = vorru_test::captured_stdout([] { loadAnimationFrames(); });
    EXPECT_NE(trace.find("couldn't open data\\kelmo\\5.pcx!\n"), std::string::npos);
    ASSERT_NE(animationFrames[4], nullptr);
    EXPECT_EQ(animationFrames[4]->width, 0);
    EXPECT_EQ(animationFrames[4]->height, 0);
    EXPECT_EQ(animationFrames[5]->width, 6);
    EXPECT_EQ(animationFrames[23]->width, 24);
    Bitmap dst(4, 4);
    EXPECT_EQ(animationFrames[4]->drawAt(0, 0, dst), 1);
}

TEST(Animation, ProgramFramesAre320By180) {
    std::vector<vorru_test::BlobEntry> entries;
    for (int n = 1; n <= 24; ++n) {
        std::ifstream in(EFFECTS_ASSET_DIR "/data/kelmo/" + std::to_string(n) + ".pcx",
                         std::ios::binary);
        ASSERT_TRUE(in) << n;
        entries.push_back({"data\\kelmo\\" + std::to_string(n) + ".pcx",
                           std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                                std::istreambuf_iterator<char>())});
    }
    Store store(entries);
    const std::string trace = vorru_test::captured_stdout([] { loadAnimationFrames(); });
    EXPECT_EQ(trace.find("couldn't open"), std::string::npos);
    for (int k = 0; k < ANIMATION_FRAME_COUNT; ++k) {
        EXPECT_EQ(animationFrames[k]->width, 320) << k;
        EXPECT_EQ(animationFrames[k]->height, 180) << k;
    }
}
