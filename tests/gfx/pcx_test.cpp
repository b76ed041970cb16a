// The PCX decoder: both flavours, run-length edge cases, padding columns, the trace, the two
// refusals (missing entry, plane count), and damaged files, which fail cleanly or stop
// inside the work buffer.

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

    // The trace of a load that got as far as the header lines.
    static std::string trace_to_header(size_t fileSize, const std::string& sizeLine,
                                       const std::string& planeLine) {
        return "created new bitmap object\n" + std::string(NAME) + ", " + std::to_string(fileSize) +
               "\nfileopen: " + NAME + " found\n" + sizeLine + planeLine;
    }

    void expect_unchanged_empty() {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(bitmap->width, 0);
        EXPECT_EQ(bitmap->height, 0);
        EXPECT_EQ(bitmap->drawWidth, 0);
        EXPECT_EQ(bitmap->pixels, nullptr);
    }

    uint32_t px(int c, int r) const { return bitmap->pixels[r * bitmap->width + c]; }

    std::unique_ptr<Bitmap> bitmap;
    std::vector<uint8_t> blob;
    int result = -1;
};

PcxHeader paletted(int w, int h, int bytesPerLine) {
    PcxHeader p;
    p.xmax = w - 1;
    p.ymax = h - 1;
    p.bytesPerLine = bytesPerLine;
    return p;
}

PcxHeader planar(int w, int h, int bytesPerLine) {
    PcxHeader p = paletted(w, h, bytesPerLine);
    p.planes = 3;
    p.bitsPerPixel = 8;
    return p;
}

} // namespace

TEST_F(PcxTest, PalettedPictureAndItsTrace) {
    // 4x2: a run of 3 crossing nothing, a literal, then a run across the line end.
    PcxHeader h = paletted(4, 2, 4);
    h.xmin = 10; // only the difference counts
    h.xmax = 13;
    const std::vector<uint8_t> file = make_pcx(h, {0xC3, 5, 9, 0xC2, 0xC1, 7, 8}, true);
    bitmap->x = -3;
    bitmap->y = 4;
    bitmap->fadeLevel = 99;
    const std::string trace = load(file);
    EXPECT_EQ(trace, trace_to_header(file.size(), "width: 4, h: 2 => 4 bytes per line\n",
                                     "color planes: 1 (8 bits per pixel), encoding: RLE\n") +
                         "decoded RLE stream\ndeleted bitmap object\n");
    ASSERT_EQ(result, 1);
    EXPECT_EQ(bitmap->width, 4);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(bitmap->drawWidth, 4);
    EXPECT_EQ(bitmap->drawHeight, 2);
    EXPECT_EQ(bitmap->x, -3);
    EXPECT_EQ(bitmap->y, 4);
    EXPECT_EQ(bitmap->fadeLevel, 99);
    const int want[8] = {5, 5, 5, 9, 0xC1, 0xC1, 7, 8};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bitmap->pixels[i], palette_word(want[i])) << i;
}

TEST_F(PcxTest, CodeC0IsALiteralAndFFMakesSixtyThree) {
    const std::vector<uint8_t> file = make_pcx(paletted(65, 1, 66), {0xC0, 0xFF, 7, 0xC2, 1}, true);
    load(file);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(px(0, 0), palette_word(192));
    for (int c = 1; c <= 63; ++c)
        EXPECT_EQ(px(c, 0), palette_word(7)) << c;
    EXPECT_EQ(px(64, 0), palette_word(1));
}

TEST_F(PcxTest, PaddingColumnIsDropped) {
    // 3 wide with 4 bytes per line: the fourth value of each line is padding.
    const std::vector<uint8_t> file =
        make_pcx(paletted(3, 2, 4), {1, 2, 3, 0x0E, 4, 5, 6, 0x0E}, true);
    const std::string trace = load(file);
    ASSERT_EQ(result, 1);
    EXPECT_NE(trace.find("width: 3, h: 2 => 4 bytes per line\n"), std::string::npos);
    EXPECT_EQ(bitmap->width, 3);
    const int want[6] = {1, 2, 3, 4, 5, 6};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bitmap->pixels[i], palette_word(want[i])) << i;
}

