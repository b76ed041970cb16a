// Scenes drawn against a controlled song position: scene choice, captions and their fades,
// the light pattern, particles, freeze, owls and the scroller.
#include <gtest/gtest.h>

#include "demo_fixture.h"

namespace demo_test {
int songOrder = 0;
int songRow = 0;
const uint32_t* presented = nullptr;
} // namespace demo_test

using namespace demo_test;

namespace {

uint32_t blend(uint32_t d, uint32_t s, int f) {
    uint32_t out = d & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t db = (d >> shift) & 0xFF, sb = (s >> shift) & 0xFF;
        out |= (((db * f) >> 8) + ((sb * (256 - f)) >> 8)) << shift;
    }
    return out;
}

bool is_ink_block(const DemoFixture& f, int x, int y) {
    return f.back(x, y) == INK && f.back(x + GLYPH_WIDTH - 1, y + GLYPH_HEIGHT - 1) == INK;
}

} // namespace

TEST(SceneChoice, OrderPositionsPickTheirScenes) {
    const struct { int order, scene; } cases[] = {
        {0, 0}, {3, 0}, {4, 1}, {6, 1}, {7, 2}, {9, 2}, {10, 3}, {11, 4}, {14, 4}, {15, 5}, {16, 5}, {200, 5},
    };
    for (const auto& c : cases) EXPECT_EQ(Demo::sceneForOrder(c.order), c.scene) << "order " << c.order;
}

TEST(OpeningScene, FirstLetterFadesInOverRows0To21) {
    DemoFixture f;
    songOrder = 0;
    songRow = 0;
    f.demo.drawScene();
    EXPECT_EQ(presented, f.demo.backBuffer->pixels);
    // "t" at x 288, y 200 with fade 255 over a black pattern (the trail is empty).
    EXPECT_EQ(f.back(288, 200), blend(0, INK, 255));
    EXPECT_EQ(f.demo.font->x, 288);
    EXPECT_EQ(f.demo.font->y, 200);
    EXPECT_EQ(f.demo.font->fadeLevel, 0); // left solid after the second draw

    songRow = 21;
    f.demo.drawScene();
    EXPECT_EQ(f.back(288, 200), blend(0, INK, 3));
    EXPECT_EQ(f.back(297, 211), blend(0, INK, 3));
    EXPECT_EQ(f.back(287, 200), 0u);
    EXPECT_EQ(f.back(298, 200), 0u);

    songRow = 22;
    f.demo.drawScene();
    EXPECT_TRUE(is_ink_block(f, 288, 200));
}

TEST(OpeningScene, OnlyTheAddedLettersFade) {
    DemoFixture f;
    songOrder = 3; // "tolku" fades in over the solid "tolk"
    songRow = 0;
    f.demo.drawScene();
    EXPECT_EQ(f.demo.font->x, (10 - 5) * 32);
    for (int x = 160; x < 200; x += GLYPH_WIDTH) EXPECT_TRUE(is_ink_block(f, x, 200)) << x;
    EXPECT_EQ(f.back(200, 200), blend(0, INK, 255));
}

TEST(OpeningScene, LightPatternClampsAndKeepsTheFourthByte) {
    DemoFixture f;
    f.demo.trailBuffer->fill(0xAAFFFFFF);
    f.demo.backBuffer->fill(0x55000000);
    const uint8_t pp[4] = {f.demo.plasmaPhase[0], f.demo.plasmaPhase[1], f.demo.plasmaPhase[2],
                           f.demo.plasmaPhase[3]};
    songOrder = 0;
    songRow = 63; // offset -63: a dark frame with bright crests
    f.demo.drawScene();

    bool sawZero = false, sawFull = false;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            uint32_t p = f.back(x, y);
            ASSERT_EQ(p >> 24, 0x55u) << x << "," << y;
            uint32_t b = p & 0xFF;
            ASSERT_LE(b, 254u);
            sawZero |= b == 0;
            sawFull |= b == 254;
        }
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawFull);

    // Pixel (7, 5) from the formula, with the running column indices.
    const int x = 7, y = 5;
    int32_t v = plasmaSin[uint8_t(pp[1] + 2 * x)] + plasmaCos[uint8_t(pp[0] - x)] + plasmaSin[x] +
                plasmaSin[uint8_t(pp[2] - 2 * y)] + plasmaCos[y] + plasmaCos[uint8_t(pp[3] + y)];
    int32_t level = (v >> 13) - 63;
    level = level < 0 ? 0 : (level > 255 ? 255 : level);
    EXPECT_EQ(f.back(x, y) & 0xFF, (255u * level) >> 8);
    // The loop leaves the particle phases 320 steps on.
    EXPECT_EQ(f.demo.particlePhaseA, uint8_t(pp[0] - 64));
    EXPECT_EQ(f.demo.particlePhaseB, uint8_t(pp[1] + 128));
}

