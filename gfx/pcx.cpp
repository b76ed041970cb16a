// Bitmap::loadPcx: decodes 8-bit palette (1 plane) and 24-bit (3 planes) run-length PCX
// pictures from the embedded store. Damaged files fail cleanly; nothing is read or written
// outside the work buffer.

#include "gfx/bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "store/fs.h"

namespace {

constexpr int HEADER_SIZE = 128;
constexpr int PALETTE_SIZE = 768;
// Larger than any picture a 320x240 demo shows many times over, small enough to allocate.
constexpr int64_t MAX_WORK_PIXELS = 4096 * 4096;

uint16_t read_u16le(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Releases the work image without its "deleted bitmap object\n" line: a failed load's trace
// ends with the failure message. Bitmap holds nothing but its two buffers.
struct DiscardQuietly {
    void operator()(Bitmap* work) const {
        delete[] work->pixels;
        delete[] work->mask;
        ::operator delete(work);
    }
};
using WorkImage = std::unique_ptr<Bitmap, DiscardQuietly>;

// Reads one byte of the stream; false at its end.
bool next_byte(int handle, uint32_t& value) {
    unsigned char b;
    if (fs_read(&b, 1, handle) != 1)
        return false;
    value = b;
    return true;
}

// Reads one code: a literal (code <= 192) or a run of code - 192 copies of the next byte.
bool next_run(int handle, uint32_t& value, int64_t& count) {
    uint32_t code;
    if (!next_byte(handle, code))
        return false;
    count = 1;
    value = code;
    if (code > 192) {
        count = code - 192;
        return next_byte(handle, value);
    }
    return true;
}

// One plane of palette indices over the whole image, across line ends. A run that passes the
// buffer's end is cut there.
bool decode_paletted(int handle, const uint32_t* palette, uint32_t* out, int64_t total) {
    int64_t i = 0;
    while (i < total) {
        uint32_t v;
        int64_t n;
        if (!next_run(handle, v, n))
            return false;
        for (const int64_t end = std::min(i + n, total); i < end; ++i)
            out[i] = palette[v];
    }
    return true;
}

// Per line: red, green and blue plane lines of bytesPerLine values each, written into bytes
// 2, 1, 0 of the line's pixels. A run that passes the plane line's end is cut there; the
// spill would only land on pixels the next line overwrites, or past the buffer.
bool decode_planar(int handle, uint32_t* out, int64_t bytesPerLine, int64_t height) {
    for (int64_t row = 0; row < height; ++row) {
        uint32_t* line = out + row * bytesPerLine;
        for (int plane = 0; plane < 3; ++plane) {
            const int shift = (2 - plane) * 8;
            int64_t i = 0;
            while (i < bytesPerLine) {
                uint32_t v;
                int64_t n;
                if (!next_run(handle, v, n))
                    return false;
                for (const int64_t end = std::min(i + n, bytesPerLine); i < end; ++i)
                    line[i] |= v << shift;
            }
        }
    }
    return true;
}

} // namespace

int Bitmap::loadPcx(const char* path) {
    WorkImage work(new Bitmap());
    const int handle = fs_open(path);
    if (handle == 0) {
        std::printf("couldn't open %s!\n", path ? path : "(null)");
        return 0;
    }
    // Every later failure leaves through here: the stream closed, the work image released.
    auto fail = [&](const char* why) {
        std::fprintf(stderr, "pcx: %s: %s\n", path, why);
        fs_close(handle);
        return 0;
    };

    unsigned char header[HEADER_SIZE];
    if (fs_read(header, HEADER_SIZE, handle) != HEADER_SIZE)
        return fail("header cut short");
    const int32_t w = int32_t(read_u16le(header + 8)) - read_u16le(header + 4) + 1;
    const int32_t h = int32_t(read_u16le(header + 10)) - read_u16le(header + 6) + 1;
    const int32_t bytesPerLine = read_u16le(header + 66);
    const int planes = header[65];
    std::printf("width: %i, h: %i => %i bytes per line\n", w, h, bytesPerLine);
    std::printf("color planes: %i (%i bits per pixel), encoding: %s\n", planes, header[3],
                header[2] == 1 ? "RLE" : "none");

    if (planes != 1 && planes != 3) {
        std::printf("unable to decode this flavor of PCX files\n");
        fs_close(handle);
        return 0;
    }
    if (w < 1 || h < 1)
        return fail("xmax below xmin or ymax below ymin");
    if (bytesPerLine < w)
        return fail("bytes per line below the width");
    const int64_t total = int64_t(bytesPerLine) * h;
    if (total > MAX_WORK_PIXELS)
        return fail("picture too large");
    // A code yields at most 63 values: fewer data bytes than that allows cannot fill the
    // picture, so do not allocate for it.
    fs_seek(handle, 0, 2);
    const int64_t dataBytes = int64_t(fs_tell(handle)) - HEADER_SIZE;
    if (total * planes > 63 * dataBytes)
        return fail("image data ends early");

    work->width = w;
    work->height = h;
    work->pixels = new uint32_t[size_t(total)]();

    bool complete;
    if (planes == 1) {
        unsigned char rgb[PALETTE_SIZE];
        fs_seek(handle, -PALETTE_SIZE, 2);
        if (fs_read(rgb, PALETTE_SIZE, handle) != PALETTE_SIZE)
            return fail("file too short for its palette");
        uint32_t palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] =
                uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
        fs_seek(handle, HEADER_SIZE, 0);
        complete = decode_paletted(handle, palette, work->pixels, total);
    } else {
        fs_seek(handle, HEADER_SIZE, 0);
        complete = decode_planar(handle, work->pixels, bytesPerLine, h);
    }
    if (!complete)
        return fail("image data ends early");
    std::printf("decoded RLE stream\n");
    fs_close(handle);

    uint32_t* picture = new uint32_t[size_t(w) * size_t(h)];
    for (int32_t r = 0; r < h; ++r)
        std::memcpy(picture + int64_t(r) * w, work->pixels + int64_t(r) * bytesPerLine,
                    size_t(w) * sizeof *picture);
    // A mask sized for other pixels would let a keyed draw read past it.
    if (mask && int64_t(w) * h != int64_t(width) * height) {
        delete[] mask;
        mask = nullptr;
        keyed = 0;
    }
    delete[] pixels;
    pixels = picture;
    width = drawWidth = w;
    height = drawHeight = h;

    delete work.release(); // prints "deleted bitmap object\n"
    return 1;
}