TEST_F(PcxTest, HeaderBitsAndEncodingAreLoggedOnly) {
    PcxHeader h = paletted(2, 1, 2);
    h.bitsPerPixel = 4;
    h.encoding = 0;
    const std::vector<uint8_t> file = make_pcx(h, {0xC2, 200}, true);
    const std::string trace = load(file);
    ASSERT_EQ(result, 1);
    EXPECT_NE(trace.find("color planes: 1 (4 bits per pixel), encoding: none\n"),
              std::string::npos);
    EXPECT_EQ(px(0, 0), palette_word(200));
    EXPECT_EQ(px(1, 0), palette_word(200));
}

TEST_F(PcxTest, ThreePlanesFillRedGreenBlueWithoutAPalette) {
    // 2x2, per line red then green then blue plane lines; no palette in the file.
    const std::vector<uint8_t> file = make_pcx(planar(2, 2, 2),
                                               {0x10, 0x11, 0xC2, 0x20, 0x30, 0x31,  // line 0
                                                0x40, 0x41, 0x50, 0x51, 0xC2, 0xC5}, // line 1
                                               false);
    const std::string trace = load(file);
    EXPECT_EQ(trace, trace_to_header(file.size(), "width: 2, h: 2 => 2 bytes per line\n",
                                     "color planes: 3 (8 bits per pixel), encoding: RLE\n") +
                         "decoded RLE stream\ndeleted bitmap object\n");
    ASSERT_EQ(result, 1);
    EXPECT_EQ(px(0, 0), 0x102030u);
    EXPECT_EQ(px(1, 0), 0x112031u);
    EXPECT_EQ(px(0, 1), 0x4050C5u);
    EXPECT_EQ(px(1, 1), 0x4151C5u);
}

TEST_F(PcxTest, FourPlanesAreRefused) {
    PcxHeader h = paletted(2, 1, 2);
    h.planes = 4;
    const std::vector<uint8_t> file = make_pcx(h, {1, 2}, true);
    const std::string trace = load(file);
    EXPECT_EQ(trace, trace_to_header(file.size(), "width: 2, h: 1 => 2 bytes per line\n",
                                     "color planes: 4 (8 bits per pixel), encoding: RLE\n") +
                         "unable to decode this flavor of PCX files\n");
    expect_unchanged_empty();
}

TEST_F(PcxTest, MissingNameIsReported) {
    blob = vorru_test::build_blob({{"data\\other.pcx", {1, 2, 3}}});
    captured_stdout([&] { fs_init(blob.data(), uint32_t(blob.size())); });
    const std::string trace = captured_stdout([&] { result = bitmap->loadPcx("data\\nope.pcx"); });
    EXPECT_EQ(trace, "created new bitmap object\ndata\\other.pcx, 3\nfileopen: no match\n"
                     "couldn't open data\\nope.pcx!\n");
    expect_unchanged_empty();
}

TEST_F(PcxTest, ReloadReplacesPixelsAndDropsAMaskOfAnotherSize) {
    load(make_pcx(paletted(2, 1, 2), {1, 2}, true));
    ASSERT_EQ(result, 1);
    bitmap->setColorKey(palette_word(1));
    load(make_pcx(paletted(3, 1, 4), {0xC4, 3}, true));
    ASSERT_EQ(result, 1);
    EXPECT_EQ(bitmap->width, 3);
    EXPECT_EQ(bitmap->mask, nullptr);
    EXPECT_EQ(bitmap->keyed, 0);
    EXPECT_EQ(px(2, 0), palette_word(3));
}

// Damaged files: the load fails, the bitmap keeps its state, the trace stops after the
// header lines (no "deleted" line), and the sanitizer build sees no stray access or leak.

TEST_F(PcxTest, DamagedHeaderCutShort) {
    std::vector<uint8_t> file = make_pcx(paletted(2, 1, 2), {}, false);
    file.resize(100);
    const std::string trace = load(file);
    EXPECT_EQ(trace,
              "created new bitmap object\ndata\\pic.pcx, 100\nfileopen: data\\pic.pcx found\n");
    expect_unchanged_empty();
}

TEST_F(PcxTest, DamagedDataEndsEarly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    // A paletted file whose palette is part of the data the decoder runs out of.
    const Case cases[] = {
        {"paletted", make_pcx(paletted(200, 200, 200), {1, 2, 3}, true)},
        {"far too little data", make_pcx(paletted(2000, 2000, 2000), {0xFF, 1}, true)},
        {"planar", make_pcx(planar(4, 2, 4), {1, 2, 3, 4, 5, 6, 7, 8, 9}, false)},
        {"planar mid-run", make_pcx(planar(4, 1, 4), {0xC4, 1, 0xC4, 2, 0xC4}, false)},
    };
    for (const Case& c : cases) {
        const std::string trace = load(c.file);
        EXPECT_EQ(trace.find("decoded RLE stream"), std::string::npos) << c.what;
        EXPECT_EQ(trace.find("deleted bitmap object"), std::string::npos) << c.what;
        expect_unchanged_empty();
    }
}

