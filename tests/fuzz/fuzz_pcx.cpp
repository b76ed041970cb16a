// Fuzz target: the PCX decoder on arbitrary file bytes served from a one-entry store; a
// decoded picture is keyed and blitted so a pixel count that disagrees with its size shows.
#include <cstdint>
#include <vector>

#include "gfx/bitmap.h"
#include "store/fs.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> blob = fuzz::one_entry_blob("pic.pcx", data, size);
    fs_init(blob.data(), uint32_t(blob.size()));
    Bitmap picture;
    if (picture.loadPcx("pic.pcx")) {
        if (picture.width < 0 || picture.height < 0 || (!picture.pixels && picture.width * int64_t(picture.height) > 0))
            __builtin_trap();
        Bitmap screen(32, 24);
        picture.setColorKey(0);
        picture.drawAt(-3, 5, &screen);
        picture.drawWidth = 17;
        picture.drawHeight = 9;
        picture.drawScaled(&screen);
    }
    return 0;
}
