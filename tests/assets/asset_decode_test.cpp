// The committed pictures through our own decoder: each loads from an in-memory store at its
// listed byte size and picture size, gives the same pixels as Pillow, and the font strip, the
// owls and the texture have the properties the scenes rely on.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx/bitmap.h"
#include "store/fs.h"

namespace {

struct Asset {
    const char* file;   // under assets/
    int32_t size;       // bytes
    int32_t width;
    int32_t height;
};

// In the store's order; the frames follow the byte order of their names.
const Asset ASSETS[] = {
    {"data/font2.pcx", 10261, 740, 23},      {"data/owl1.pcx", 8171, 156, 180},
    {"data/owl2.pcx", 12848, 166, 168},      {"data/owl3.pcx", 10282, 133, 194},
    {"data/tausta.pcx", 16427, 320, 200},    {"data/tex1.pcx", 71922, 256, 256},
    {"data/kelmo/1.pcx", 24652, 320, 180},   {"data/kelmo/10.pcx", 23221, 320, 180},
    {"data/kelmo/11.pcx", 22840, 320, 180},  {"data/kelmo/12.pcx", 22174, 320, 180},
    {"data/kelmo/13.pcx", 23168, 320, 180},  {"data/kelmo/14.pcx", 23360, 320, 180},
    {"data/kelmo/15.pcx", 22737, 320, 180},  {"data/kelmo/16.pcx", 23640, 320, 180},
    {"data/kelmo/17.pcx", 22399, 320, 180},  {"data/kelmo/18.pcx", 21838, 320, 180},
    {"data/kelmo/19.pcx", 23433, 320, 180},  {"data/kelmo/2.pcx", 26593, 320, 180},
    {"data/kelmo/20.pcx", 22668, 320, 180},  {"data/kelmo/21.pcx", 23567, 320, 180},
    {"data/kelmo/22.pcx", 22242, 320, 180},  {"data/kelmo/23.pcx", 21329, 320, 180},
    {"data/kelmo/24.pcx", 20105, 320, 180},  {"data/kelmo/3.pcx", 26506, 320, 180},
    {"data/kelmo/4.pcx", 26914, 320, 180},   {"data/kelmo/5.pcx", 25611, 320, 180},
    {"data/kelmo/6.pcx", 25401, 320, 180},   {"data/kelmo/7.pcx", 23516, 320, 180},
    {"data/kelmo/8.pcx", 22396, 320, 180},   {"data/kelmo/9.pcx", 22497, 320, 180},
};

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string store_name(const char* file) {
    std::string name = file;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

// One store blob of every picture, as the packer lays it out; kept alive for all tests.
class AssetStore : public testing::Test {
protected:
    static void SetUpTestSuite() {
        blob_ = new std::vector<uint8_t>();
        for (const Asset& a : ASSETS) {
            std::vector<uint8_t> data = read_file(std::string(VORRU_ASSET_DIR "/") + a.file);
            std::vector<uint8_t> name(128, 0);
            std::string n = store_name(a.file);
            std::copy(n.begin(), n.end(), name.begin());
            blob_->insert(blob_->end(), name.begin(), name.end());
            for (int shift = 0; shift < 32; shift += 8)
                blob_->push_back(uint8_t(data.size() >> shift));
            blob_->insert(blob_->end(), data.begin(), data.end());
        }
    }
    static void TearDownTestSuite() {
        delete blob_;
        blob_ = nullptr;
    }
    void SetUp() override {
        quietly([] { fs_init(blob_->data(), uint32_t(blob_->size())); });
    }

    // The store and the decoder trace every step on stdout; keep that out of the test log.
    template <typename F> static void quietly(F&& f) {
        std::fflush(stdout);
        testing::internal::CaptureStdout();
        f();
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();
    }

    // The picture decoded by our decoder; null when the load failed.
    static std::unique_ptr<Bitmap> load(const char* file) {
        std::unique_ptr<Bitmap> bitmap;
        quietly([&] {
            bitmap = std::make_unique<Bitmap>();
            if (!bitmap->loadPcx(store_name(file).c_str()))
                bitmap.reset();
        });
        return bitmap;
    }

    static std::vector<uint8_t>* blob_;
};
std::vector<uint8_t>* AssetStore::blob_ = nullptr;

TEST_F(AssetStore, EveryPictureHasItsListedByteSizeAndDecodesToItsSize) {
    int32_t total = 0;
    for (const Asset& a : ASSETS) {
        SCOPED_TRACE(a.file);
        int handle = 0;
        quietly([&] { handle = fs_open(store_name(a.file).c_str()); });
        ASSERT_NE(handle, 0);
        fs_seek(handle, 0, 2);
        EXPECT_EQ(fs_tell(handle), a.size);
        total += a.size + 132;
        std::unique_ptr<Bitmap> b = load(a.file);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->width, a.width);
        EXPECT_EQ(b->height, a.height);
        EXPECT_EQ(b->drawWidth, a.width);
        EXPECT_EQ(b->drawHeight, a.height);
    }
    // with the 85178-byte song and its 132-byte entry head, the store is 781988 bytes
    EXPECT_EQ(total + 85178 + 132, 781988);
}

TEST_F(AssetStore, PixelsMatchThoseThatPillowDecodes) {
    for (const Asset& a : ASSETS) {
        SCOPED_TRACE(a.file);
        std::vector<uint8_t> ref = read_file(std::string(VORRU_PILLOW_DIR "/") + a.file + ".words");
        ASSERT_EQ(ref.size(), size_t(a.width) * size_t(a.height) * 4) << "no Pillow reference";
        std::unique_ptr<Bitmap> b = load(a.file);
        ASSERT_NE(b, nullptr);
        int mismatches = 0;
        for (size_t i = 0; i < size_t(a.width) * size_t(a.height); ++i) {
            uint32_t want = uint32_t(ref[4 * i]) | uint32_t(ref[4 * i + 1]) << 8 |
                            uint32_t(ref[4 * i + 2]) << 16 | uint32_t(ref[4 * i + 3]) << 24;
            mismatches += b->pixels[i] != want;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// The font loader's cut: a column is empty when every pixel word in it is 0; the strip's last
// column never belongs to a glyph.
std::vector<int> glyph_widths(const Bitmap& strip, int wanted) {
    std::vector<int> widths;
    int c = 0;
    auto empty = [&](int col) {
        for (int r = 0; r < strip.height; ++r)
            if (strip.pixels[r * strip.width + col] != 0)
                return false;
        return true;
    };
    while (int(widths.size()) < wanted && c < strip.width) {
        int start = -1;
        while (c < strip.width) {
            int col = c++;
            bool blank = empty(col);
            if (start < 0) {
                if (!blank)
                    start = col;
                if (start >= 0 && col == strip.width - 1)
                    break;
                continue;
            }
            if (blank || col == strip.width - 1) {
                widths.push_back(col - start);
                break;
            }
        }
    }
    return widths;
}

TEST_F(AssetStore, FontStripCutsIntoFiftyTwoGlyphsOfTheLayoutWidths) {
    std::unique_ptr<Bitmap> strip = load("data/font2.pcx");
    ASSERT_NE(strip, nullptr);
    std::vector<int> w = glyph_widths(*strip, 60);
    ASSERT_EQ(w.size(), 52u);
    // character list: a..z with w before v, 0xE4, 0xF6, then "1234567890,.()?!-'[]=+;:"
    EXPECT_EQ(w[0], 12);   // a
    EXPECT_EQ(w[1], 12);   // b
    EXPECT_EQ(w[8], 6);    // i
    EXPECT_EQ(w[12], 18);  // m
    EXPECT_EQ(w[21], 19);  // w
    EXPECT_EQ(w[39], 3);   // .
    EXPECT_EQ(w[51], 3);   // : keeps 3 of its 4 ink columns
    int sum = 0;
    for (int x : w) {
        EXPECT_GE(x, 3);
        EXPECT_LE(x, 19);
        sum += x;
    }
    // captions are centred at 10 pixels per character
    EXPECT_NEAR(sum / 52.0, 10.0, 1.0);
    // ':' is the last ink: four columns ending on the strip's last one
    auto inked = [&](int col) {
        for (int r = 0; r < strip->height; ++r)
            if (strip->pixels[r * strip->width + col] != 0)
                return true;
        return false;
    };
    const int last = strip->width - 1;
    EXPECT_TRUE(inked(last) && inked(last - 1) && inked(last - 2) && inked(last - 3));
    EXPECT_FALSE(inked(last - 4));
}

TEST_F(AssetStore, OwlsKeyOutOnlyTheirBackground) {
    for (const char* file : {"data/owl1.pcx", "data/owl2.pcx", "data/owl3.pcx"}) {
        SCOPED_TRACE(file);
        std::unique_ptr<Bitmap> owl = load(file);
        ASSERT_NE(owl, nullptr);
        const int w = owl->width, h = owl->height;
        owl->setColorKey(owl->pixels[0] & 0x00FFFFFF);
        ASSERT_NE(owl->mask, nullptr);
        // every transparent pixel is reachable from the edge through transparent pixels
        std::vector<uint8_t> outside(size_t(w) * h, 0);
        std::vector<int> stack;
        for (int i = 0; i < w * h; ++i) {
            int x = i % w, y = i / w;
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && owl->mask[i])
                stack.push_back(i);
        }
        while (!stack.empty()) {
            int i = stack.back();
            stack.pop_back();
            if (outside[i] || !owl->mask[i])
                continue;
            outside[i] = 1;
            int x = i % w, y = i / w;
            if (x > 0) stack.push_back(i - 1);
            if (x < w - 1) stack.push_back(i + 1);
            if (y > 0) stack.push_back(i - w);
            if (y < h - 1) stack.push_back(i + w);
        }
        int transparent = 0, shutIn = 0;
        for (int i = 0; i < w * h; ++i) {
            transparent += owl->mask[i] != 0;
            shutIn += owl->mask[i] != 0 && !outside[i];
        }
        EXPECT_EQ(shutIn, 0);
        EXPECT_GT(transparent, w * h / 10);
        EXPECT_LT(transparent, w * h * 7 / 10);
    }
}

TEST_F(AssetStore, TextureWrapsWithoutASeam) {
    std::unique_ptr<Bitmap> tex = load("data/tex1.pcx");
    ASSERT_NE(tex, nullptr);
    auto step = [&](int x0, int y0, int x1, int y1) {
        uint32_t a = tex->pixels[(y0 & 255) * 256 + (x0 & 255)];
        uint32_t b = tex->pixels[(y1 & 255) * 256 + (x1 & 255)];
        int d = 0;
        for (int s = 0; s < 24; s += 8)
            d += std::abs(int(a >> s & 255) - int(b >> s & 255));
        return d;
    };
    double inner = 0, seam = 0;
    for (int i = 0; i < 256; ++i) {
        seam += step(255, i, 256, i) + step(i, 255, i, 256);
        for (int j = 0; j < 255; ++j)
            inner += step(j, i, j + 1, i) + step(i, j, i, j + 1);
    }
    seam /= 512;
    inner /= 2 * 256 * 255;
    EXPECT_LE(seam, 1.5 * inner);
}

} // namespace
