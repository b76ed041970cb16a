// Demo::drawScene: the six scenes, chosen by the song's order position and faded by its row.
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "demo/demo.h"
#include "effects/animation.h"
#include "effects/blobs.h"
#include "effects/filters.h"
#include "effects/font.h"
#include "effects/rotozoomer.h"
#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace {

const double PI = 3.14159265358979323846;
const double PI_128 = 0.02454369260617026;

// Latin-1 texts of single scenes.
const char FREEZE_CAPTION[] = "p\xE4sseeej\xE4\xE4ni";
const char END_CAPTION[] = "nyt loppuu jee nyt loppuu";
const char SCROLLER_TEXT[] =
    "huhuu   (( o , 0 ))  whut up     ich heisse gorvin scheisse und das ist die arschloch "
    "abend !!    php dsl asentaja jatkat jeden tag so hu hu huuu ";

int32_t text_length(const char* text) { return static_cast<int32_t>(std::strlen(text)); }

int clamp_int(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// One row of the light pattern: level = clamp((column + row term) >> 13 + offset, 0, 255);
// bytes 0..2 of back = (trail byte * level) >> 8; byte 3 of back stays.
void light_row(const int32_t* columnTerm, int32_t rowTerm, int32_t offset, const uint32_t* trail,
               uint32_t* back) {
#ifdef __SSE2__
    // 320 is a multiple of 4: the vector loop covers the row.
    const __m128i rowV = _mm_set1_epi32(rowTerm);
    const __m128i offsetV = _mm_set1_epi32(offset);
    const __m128i zero = _mm_setzero_si128();
    const __m128i max = _mm_set1_epi16(255);
    const __m128i byte3 = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (int x = 0; x < 320; x += 4) {
        __m128i v = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(columnTerm + x)), rowV);
        __m128i level = _mm_add_epi32(_mm_srai_epi32(v, 13), offsetV);
        __m128i level16 = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(level, level), zero), max);
        __m128i pairs = _mm_unpacklo_epi16(level16, level16);
        __m128i levelLo = _mm_unpacklo_epi32(pairs, pairs);
        __m128i levelHi = _mm_unpackhi_epi32(pairs, pairs);
        __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(trail + x));
        __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), levelLo), 8);
        __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), levelHi), 8);
        __m128i lit = _mm_packus_epi16(lo, hi);
        __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(back + x));
        __m128i out = _mm_or_si128(_mm_andnot_si128(byte3, lit), _mm_and_si128(byte3, old));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(back + x), out);
    }
#else
    for (int x = 0; x < 320; x++) {
        const int32_t level = clamp_int(((columnTerm[x] + rowTerm) >> 13) + offset, 0, 255);
        const uint32_t tp = trail[x];
        uint32_t out = back[x] & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            out |= ((((tp >> shift) & 0xFFu) * static_cast<uint32_t>(level)) >> 8) << shift;
        back[x] = out;
    }
#endif
}

enum { BARS_CENTRED, BARS_TALL };

} // namespace

void Demo::drawScene() {
    const uint32_t t = tickCounter;
    const uint32_t owlIndex = (t % 384) >> 7;
    switch (sceneForOrder(hooks.getOrder(module))) {
    case 0: drawOpening(); break;
    case 1: drawTunnel(); break;
    case 2: drawBlobCloud(); break;
    case 3: drawFreeze(); break;
    case 4: drawOwls(owlIndex); break;
    default: drawEnd(); break;
    }
}

void Demo::drawDarkBars(Bitmap* dst, int scene) {
    for (int i = 0; i < 128; i++) {
        uint8_t b = barPhase[i];
        int32_t y = scene == BARS_TALL ? static_cast<int32_t>(std::sin(b * PI_128) * 120 + 140)
                                       : static_cast<int32_t>((std::sin(b * PI_128) + 1) * 120);
        darkenRows(y, 1, 16, dst);
        darkenRows(y + 1, 2, 24, dst);
        darkenRows(y + 3, 1, 16, dst);
        barPhase[i] = static_cast<uint8_t>(b + 1);
    }
}

void Demo::drawLightPattern(int offset) {
    // The column indices restart from the same phases on every row, so the three column terms
    // sum to one value per column for the whole frame. The running indices are the particle
    // phases themselves and are left where the last row ends.
    int32_t columnTerm[320];
    for (int x = 0; x < 320; x++) {
        columnTerm[x] = plasmaSin[static_cast<uint8_t>(plasmaPhase[1] + 2 * x)] +
                        plasmaCos[static_cast<uint8_t>(plasmaPhase[0] - x)] + plasmaSin[x];
    }
    particlePhaseA = static_cast<uint8_t>(plasmaPhase[0] - 320);
    particlePhaseB = static_cast<uint8_t>(plasmaPhase[1] + 640);

    for (int y = 0; y < 240; y++) {
        const int32_t rowTerm = plasmaSin[static_cast<uint8_t>(plasmaPhase[2] - 2 * y)] + plasmaCos[y] +
                                plasmaCos[static_cast<uint8_t>(plasmaPhase[3] + y)];
        light_row(columnTerm, rowTerm, offset, trailBuffer->pixels + y * 320, backBuffer->pixels + y * 320);
    }
}

