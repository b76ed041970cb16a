// Volume effects: slides and their shared memories, set volume beyond 64, fine slides,
// tremolo, tremor, retriggers, note cut, global volume.

#include "music/effects.h"
#include "tests/music_effects/effects_fixture.h"

namespace {

using VolumeEffects = EffectsTest;

TEST_F(VolumeEffects, VolumeSlideMemoryAndNibblePriority) {
    load(effects_song({{0, C4, 0x20, 0xA, 0x30}, // volume 16
                       {1, 0, 0, 0xA, 0x00},
                       {2, 0, 0, 0xA, 0x0F},
                       {3, 0, 0, 0xA, 0x3F}, // both nibbles: up wins
                       {4, 0, 0, 0x6, 0x00}, // 6 and 5 share the memory
                       {5, 0, 0, 0x5, 0x00}}));
    EXPECT_EQ(trace(36, &Channel::volume),
              (V{16, 19, 22, 25, 28, 31, 31, 34, 37, 40, 43, 46, 46, 31, 16, 1,  0,  0,
                 0,  3,  6,  9,  12, 15, 15, 18, 21, 24, 27, 30, 30, 33, 36, 39, 42, 45}));
}

TEST_F(VolumeEffects, SetVolumeC7FAndFineSlides) {
    load(effects_song({{0, C4, 0, 0xC, 0x7F}}));
    tick();
    EXPECT_EQ(ch().volume, 127);
    EXPECT_EQ(voice().volume, 253); // 64 x 127 x 65536 x 64 x 255 / 2^35, truncated
    EXPECT_EQ(voice().gain_left, 253 * 127 / 255);

    load(effects_song({{0, C4, 0, 0xC, 0x20},
                       {1, 0, 0, 0xE, 0xA4},
                       {2, 0, 0, 0xE, 0xB0}, // EA and EB share one memory
                       {3, 0, 0, 0xE, 0xA0},
                       {4, 0, 0, 0xE, 0xBF},
                       {5, 0, 0, 0xE, 0xBF},
                       {6, 0, 0, 0xE, 0xBF}}));
    EXPECT_EQ(trace(42, &Channel::volume), per_row({32, 36, 32, 36, 21, 6, 0}));
}

TEST_F(VolumeEffects, TremoloClampsAndLeavesItsLastChangeInTheVolume) {
    load(effects_song({{0, C4, 0x10 + 10, 0x7, 0xCF}})); // speed 12, depth 15
    // Positions 0, 0, 12, 24, -28, -16: shape x 15 >> 6, held so that 10 + d stays in 0..64.
    EXPECT_EQ(trace(6, &Channel::volume_delta), (V{0, 0, 54, 42, -10, -10}));
    EXPECT_EQ(ch().volume, 10);
    EXPECT_EQ(ch().tremolo_position, -4);
    tick(); // row 1 has no tremolo: the last change stays
    EXPECT_EQ(ch().volume, 0);
    EXPECT_EQ(ch().volume_delta, 0);

    Channel c{};
    auto delta = [&c](int32_t volume, uint8_t waveform, int position) {
        c.volume = volume;
        c.tremolo_depth = 64; // d = shape
        c.waveform = waveform;
        c.tremolo_position = static_cast<int8_t>(position);
        channel_tremolo(&c);
        return c.volume_delta;
    };
    EXPECT_EQ(delta(32, 0x10, 3), 24);   // ramp
    EXPECT_EQ(delta(32, 0x10, -1), -7);  // 255 - 248, downward
    EXPECT_EQ(delta(32, 0x20, -5), -32); // square 255, held at the volume
    EXPECT_EQ(delta(32, 0x30, 4), 32);   // 3 is the sine: 97 held at 64 - 32
    EXPECT_EQ(delta(0, 0x30, 1), 25);
}

TEST_F(VolumeEffects, TremorT12SoundsTwoTicksAndRestsThree) {
    XmModuleDef def = effects_song({{0, C4, 0, 0x1D, 0x12}});
    def.speed = 8;
    load(def);
    EXPECT_EQ(trace(8, &Voice::volume), (V{127, 127, 0, 0, 0, 127, 127, 0}));
    // A channel that never saw a T parameter is silent through a T00 row.
    load(effects_song({{0, C4, 0, 0x1D, 0x00}}));
    EXPECT_EQ(trace(6, &Voice::volume), per_row({0}));
}

TEST_F(VolumeEffects, RetriggersR24AndE93) {
    // Reads the play position after each tick, then moves it away for the next.
    auto positions = [this](int ticks) {
        return traceOf(ticks, [this] {
            const uint32_t p = voice().position;
            voice().position = 900;
            return p;
        });
    };
    XmModuleDef def = effects_song({{0, C4, 0, 0x1B, 0x24}});
    def.speed = 12;
    load(def);
    EXPECT_EQ(positions(4), (V{0, 900, 900, 900}));
    EXPECT_EQ(ch().volume, 64);
    EXPECT_EQ(positions(4), (V{0, 900, 900, 900}));
    EXPECT_EQ(ch().volume, 62);
    EXPECT_EQ(positions(4), (V{0, 900, 900, 900}));
    EXPECT_EQ(ch().volume, 60);

    def = effects_song({{0, C4, 0, 0xE, 0x93}});
    def.speed = 7;
    load(def);
    EXPECT_EQ(positions(7), (V{0, 900, 900, 0, 900, 900, 0}));
    EXPECT_EQ(ch().volume, 64);
}

TEST_F(VolumeEffects, RetriggerVolumeTable) {
    const struct {
        uint8_t kind;
        int32_t from, to;
    } cases[] = {{0, 80, 80}, {1, 10, 9},  {3, 10, 6},   {5, 10, 0},   {6, 10, 6},   {7, 11, 5},
                 {8, 80, 64}, {9, 10, 11}, {13, 60, 64}, {14, 11, 16}, {15, 40, 64}, {15, 20, 40}};
    for (const auto& c : cases) {
        XmModuleDef def = effects_song({{0, C4, 0, 0x1B, uint8_t(c.kind << 4 | 1)}});
        def.speed = 2;
        load(def);
        tick();
        ch().volume = c.from;
        tick();
        EXPECT_EQ(ch().volume, c.to) << "kind " << int(c.kind);
    }
}

TEST_F(VolumeEffects, NoteCutEC3AndNeverForEC0) {
    load(effects_song({{0, C4, 0, 0xE, 0xC3}, {1, C4, 0, 0xE, 0xC0}}));
    EXPECT_EQ(trace(12, &Voice::volume), (V{127, 127, 127, 0, 0, 0, 127, 127, 127, 127, 127, 127}));
}

TEST_F(VolumeEffects, GlobalVolumeG80CapsAndH0FWaitsForTheNextVolumeUpdate) {
    load(effects_song({{0, C4, 0, 0x10, 0x20}, {1, 0, 0, 0x10, 0x80}}));
    tick();
    EXPECT_EQ(voice().volume, 63); // 32 x 64 x 64 x 65536 x 255 / 2^35
    EXPECT_EQ(trace(6, &Module::global_volume), (V{32, 32, 32, 32, 32, 64}));
    EXPECT_EQ(voice().volume, 127);

    XmModuleDef def = effects_song({{0, C4, 0, 0x11, 0x0F}});
    def.speed = 4;
    load(def);
    EXPECT_EQ(trace(5, &Module::global_volume), (V{64, 49, 34, 19, 19}));
    load(def);
    // The slide sets no update flag: voices take it at row 1's start.
    EXPECT_EQ(trace(5, &Voice::volume), (V{127, 127, 127, 127, 37}));
}

} // namespace
