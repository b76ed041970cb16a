// The PCX decoder where the committed pictures do not take it (they are checked against Pillow):
// three planes, the trace, the two refusals, reloads, and damaged files, which fail cleanly or
// stop inside the work buffer.

#include "gfx/bitmap.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/fs.h"
#include "tests/gfx/pcx_builder.h"
#include "tests/store/blob_builder.h"

using vorru_test::captured_stdout;
using vorru_test::make_pcx;
using vorru_test::palette_word;
using vorru_test::PcxHeader;

namespace {

const char* const NAME = "data\\pic.pcx";
const std::string PALETTED = "color planes: 1 (8 bits per pixel), encoding: RLE\n";
const std::string PLANAR = "color planes: 3 (8 bits per pixel), encoding: RLE\n";
const std::string DECODED = "decoded RLE stream\ndeleted bitmap object\n";

PcxHeader header(int w, int h, int bytesPerLine, int planes = 1, int xmin = 0, int ymin = 0) {
    PcxHeader p;
    p.xmin = xmin;
    p.ymin = ymin;
    p.xmax = xmin + w - 1;
    p.ymax = ymin + h - 1;
    p.bytesPerLine = bytesPerLine;
    p.planes = planes;
    return p;
}

class PcxTest : public testing::Test {
protected:
    void SetUp() override {
        captured_stdout([&] { bitmap.reset(new Bitmap()); });
    }
    void TearDown() override {
        captured_stdout([&] { bitmap.reset(); });
    }

    // Puts `file` in a fresh store as NAME, loads it into `bitmap`, and returns the trace.
    std::string load(const std::vector<uint8_t>& file) {
        blob = vorru_test::build_blob({{NAME, file}});
        captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
        return captured_stdout([&] { result = bitmap->loadPcx(NAME); });
    }

    // The trace of a load of `file` up to and including the header lines.
    static std::string trace_to(const std::vector<uint8_t>& file, const std::string& lines) {
        return "created new bitmap object\n" + std::string(NAME) + ", " +
               std::to_string(file.size()) + "\nfileopen: " + NAME + " found\n" + lines;
    }

    void expect_unchanged_empty() {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(bitmap->width | bitmap->height | bitmap->drawWidth, 0);
        EXPECT_EQ(bitmap->pixels, nullptr);
    }

    std::unique_ptr<Bitmap> bitmap;
    std::vector<uint8_t> blob;
    int result = -1;
};

} // namespace

TEST_F(PcxTest, ThreePlanesFillRedGreenBlueWithoutAPalette) {
    // clang-format off
    const struct { std::vector<uint8_t> data; int h; std::vector<uint32_t> want; } cases[] = {
        // Per line: the red, green and blue plane lines.
        {{0x10, 0x11, 0xC2, 0x20, 0x30, 0x31, 0x40, 0x41, 0x50, 0x51, 0xC2, 0xC5}, 2,
         {0x102030, 0x112031, 0x4050C5, 0x4151C5}},
        // Every plane line of the last row ends in a run longer than the line.
        {{0xFF, 0x11, 0xC5, 0x22, 0xFF, 0x33}, 1, {0x112233, 0x112233}}};
    // clang-format on
    for (const auto& c : cases) {
        const std::vector<uint8_t> file = make_pcx(header(2, c.h, 2, 3), c.data, false);
        EXPECT_EQ(load(file), trace_to(file, "width: 2, h: " + std::to_string(c.h) +
                                                 " => 2 bytes per line\n" + PLANAR + DECODED));
        ASSERT_EQ(result, 1);
        for (size_t i = 0; i < c.want.size(); ++i)
            EXPECT_EQ(bitmap->pixels[i], c.want[i]) << i;
    }
}

TEST_F(PcxTest, RefusesFourPlanesAndMissingNames) {
    const std::vector<uint8_t> file = make_pcx(header(2, 1, 2, 4), {1, 2}, true);
    EXPECT_EQ(load(file), trace_to(file, "width: 2, h: 1 => 2 bytes per line\ncolor planes: 4 "
                                         "(8 bits per pixel), encoding: RLE\n"
                                         "unable to decode this flavor of PCX files\n"));
    expect_unchanged_empty();
    blob = vorru_test::build_blob({{"data\\other.pcx", {1, 2, 3}}});
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    EXPECT_EQ(captured_stdout([&] { result = bitmap->loadPcx("data\\nope.pcx"); }),
              "created new bitmap object\ndata\\other.pcx, 3\nfileopen: no match\ncouldn't open "
              "data\\nope.pcx!\n");
    expect_unchanged_empty();
}

TEST_F(PcxTest, ReloadReplacesPixelsAndDropsAMaskOfAnotherSize) {
    load(make_pcx(header(2, 1, 2), {1, 2}, true));
    ASSERT_EQ(result, 1);
    bitmap->setColorKey(palette_word(1));
    load(make_pcx(header(3, 1, 4), {0xC4, 3}, true));
    ASSERT_EQ(result, 1);
    EXPECT_EQ(bitmap->width, 3);
    EXPECT_EQ(bitmap->mask, nullptr);
    EXPECT_EQ(bitmap->keyed, 0);
    EXPECT_EQ(bitmap->pixels[2], palette_word(3));
}

// Damaged files fail, keep the bitmap as it was, print no "decoded" or "deleted" line, and
// the sanitizer build sees no stray access or leak. Random damage is the corpus replay's job
// (tests/fuzz).
TEST_F(PcxTest, DamagedFilesFailCleanly) {
    // Sizes that fail before decoding.
    const struct {
        PcxHeader h;
        std::string sizeLine;
    } sizes[] = {
        {header(-4, 2, 4, 1, 10), "width: -4, h: 2 => 4 bytes per line\n"},
        {header(4, -1, 4, 1, 0, 3), "width: 4, h: -1 => 4 bytes per line\n"},
        {header(4, 2, 3), "width: 4, h: 2 => 3 bytes per line\n"},
        {header(1, 1, 0), "width: 1, h: 1 => 0 bytes per line\n"},
        {header(65535, 65536, 65535), "width: 65535, h: 65536 => 65535 bytes per line\n"},
    };
    for (const auto& c : sizes) {
        const std::vector<uint8_t> file = make_pcx(c.h, {0xFF, 1, 0xFF, 1}, true);
        EXPECT_EQ(load(file), trace_to(file, c.sizeLine + PALETTED));
        expect_unchanged_empty();
    }
    std::vector<uint8_t> cut = make_pcx(header(2, 1, 2), {}, false);
    cut.resize(100);
    EXPECT_EQ(load(cut),
              "created new bitmap object\ndata\\pic.pcx, 100\nfileopen: data\\pic.pcx found\n");
    expect_unchanged_empty();
    const std::vector<uint8_t> early[] = {
        make_pcx(header(200, 200, 200), {1, 2, 3}, true), // the palette is eaten as data
        make_pcx(header(2000, 2000, 2000), {0xFF, 1}, true),
        make_pcx(header(4, 2, 4, 3), {1, 2, 3, 4, 5, 6, 7, 8, 9}, false),
        make_pcx(header(4, 1, 4, 3), {0xC4, 1, 0xC4, 2, 0xC4}, false), // ends mid-run
        make_pcx(header(2, 1, 2), {1, 2}, false),                      // too short for its palette
    };
    for (const auto& file : early) {
        const std::string trace = load(file);
        EXPECT_EQ(trace.find("decoded RLE stream"), std::string::npos) << trace;
        EXPECT_EQ(trace.find("deleted bitmap object"), std::string::npos) << trace;
        expect_unchanged_empty();
    }
}
