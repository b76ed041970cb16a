// The volume column: every range at the row start and on later ticks, the vibrato and
// portamento memories it shares with the effects, and the unclamped panning slides.

#include "tests/music_effects/effects_fixture.h"

namespace {

using VolumeColumn = EffectsTest;

TEST_F(VolumeColumn, VolumeRanges) {
    const struct {
        uint8_t byte;
        bool note;
        V volumes; // after the row start and each later tick
    } cases[] = {
        {0x10, false, per_row({0})},
        {0x50, false, per_row({64})},
        {0x18, true, per_row({8})}, // the set volume wins over the sample's 64
        {0x65, false, {27, 22, 17, 12, 7, 2}},
        {0x6F, false, {17, 2, 0, 0, 0, 0}},
        {0x79, false, {41, 50, 59, 64, 64, 64}},
        {0x83, false, per_row({29})},
        {0x9F, false, per_row({47})},
        {0x93, true, per_row({64})},
        {0x05, false, per_row({32})}, // unused bytes do nothing
        {0x51, false, per_row({32})},
        {0x5F, false, per_row({32})},
    };
    for (const auto& c : cases) {
        // Row 0 sets volume 32; row 1 holds the byte.
        XmModuleDef def =
            effects_song({{0, C4, 0, 0xC, 0x20}, {1, uint8_t(c.note ? C4 : 0), c.byte}});
        load(def);
        tick(6);
        EXPECT_EQ(trace(6, &Channel::volume), c.volumes) << std::hex << int(c.byte);
    }
}

TEST_F(VolumeColumn, PanningC8IsTheCentreAndDFSlidesUnclamped) {
    load(effects_song({{0, C4, 0xC8}, {1, 0, 0xC0}, {2, 0, 0xCF}}));
    EXPECT_EQ(trace(13, &Channel::panning),
              (V{128, 128, 128, 128, 128, 128, 0, 0, 0, 0, 0, 0, 240}));

    load(effects_song({{0, C4, 0xDF}, {1, 0, 0xC0}, {2, 0, 0xDF}, {3, 0, 0xE5}}));
    // Slides run at the row start too; only the voice's copy is clamped.
    EXPECT_EQ(trace(6, &Channel::panning), (V{113, 98, 83, 68, 53, 38}));
    EXPECT_EQ(voice().panning, 38);
    tick(12);
    EXPECT_EQ(ch().panning, -90);
    EXPECT_EQ(voice().panning, 0);
    EXPECT_EQ(trace(6, &Channel::panning), (V{-85, -80, -75, -70, -65, -60}));
    EXPECT_EQ(voice().panning, 0);
}

TEST_F(VolumeColumn, VibratoSharesSpeedAndDepthWithEffect4) {
    load(effects_song({{0, C4, 0xA4},           // speed 4 alone does nothing
                       {1, 0, 0xB8},            // depth 8 and vibrato on the later ticks
                       {2, 0, 0, 0x4, 0x00}})); // effect 4 uses both
    EXPECT_EQ(trace(6, &Channel::period_delta), per_row({0}));
    EXPECT_EQ(ch().vibrato_position, 0);
    EXPECT_EQ(trace(6, &Channel::period_delta), (V{0, 0, -24, -44, -56, -60}));
    EXPECT_EQ(trace(2, &Channel::period_delta), (V{-56, -56}));
    EXPECT_EQ(ch().vibrato_position, 24);
}

TEST_F(VolumeColumn, TonePortamentoSharesItsSpeedWithEffect3) {
    load(effects_song({{0, C4},
                       {1, C4 + 1, 0xF1},            // C#4: 4544, speed 16: 64 per tick
                       {2, C4 - 1, 0, 0x3, 0x00}})); // B-3: 4672, effect 3 with the same speed
    tick(6);
    voice().position = 333;
    tick();
    EXPECT_EQ(ch().porta_target, 4544);
    EXPECT_EQ(ch().flags & UPDATE_TRIGGER, 0);
    EXPECT_EQ(voice().position, 333u);
    EXPECT_EQ(trace(8, &Channel::period), (V{4544, 4544, 4544, 4544, 4544, 4544, 4608, 4672}));
    EXPECT_EQ(ch().porta_target, 4672);
}

} // namespace
