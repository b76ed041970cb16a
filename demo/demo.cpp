// Demo: the three start-up stages, the animation tick and the shutdown step.
#include "demo/demo.h"

#include "audio/sound.h"
#include "display/display.h"
#include "effects/animation.h"
#include "effects/blobs.h"
#include "effects/font.h"
#include "effects/rotozoomer.h"
#include "effects/tunnel.h"
#include "gfx/bitmap.h"

namespace {

// Latin-1: 0xE4 is a with diaeresis, 0xF6 o with diaeresis; the strip has w before v.
const char FONT_CHARSET[] = "abcdefghijklmnopqrstuwvxyz\xE4\xF6"
                            "1234567890,.()?!-'[]=+;:";

const char* const CAPTION_TEXTS[CAPTION_COUNT] = {
    " ", "t", "tol", "tolk", "tolku", " ", " ", "hei vain", "pihan puolella zimpa",
    "ottaa haasteita vastaan", "vapaapainissa", "", " ",
};

const char* const BLOB_CAPTION_TEXTS[BLOB_CAPTION_COUNT] = {
    "tuku tucku", "lanmpaitaani", "p\xE4" "ck\xE4 p\xE4" "c\xE4",
};

} // namespace

DemoHooks demo_default_hooks() { return DemoHooks{sound_get_order, sound_get_row, display_update}; }

Demo::Demo() : hooks(demo_default_hooks()) {}

void Demo::setupFirstStage() {
    texture = new Bitmap();
    tallBuffer = new Bitmap(320, 320);
    blobs = new BlobSprites();
    font = new Font();
    font->load("data\\font2.pcx", FONT_CHARSET);
    rotoZoomer = new RotoZoomer();
    rotoZoomer->init();
    blobs->init(256, 38);
    random_seed(0);
    respawnCursor = 0;
    particles = new Vec3[PARTICLE_COUNT]();
    projected = new Vec3();
    rotate_init_tables();
    tables_fill_particles(particles, particlePhaseA, particlePhaseB, particlePhaseC);
    texture->loadPcx("data\\tex1.pcx");
    tables_fill_plasma();
    const char* const owlFiles[3] = {"data\\owl1.pcx", "data\\owl2.pcx", "data\\owl3.pcx"};
    for (int k = 0; k < 3; k++) {
        owls[k] = new Bitmap();
        owls[k]->loadPcx(owlFiles[k]);
    }
    for (Bitmap* owl : owls) {
        // A picture that failed to load has no top-left pixel; it stays an empty bitmap.
        if (owl->pixels && owl->width > 0 && owl->height > 0) owl->setColorKey(owl->pixels[0] & 0x00FFFFFF);
    }
}

void Demo::setupSecondStage() {
    loadAnimationFrames();
    initWarpTables();
    tables_fill_bar_phases(barPhase);
    trailBuffer = new Bitmap(320, 240);
}

void Demo::setupThirdStage() {
    scrollX = 341;
    for (int i = 0; i < CAPTION_COUNT; i++) captions[i] = CAPTION_TEXTS[i];
    for (int i = 0; i < BLOB_CAPTION_COUNT; i++) blobCaptions[i] = BLOB_CAPTION_TEXTS[i];
}

void Demo::tick() {
    plasmaPhase[0] += 3;
    plasmaPhase[1] += 1;
    plasmaPhase[2] += 3;
    plasmaPhase[3] -= 1;

    if (respawnCursor < PARTICLE_COUNT && particles && particles[respawnCursor].z < -128) {
        particles[respawnCursor] =
            makeParticle(particlePhaseA, particlePhaseB, S_RUN, static_cast<uint8_t>(tickCounter % 255));
        particlePhaseA += 4;
        particlePhaseB -= 3;
        respawnCursor += 1;
    } else {
        respawnCursor = 0;
    }

    tickCounter += 1;
}

void Demo::shutdown() {
    delete font;
    font = nullptr;
}

int Demo::sceneForOrder(int order) {
    if (order <= 3) return 0;
    if (order <= 6) return 1;
    if (order <= 9) return 2;
    if (order == 10) return 3;
    if (order <= 14) return 4;
    return 5;
}
