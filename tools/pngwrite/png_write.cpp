// PNG output through libpng, for frames of 0x00RRGGBB pixels.
#include "png_write.h"

#include <cstdio>
#include <vector>

#include <png.h>

bool png_write_xrgb(const char* path, const uint32_t* pixels, int width, int height, int stride,
                    bool fast) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "png: cannot write %s\n", path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "png: failed writing %s\n", path);
        return false;
    }
    png_init_io(png, file);
    if (fast) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    }
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; y++) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; x++) {
            row[x * 3 + 0] = static_cast<uint8_t>(src[x] >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
