// Demo::drawScene: the six scenes, chosen by the song's order position and faded by its row.
#include <cmath>
#include <cstring>

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
    const uint8_t* trail = reinterpret_cast<const uint8_t*>(trailBuffer->pixels);
    uint8_t* back = reinterpret_cast<uint8_t*>(backBuffer->pixels);
    for (int y = 0; y < 240; y++) {
        // The running column indices are the particle phases themselves.
        particlePhaseA = plasmaPhase[0];
        particlePhaseB = plasmaPhase[1];
        const int32_t rowTerm = plasmaSin[static_cast<uint8_t>(plasmaPhase[2] - 2 * y)] + plasmaCos[y] +
                                plasmaCos[static_cast<uint8_t>(plasmaPhase[3] + y)];
        for (int x = 0; x < 320; x++) {
            int32_t v = plasmaSin[particlePhaseB] + plasmaCos[particlePhaseA] + plasmaSin[x] + rowTerm;
            int32_t level = (v >> 13) + offset;
            level = clamp_int(level, 0, 255);
            const int i = (y * 320 + x) * 4;
            back[i + 0] = static_cast<uint8_t>((trail[i + 0] * level) >> 8);
            back[i + 1] = static_cast<uint8_t>((trail[i + 1] * level) >> 8);
            back[i + 2] = static_cast<uint8_t>((trail[i + 2] * level) >> 8);
            particlePhaseA -= 1;
            particlePhaseB += 2;
        }
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