TEST_F(PcxTest, DamagedFileTooShortForItsPalette) {
    const std::vector<uint8_t> file = make_pcx(paletted(2, 1, 2), {1, 2}, false);
    load(file);
    expect_unchanged_empty();
}

TEST_F(PcxTest, DamagedSizesFailBeforeDecoding) {
    struct Case {
        const char* what;
        PcxHeader header;
        std::string sizeLine;
    };
    PcxHeader xBack = paletted(4, 2, 4);
    xBack.xmin = 10;
    xBack.xmax = 5;
    PcxHeader yBack = paletted(4, 2, 4);
    yBack.ymin = 3;
    yBack.ymax = 1;
    PcxHeader huge = paletted(1, 1, 65535);
    huge.xmax = 65534;
    huge.ymax = 65535;
    const Case cases[] = {
        {"xmax below xmin", xBack, "width: -4, h: 2 => 4 bytes per line\n"},
        {"ymax below ymin", yBack, "width: 4, h: -1 => 4 bytes per line\n"},
        {"bytes per line below width", paletted(4, 2, 3), "width: 4, h: 2 => 3 bytes per line\n"},
        {"no bytes per line", paletted(1, 1, 0), "width: 1, h: 1 => 0 bytes per line\n"},
        {"too large", huge, "width: 65535, h: 65536 => 65535 bytes per line\n"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = make_pcx(c.header, {0xFF, 1, 0xFF, 1}, true);
        const std::string trace = load(file);
        EXPECT_EQ(trace, trace_to_header(file.size(), c.sizeLine,
                                         "color planes: 1 (8 bits per pixel), encoding: RLE\n"))
            << c.what;
        expect_unchanged_empty();
    }
}

TEST_F(PcxTest, RunsPastTheBufferStopAtItsEnd) {
    // Paletted: a 63-long run into a 2x1 picture.
    load(make_pcx(paletted(2, 1, 2), {0xFF, 9}, true));
    ASSERT_EQ(result, 1);
    EXPECT_EQ(px(1, 0), palette_word(9));

    // Planar: every plane line of the last row ends in a run longer than the line.
    load(make_pcx(planar(2, 1, 2), {0xFF, 0x11, 0xC5, 0x22, 0xFF, 0x33}, false));
    ASSERT_EQ(result, 1);
    EXPECT_EQ(px(0, 0), 0x112233u);
    EXPECT_EQ(px(1, 0), 0x112233u);
}

TEST_F(PcxTest, SurvivesMutatedAndTruncatedFiles) {
    // Random byte flips and cuts of valid files of both flavours; the sanitizer build checks
    // every access. A load either fails and leaves the bitmap alone or yields a whole picture.
    const std::vector<uint8_t> seeds[] = {
        make_pcx(paletted(7, 5, 8), {0xC5, 1, 2, 0xFF, 3, 0xC0, 4, 5, 6}, true),
        make_pcx(planar(3, 3, 4), {0xC4, 9, 0xC4, 8, 0xC4, 7, 1, 2, 3, 4, 0xC8, 5}, false),
    };
    uint32_t rng = 2024;
    auto next = [&] { return (rng = rng * 214013 + 2531011) >> 16; };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> file = seeds[round % 2];
        for (int flips = 1 + next() % 4; flips > 0; --flips) {
            // Half the flips hit the size and plane fields of the header.
            const size_t at = next() % 2 ? 4 + next() % 64 : next() % file.size();
            file[at % file.size()] = uint8_t(next());
        }
        if (next() % 3 == 0)
            file.resize(next() % file.size());
        captured_stdout([&] { bitmap.reset(new Bitmap()); });
        load(file);
        if (result == 1) {
            ASSERT_GT(bitmap->width, 0);
            ASSERT_GT(bitmap->height, 0);
            ASSERT_NE(bitmap->pixels, nullptr);
            volatile uint32_t last = bitmap->pixels[bitmap->width * bitmap->height - 1];
            (void)last;
        } else {
            ASSERT_EQ(result, 0);
            expect_unchanged_empty();
        }
    }
}
