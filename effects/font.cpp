// The font writer: cutting the strip into glyphs, and proportional drawing.
#include "effects/font.h"

#include <cstring>
#include <memory>

#include "gfx/bitmap.h"

namespace {

bool column_empty(const Bitmap& strip, int32_t column) {
    for (int32_t r = 0; r < strip.height; ++r)
        if (strip.pixels[static_cast<size_t>(r) * strip.width + column] != 0)
            return false;
    return true;
}

} // namespace

Font::Font() : charset(nullptr), x(0), y(0), spaceWidth(8), fadeLevel(0), glyphs(nullptr) {}

Font::~Font() {}

void Font::unload() {
    while (glyphs) {
        Glyph* next = glyphs->next;
        delete glyphs->bitmap;
        delete glyphs;
        glyphs = next;
    }
    delete[] charset;
    charset = nullptr;
}

int Font::load(const char* path, const char* chars) {
    if (!path || !chars)
        return 0;
    std::unique_ptr<Bitmap> strip(new Bitmap());
    if (!strip->loadPcx(path))
        return 0;

    unload();
    const size_t length = std::strlen(chars);
    charset = new char[length + 1];
    std::memcpy(charset, chars, length + 1);

    Glyph** tail = &glyphs;
    const int32_t width = strip->pixels ? strip->width : 0;
    int32_t c = 0;
    for (size_t k = 0; k < length && c < width; ++k) {
        int32_t start = -1;
        int32_t end = -1;
        while (end < 0 && c < width) {
            const int32_t column = c++;
            const bool empty = column_empty(*strip, column);
            if (start < 0) {
                if (!empty)
                    start = column;
            } else if (empty || column == width - 1) {
                // The last column closes a glyph without joining it.
                end = column;
            }
        }
        // Columns ran out before the glyph closed: the remaining characters get none.
        if (end < 0)
            break;

        Bitmap* image = new Bitmap(end - start, strip->height);
        strip->drawAt(-start, 0, image);
        image->setColorKey(0);
        *tail = new Glyph{static_cast<uint8_t>(charset[k]), image, nullptr};
        tail = &(*tail)->next;
    }
    return 1;
}

Glyph* Font::findGlyph(uint8_t ch) const {
    for (Glyph* g = glyphs; g; g = g->next)
        if (g->character == ch)
            return g;
    return nullptr;
}

int Font::drawText(Bitmap& dst, const char* text) {
    if (!text)
        return 1;
    int32_t advance = 0;
    for (const char* p = text; *p; ++p) {
        const uint8_t ch = static_cast<uint8_t>(*p);
        if (Glyph* g = findGlyph(ch)) {
            g->bitmap->fadeLevel = fadeLevel;
            g->bitmap->drawAt(x + advance, y, dst);
            advance += g->bitmap->width;
        }
        if (ch == ' ')
            advance += spaceWidth;
    }
    return 1;
}

int Font::drawText(Bitmap* dst, const char* text) {
    if (!dst)
        return 1;
    return drawText(*dst, text);
}
