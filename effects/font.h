#pragma once
// Font: proportional text from one PCX strip whose glyphs stand side by side, separated by
// empty columns, and a character list naming them in strip order. Main thread only.

#include <cstdint>

class Bitmap;

// One glyph: an 8-bit character and its keyed (key 0) bitmap, in a singly linked list.
struct Glyph {
    uint8_t character;
    Bitmap* bitmap; // owned
    Glyph* next;    // the following glyph, or null
};

class Font {
public:
    // x = 0, y = 0, spaceWidth = 8, fadeLevel = 0, no glyphs.
    Font();
    // Does no work, so that the program's shutdown trace holds no glyph deletions: the
    // glyphs are not released. Call unload() first where the memory matters.
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Loads the strip `path` from the embedded store and cuts one glyph per character of
    // `charset` (0-terminated) by scanning its columns: a glyph spans a run of columns with
    // ink (any non-zero word) up to the next empty column; the strip's last column never
    // belongs to a glyph. When the strip runs out the remaining characters get no glyph.
    // Returns 0 (font unchanged) when the picture cannot be loaded or an argument is null,
    // else 1, replacing any earlier glyphs. Traces through the bitmap constructors.
    int load(const char* path, const char* charset);

    // The first glyph of `ch`, or null.
    Glyph* findGlyph(uint8_t ch) const;

    // Draws `text` (0-terminated bytes) with its top-left corner at (x, y): each glyph gets
    // the font's fadeLevel and is drawn with Bitmap::drawAt (which clips), then the pen
    // advances by its width, and by spaceWidth more for a space; other bytes without a
    // glyph draw nothing and do not move the pen. Returns 1.
    int drawText(Bitmap& dst, const char* text);
    int drawText(Bitmap* dst, const char* text);

    // Releases every glyph (one "deleted bitmap object" line each) and the character list;
    // the font is then empty. The program never calls it.
    void unload();

    char* charset;      // owned copy of the character list, or null
    int32_t x;          // left edge of the next text
    int32_t y;          // top edge of the next text
    int32_t spaceWidth; // advance of a space
    int32_t fadeLevel;  // 0 solid .. 255 almost invisible, given to each glyph
    Glyph* glyphs;      // owned list in load order
};
