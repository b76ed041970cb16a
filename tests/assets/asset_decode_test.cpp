// The committed pictures through our own store and decoder give the pixels Pillow decodes.
// Facts about the pictures themselves are tools/artgen/check.py's to check.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/bitmap.h"
#include "store/fs.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

TEST(AssetStore, PixelsMatchThoseThatPillowDecodes) {
    // Every picture under data/, packed into one blob as the store's packer lays it out.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(VORRU_ASSET_DIR "/data"))
        if (e.path().extension() == ".pcx")
            files.push_back(std::filesystem::relative(e.path(), VORRU_ASSET_DIR).generic_string());
    ASSERT_GE(files.size(), 30u);
    std::vector<uint8_t> blob;
    for (const std::string& file : files) {
        const std::vector<uint8_t> data = read_file(VORRU_ASSET_DIR "/" + file);
        std::string name = file;
        std::replace(name.begin(), name.end(), '/', '\\');
        name.resize(128, '\0');
        blob.insert(blob.end(), name.begin(), name.end());
        for (int shift = 0; shift < 32; shift += 8)
            blob.push_back(uint8_t(data.size() >> shift));
        blob.insert(blob.end(), data.begin(), data.end());
    }
    testing::internal::CaptureStdout(); // the store and the decoder trace every step
    fs_init(blob.data(), uint32_t(blob.size()));
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> ref = read_file(VORRU_PILLOW_DIR "/" + file + ".words");
        std::string name = file;
        std::replace(name.begin(), name.end(), '/', '\\');
        Bitmap b;
        ASSERT_TRUE(b.loadPcx(name.c_str()));
        ASSERT_EQ(ref.size(), size_t(b.width) * size_t(b.height) * 4) << "size or Pillow reference";
        int mismatches = 0;
        for (size_t i = 0; i < ref.size() / 4; ++i)
            mismatches +=
                b.pixels[i] != (uint32_t(ref[4 * i]) | uint32_t(ref[4 * i + 1]) << 8 |
                                uint32_t(ref[4 * i + 2]) << 16 | uint32_t(ref[4 * i + 3]) << 24);
        EXPECT_EQ(mismatches, 0);
    }
    testing::internal::GetCapturedStdout();
}

} // namespace
