#pragma once
// A Demo built by hand for scene tests: buffers, a black texture, a font whose glyphs are
// solid blocks, and a song position that the test sets.

#include <cstring>
#include <vector>

#include "demo/demo.h"
#include "effects/animation.h"
#include "effects/blobs.h"
#include "effects/font.h"
#include "effects/rotozoomer.h"
#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace demo_test {

extern int songOrder;
extern int songRow;
extern const uint32_t* presented;

inline int get_order(Module*) { return songOrder; }
inline int get_row(Module*) { return songRow; }
inline int present(const uint32_t* pixels) {
    presented = pixels;
    return 1;
}

constexpr uint32_t INK = 0x00ABCDEF;
constexpr int GLYPH_WIDTH = 10;
constexpr int GLYPH_HEIGHT = 12;

// Every lowercase letter is a solid GLYPH_WIDTH x GLYPH_HEIGHT block of INK.
inline Font* make_block_font() {
    Font* font = new Font();
    Glyph** tail = &font->glyphs;
    for (int ch = 'a'; ch <= 'z'; ch++) {
        Bitmap* b = new Bitmap(GLYPH_WIDTH, GLYPH_HEIGHT);
        b->fill(INK);
        b->setColorKey(0);
        *tail = new Glyph{static_cast<uint8_t>(ch), b, nullptr};
        tail = &(*tail)->next;
    }
    return font;
}

struct DemoFixture {
    Demo demo;

    DemoFixture() {
        demo.hooks = DemoHooks{get_order, get_row, present};
        demo.backBuffer = new Bitmap(320, 240);
        demo.tallBuffer = new Bitmap(320, 320);
        demo.trailBuffer = new Bitmap(320, 240);
        demo.texture = new Bitmap(256, 256);
        demo.font = make_block_font();
        demo.rotoZoomer = new RotoZoomer();
        demo.rotoZoomer->init();
        demo.blobs = new BlobSprites();
        demo.particles = new Vec3[PARTICLE_COUNT]();
        demo.projected = new Vec3();
        // Far behind the viewer and off screen: no blob unless a test places one.
        for (int i = 0; i < PARTICLE_COUNT; i++) demo.particles[i] = Vec3{400, 0, 0};
        for (Bitmap*& owl : demo.owls) owl = new Bitmap(40, 40);
        rotate_init_tables();
        tables_fill_plasma();
        initWarpTables();
        demo.setupThirdStage();
        songOrder = 0;
        songRow = 0;
        presented = nullptr;
    }

    ~DemoFixture() {
        demo.font->unload();
        delete demo.font;
        delete demo.backBuffer;
        delete demo.tallBuffer;
        delete demo.trailBuffer;
        delete demo.texture;
        delete demo.rotoZoomer;
        delete demo.blobs;
        delete[] demo.particles;
        delete demo.projected;
        for (Bitmap* owl : demo.owls) delete owl;
    }

    uint32_t back(int x, int y) const { return demo.backBuffer->pixels[y * 320 + x]; }
    uint32_t tall(int x, int y) const { return demo.tallBuffer->pixels[y * 320 + x]; }
};

} // namespace demo_test