void Demo::drawOpening() {
    const uint32_t t = tickCounter;
    Bitmap* frame = animationFrames[(t >> 3) % 19];
    if (frame) {
        frame->fadeLevel = 160;
        frame->drawAt(0, 20, trailBuffer);
    }
    blurBitmap(trailBuffer);

    const int order = hooks.getOrder(module);
    const int offset = order * 32 - hooks.getRow(module);
    drawLightPattern(offset);

    const int k = hooks.getOrder(module) + 1;
    if (k < 7) {
        const char* c = captions[k];
        font->x = (10 - text_length(c)) * 32;
        font->y = 200;
        int fade = 255 - static_cast<int>(hooks.getRow(module) * 12.0);
        font->fadeLevel = fade < 0 ? 0 : fade;
        font->drawText(backBuffer, c);
        font->fadeLevel = 0;
        font->drawText(backBuffer, captions[k - 1]);
    }
    hooks.present(backBuffer->pixels);
}

void Demo::drawTunnel() {
    const uint32_t p = tickCounter % 255;
    ::drawTunnel(static_cast<int32_t>(p), static_cast<int32_t>(p), texture, backBuffer);
    drawDarkBars(backBuffer, BARS_CENTRED);

    // A song that moved on during the frame keeps the scene's own captions.
    const int n = clamp_int(hooks.getOrder(module), 4, 6);
    const int j = 2 * n - 6;
    const char* c = captions[2 * n - 1];
    font->x = 160 - 5 * text_length(c);
    font->y = (2 * n - 5) * 20;
    int fade = 255 - 12 * hooks.getRow(module);
    font->fadeLevel = fade < 0 ? 0 : fade;
    font->drawText(backBuffer, c);
    font->fadeLevel = 0;
    for (int m = 0; m < j; m++) {
        c = captions[5 + m];
        font->x = 160 - 5 * text_length(c);
        font->y = 20 + 20 * m;
        font->drawText(backBuffer, c);
    }
    hooks.present(backBuffer->pixels);
}

void Demo::drawBlobCloud() {
    const uint8_t p = static_cast<uint8_t>(tickCounter % 255);
    drawRadialWarp(p, texture, tallBuffer, 20);
    drawDarkBars(tallBuffer, BARS_TALL);

    for (int i = 0; i < PARTICLE_COUNT; i++) {
        rotatePoint(128, p, p, particles[i], *projected);
        int32_t z = projected->z + 768;
        if (z == 0) z = 1;
        const int32_t sx = (projected->x * 90) / z + 160;
        const int32_t sy = (projected->y * 90) / z + 120;
        if (10 < sx && sx < 310 && 0 < sy && sy < 240)
            blobs->draw(sx, sy + 20, 255 - (z * 1500) / 7000, tallBuffer);
    }

    const int n = clamp_int(hooks.getOrder(module), 7, 9);
    const char* c = blobCaptions[n - 7];
    font->x = 10 * text_length(c);
    font->y = (n - 7) * 20 + 40;
    font->drawText(tallBuffer, c);
    hooks.present(tallBuffer->pixels + 20 * 320);
}

void Demo::drawFreeze() {
    tallBuffer->x = 0;
    tallBuffer->y = -20;
    tallBuffer->draw(backBuffer);
    uint32_t* px = backBuffer->pixels;
    const int count = backBuffer->width * backBuffer->height;
    for (int i = 0; i < count; i++) px[i] = (px[i] >> 2) & 0x3F3F3F3Fu; // every byte >> 2
    font->fadeLevel = 0;
    font->x = 10;
    font->y = 100;
    font->drawText(backBuffer, FREEZE_CAPTION);
    hooks.present(backBuffer->pixels);
}

void Demo::drawOwls(uint32_t owlIndex) {
    const uint32_t t = tickCounter;
    const uint8_t p = static_cast<uint8_t>(t % 255);
    drawRadialWarp(p, texture, backBuffer);

    const Bitmap* owl = owls[owlIndex];
    const double a1 = (t & 127) * (PI / 64);
    const double a2 = ((t & 255) * 4) * (PI / 512);
    rotoZoomer->centreX =
        static_cast<int32_t>(std::sin(a2) * (owl->width * 1.5 - std::sin(a1) * owl->width) + 160);
    rotoZoomer->centreY =
        static_cast<int32_t>(std::cos(a2) * (owl->height * 1.5 - std::sin(a1) * owl->height) + 120);
    rotoZoomer->render(static_cast<uint16_t>((t & 255) * 4), 0.7, owl, backBuffer);
    blurBitmap(backBuffer);
    drawDarkBars(backBuffer, BARS_CENTRED);

    font->y = 190;
    font->x = scrollX;
    scrollX -= 7;
    font->drawText(backBuffer, SCROLLER_TEXT);
    hooks.present(backBuffer->pixels);
}

void Demo::drawEnd() {
    backBuffer->clear();
    font->x = 20;
    font->y = 120;
    font->drawText(backBuffer, END_CAPTION);
    hooks.present(backBuffer->pixels);
}