TEST(TunnelScene, CaptionsAtOrder5) {
    DemoFixture f;
    songOrder = 5;
    songRow = 0;
    f.demo.drawScene();
    // Fading line: "ottaa haasteita vastaan" (23 characters) at x 45, y 100, fade 255.
    EXPECT_EQ(f.back(45, 100), blend(0, INK, 255));
    // Solid lines: two blanks at y 20 and 40, "hei vain" at y 60, "pihan puolella zimpa" at 80.
    EXPECT_TRUE(is_ink_block(f, 160 - 5 * 8, 60));
    EXPECT_EQ(f.back(160 - 5 * 8 - 1, 60), 0u);
    EXPECT_TRUE(is_ink_block(f, 160 - 5 * 20, 80));
    EXPECT_EQ(f.back(160 - 5 * 20 - 1, 80), 0u);
    for (int x = 0; x < 320; x++) ASSERT_EQ(f.back(x, 25), 0u) << x;

    songRow = 22;
    f.demo.drawScene();
    EXPECT_TRUE(is_ink_block(f, 45, 100));
    EXPECT_EQ(f.back(44, 100), 0u);
}

namespace {
int orderSequence[2];
int orderCalls = 0;
int sequenced_order(Module*) { return orderSequence[orderCalls++ > 0 ? 1 : 0]; }
} // namespace

TEST(TunnelScene, SongMovingOnDuringTheFrameKeepsTheSceneCaptions) {
    DemoFixture f;
    orderSequence[0] = 6;
    orderSequence[1] = 7;
    orderCalls = 0;
    f.demo.hooks.getOrder = sequenced_order;
    songRow = 30;
    f.demo.drawScene();
    EXPECT_TRUE(is_ink_block(f, 160 - 5 * 13, 120)); // "vapaapainissa", position 6's last line
}

TEST(BlobScene, CaptionAtOrder8AndPresentedRows) {
    DemoFixture f;
    songOrder = 8;
    f.demo.drawScene();
    EXPECT_EQ(presented, f.demo.tallBuffer->pixels + 20 * 320);
    EXPECT_EQ(f.tall(120, 60), INK); // "lanmpaitaani": x 120, y 60, screen row 40
    EXPECT_EQ(f.tall(119, 60), 0u);
}

TEST(BlobScene, ProjectionDividesByOneAndRejectsTheScreenEdges) {
    Vec3 probe;
    rotate_init_tables();
    rotatePoint(128, 0, 0, Vec3{0, 0, 768}, probe);
    ASSERT_EQ(probe.z, -768); // z + 768 == 0 at tick 0

    DemoFixture f;
    f.demo.blobs->init(256, 38);
    f.demo.particles[0] = Vec3{0, 0, 768};  // divided by 1: centre of the screen
    f.demo.particles[1] = Vec3{-5, 0, 765}; // sx == 10: not drawn
    f.demo.particles[2] = Vec3{-4, 0, 765}; // sx == 40: drawn
    songOrder = 7;
    f.demo.drawScene();
    EXPECT_NE(f.tall(160, 140) & 0xFFFFFF, 0u);
    EXPECT_NE(f.tall(40, 140) & 0xFFFFFF, 0u);
    EXPECT_EQ(f.tall(10, 140) & 0xFFFFFF, 0u);
}

TEST(FreezeScene, DarkensTheLastBlobFrame) {
    DemoFixture f;
    for (int r = 0; r < 320; r++)
        for (int c = 0; c < 320; c++) f.demo.tallBuffer->pixels[r * 320 + c] = 0xC0000080u | (uint32_t(r) << 8);
    songOrder = 10;
    for (int frame = 0; frame < 2; frame++) {
        f.demo.drawScene();
        EXPECT_EQ(f.demo.tallBuffer->y, 0); // written back by the clipped draw; reset each frame
        for (int y : {0, 119, 239}) {
            const uint32_t src = 0xC0000080u | (uint32_t(y + 20) << 8);
            EXPECT_EQ(f.back(300, y), (src >> 2) & 0x3F3F3F3Fu) << y;
        }
        EXPECT_TRUE(is_ink_block(f, 10, 100)); // "p" of the freeze caption
    }
}

TEST(OwlScene, OwlChoiceFollowsTheTickCounter) {
    const uint32_t colours[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    const struct { uint32_t tick; int owl; } cases[] = {{128, 1}, {256, 2}, {384, 0}};
    for (const auto& c : cases) {
        DemoFixture f;
        for (int k = 0; k < 3; k++) f.demo.owls[k]->fill(colours[k]);
        f.demo.tickCounter = c.tick;
        songOrder = 11;
        f.demo.drawScene();
        const uint32_t p = f.back(f.demo.rotoZoomer->centreX, f.demo.rotoZoomer->centreY);
        const int shift = 16 - 8 * c.owl;
        EXPECT_GT((p >> shift) & 0xFF, 200u) << "tick " << c.tick;
        EXPECT_EQ(p & ~(0xFFu << shift) & 0xFFFFFF, 0u) << "tick " << c.tick;
    }
}

TEST(OwlScene, ScrollerMovesSevenPixelsPerFrame) {
    DemoFixture f;
    songOrder = 12;
    f.demo.drawScene();
    EXPECT_EQ(f.demo.font->x, 341);
    for (int i = 1; i < 50; i++) f.demo.drawScene();
    EXPECT_EQ(f.demo.scrollX, 341 - 350);
    EXPECT_EQ(f.demo.font->y, 190);
}

TEST(EndScene, ClearsAndWritesTheClosingLine) {
    for (int order : {15, 16, 200}) {
        DemoFixture f;
        f.demo.backBuffer->fill(0x00123456);
        songOrder = order;
        f.demo.drawScene();
        EXPECT_TRUE(is_ink_block(f, 20, 120)) << order;
        EXPECT_EQ(f.back(0, 0), 0u) << order;
        EXPECT_EQ(f.back(19, 120), 0u) << order;
    }
}
