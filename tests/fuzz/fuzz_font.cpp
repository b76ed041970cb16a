// Fuzz target: the font loader on an arbitrary PCX strip with an arbitrary character list,
// then drawText of arbitrary text onto a small bitmap.
//
// Input: u8 charset length, u8 text length, u8 fade level, u8 space width, i8 x, i8 y, the
// charset bytes, the text bytes, then the PCX file.
#include <cstdint>
#include <string>
#include <vector>

#include "effects/font.h"
#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    const size_t charsetLength = in.u8();
    const size_t textLength = in.u8();
    const int fade = in.u8();
    const int space = in.u8();
    const int x = int8_t(in.u8());
    const int y = int8_t(in.u8());
    size_t n = 0;
    const uint8_t* p = in.take(charsetLength, n);
    // Cut at the first zero byte, as the 0-terminated list is read.
    const std::string charset(reinterpret_cast<const char*>(p), n);
    p = in.take(textLength, n);
    const std::string text(reinterpret_cast<const char*>(p), n);
    p = in.take(in.remaining(), n);

    const std::vector<uint8_t> blob = fuzz::one_entry_blob("font.pcx", p, n);
    fs_init(blob.data(), uint32_t(blob.size()));
    Font font;
    if (font.load("font.pcx", charset.c_str())) {
        Bitmap screen(40, 16);
        font.fadeLevel = fade;
        font.spaceWidth = space;
        font.drawText(screen, text.c_str());
        font.x = x;
        font.y = y;
        font.drawText(&screen, text.c_str());
    }
    font.unload();
    return 0;
}
