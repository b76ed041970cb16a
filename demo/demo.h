#pragma once
// Demo: everything the scenes draw with, the animation state that the tick changes, and the
// scene step. Made once at start-up in three stages, main thread only.

#include <cstdint>

#include "demo/tables.h"

class Bitmap;
class Font;
class RotoZoomer;
class BlobSprites;
struct Module;

constexpr int END_ORDER = 16;
constexpr int TICK_SHIFT = 5; // one animation tick is 2^5 = 32 ms of song time
constexpr int CAPTION_COUNT = 13;
constexpr int BLOB_CAPTION_COUNT = 3;

// Where the scene step reads the song position and hands its frame. The defaults are the
// sound output's queries and display_update; tests substitute a controlled song.
struct DemoHooks {
    int (*getOrder)(Module* module);
    int (*getRow)(Module* module);
    int (*present)(const uint32_t* pixels);
};

// The default hooks: sound_get_order, sound_get_row, display_update.
DemoHooks demo_default_hooks();

class Demo {
public:
    Demo();

    // Start-up stages, called by the main sequence at their fixed points.
    void setupFirstStage();  // images, font, effect objects, angle/wave tables, particles
    void setupSecondStage(); // animation frames, warp tables, bar phases, trail buffer
    void setupThirdStage();  // scroller position and caption texts

    // One animation tick: light pattern phases, particle regeneration, then tickCounter += 1.
    void tick();

    // Draws the frame for the current song position and presents it exactly once.
    void drawScene();

    // Shutdown step of the scene set-up: destroys the font.
    void shutdown();

    // Scene index for an order position: 0 opening, 1 tunnel, 2 blob cloud, 3 freeze,
    // 4 owl, 5 end. Negative orders (no song) count as the opening.
    static int sceneForOrder(int order);

    Module* module = nullptr;
    DemoHooks hooks;

    // Frame loop state.
    Bitmap* backBuffer = nullptr;
    uint32_t tickCounter = 0;

    // Scene set-up state.
    Bitmap* texture = nullptr;
    Bitmap* tallBuffer = nullptr;
    Bitmap* trailBuffer = nullptr;
    Bitmap* owls[3] = {nullptr, nullptr, nullptr};
    Font* font = nullptr;
    RotoZoomer* rotoZoomer = nullptr;
    BlobSprites* blobs = nullptr;
    Vec3* particles = nullptr;
    Vec3* projected = nullptr;
    int32_t respawnCursor = 0;
    uint8_t plasmaPhase[4] = {0, 64, 128, 192};
    uint8_t particlePhaseA = 0;
    uint8_t particlePhaseB = 0;
    uint8_t particlePhaseC = 0;
    uint8_t barPhase[256] = {};
    int32_t scrollX = 341;
    const char* captions[CAPTION_COUNT] = {};
    const char* blobCaptions[BLOB_CAPTION_COUNT] = {};

    // Value of the regeneration formula's S for the whole run.
    static constexpr double S_RUN = 0.5;

private:
    void drawOpening();
    void drawTunnel();
    void drawBlobCloud();
    void drawFreeze();
    void drawOwls(uint32_t owlIndex);
    void drawEnd();
    void drawDarkBars(Bitmap* dst, int scene);
    void drawLightPattern(int offset);
};
