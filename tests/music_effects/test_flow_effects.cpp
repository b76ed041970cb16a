// Song-level effects: position jump and pattern break (alone, together, at the song's end,
// out of range), pattern loop, pattern delay, speed and tempo.

#include <utility>
#include <vector>

#include "tests/music_effects/effects_fixture.h"

namespace {

using Rows = std::vector<std::pair<int, int>>;

class FlowEffects : public EffectsTest {
protected:
    // (order, row) at each of the next `count` row starts.
    Rows rowStarts(int count) {
        Rows out;
        while (static_cast<int>(out.size()) < count) {
            const bool starts = mod().tick == 0;
            tick();
            if (starts)
                out.emplace_back(mod().order, mod().row);
        }
        return out;
    }

    // 16 x pattern + row of the cells each of the next `count` row starts played, read back
    // from the volume mark_rows put there (a pattern loop moves `row` during the row start).
    V playedRows(int count) {
        V out;
        while (static_cast<int>(out.size()) < count) {
            const bool starts = mod().tick == 0;
            tick();
            if (starts)
                out.push_back(ch().volume);
        }
        return out;
    }
};

// Channel 0 of row r in pattern p sets the volume 16 p + r (up to 4 patterns of 16 rows).
XmModuleDef mark_rows(XmModuleDef def) {
    for (size_t p = 0; p < def.patterns.size(); ++p)
        for (int r = 0; r < def.patterns[p].rows; ++r)
            cell(def, r, 0, int(p)).volume = uint8_t(0x10 + 16 * p + r);
    return def;
}

TEST_F(FlowEffects, PositionJumpAndBreakWrapAtTheSongEnd) {
    load(effects_song({{0, 0, 0, 0xB, 0x02}, {1, 0, 0, 0xB, 0x05, 0, 1}}, 1, 4, 4));
    EXPECT_EQ(rowStarts(4), (Rows{{0, 0}, {2, 0}, {2, 1}, {2, 2}}));
    load(effects_song({{2, 0, 0, 0xB, 0x05, 0, 1}}, 1, 4, 4)); // beyond the song: order 0
    EXPECT_EQ(rowStarts(8), (Rows{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {1, 2}, {0, 0}}));
    // A break at the last order goes to order 0, not to the restart position.
    XmModuleDef def = effects_song({{1, 0, 0, 0xD, 0x02, 0, 2}}, 1, 4, 3);
    def.restart = 1;
    load(def);
    rowStarts(8);
    EXPECT_EQ(rowStarts(3), (Rows{{2, 0}, {2, 1}, {0, 2}}));
}

TEST_F(FlowEffects, PatternBreakAbove63OrBeyondThePatternGoesToRowZero) {
    load(effects_song({{1, 0, 0, 0xD, 0x70}}, 1, 80, 2)); // row 70 exists but is above 63
    EXPECT_EQ(rowStarts(3), (Rows{{0, 0}, {0, 1}, {1, 0}}));
    // D12 asks for row 12 of an 8-row pattern: row 0 is played instead.
    load(mark_rows(effects_song({{1, 0, 0, 0xD, 0x12}}, 1, 8, 2)));
    EXPECT_EQ(playedRows(4), (V{0, 1, 16, 17}));
}

TEST_F(FlowEffects, JumpAndBreakInOneRowFollowChannelOrder) {
    const struct {
        Put first, second;
        std::pair<int, int> target;
    } cases[] = {
        {{0, 0, 0, 0xB, 0x03, 0}, {0, 0, 0, 0xD, 0x05, 1}, {3, 5}}, // B's order, D's row
        {{0, 0, 0, 0xD, 0x05, 0}, {0, 0, 0, 0xB, 0x03, 1}, {3, 0}}, // a later B resets the row
        {{0, 0, 0, 0xD, 0x05, 0}, {0, 0, 0, 0xD, 0x02, 1}, {1, 2}}, // later D wins, one advance
    };
    for (const auto& c : cases) {
        load(effects_song({c.first, c.second}, 2, 8, 4));
        EXPECT_EQ(rowStarts(2), (Rows{{0, 0}, c.target}));
    }
}

TEST_F(FlowEffects, PatternLoopE62WithE60AndWithoutAStart) {
    load(mark_rows(effects_song({{1, 0, 0, 0xE, 0x60}, {3, 0, 0, 0xE, 0x62}}, 1, 6)));
    EXPECT_EQ(playedRows(11), (V{0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4}));
    EXPECT_EQ(ch().loop_count, 0);
    EXPECT_EQ(ch().loop_row, 1);
    load(mark_rows(effects_song({{2, 0, 0, 0xE, 0x61}}, 1, 4)));
    EXPECT_EQ(playedRows(7), (V{0, 1, 2, 0, 1, 2, 3}));
    // Loop and break in one row: the break's row wins.
    load(mark_rows(effects_song(
        {{0, 0, 0, 0xE, 0x60}, {1, 0, 0, 0xE, 0x61}, {1, 0, 0, 0xD, 0x04, 1}}, 2, 8, 2)));
    EXPECT_EQ(playedRows(3), (V{0, 1, 20}));
}

TEST_F(FlowEffects, PatternLoopTargetsOutsideThePattern) {
    // Loop back to row 10 of a 4-row pattern: the pattern ends and the next order plays.
    XmModuleDef def = effects_song({{10, 0, 0, 0xE, 0x60}}, 1, 16, 2);
    def.patterns[1].rows = 4;
    def.patterns[1].cells.clear();
    cell(def, 2, 0, 1) = XmCellDef{0, 0, 0, 0xE, 0x61};
    load(mark_rows(def));
    playedRows(16);
    EXPECT_EQ(playedRows(5), (V{16, 17, 18, 0, 1}));
    EXPECT_EQ(ch().loop_count, 1);
    // Channel 0 loops to row 0 (row is -1 until the next row start) and channel 1 then takes
    // that -1 as its loop start; its loop in row 1 still goes to row 0.
    load(mark_rows(
        effects_song({{2, 0, 0, 0xE, 0x61}, {2, 0, 0, 0xE, 0x60, 1}, {1, 0, 0, 0xE, 0x61, 1}}, 2)));
    EXPECT_EQ(playedRows(5), (V{0, 1, 0, 1, 2}));
    EXPECT_EQ(ch(1).loop_row, -1);
    EXPECT_EQ(playedRows(6), (V{0, 1, 0, 1, 2, 3}));
}

TEST_F(FlowEffects, PatternDelayEE2KeepsTickEffectsRunning) {
    load(effects_song({{0, C4, 0, 0xA, 0x01}, {1, 0, 0x61, 0xE, 0xE2}})); // volume column too
    tick(6);
    EXPECT_EQ(ch().volume, 59);
    // 18 ticks of row 1 (row start and 17 later ticks), each sliding both columns.
    EXPECT_EQ(trace(18, &Module::row), per_row({1}, 18));
    EXPECT_EQ(ch().volume, 59 - 18);
    EXPECT_EQ(trace(1, &Module::row), V{2});
    // The delay counts in the speed set before it in channel order.
    load(effects_song({{0, 0, 0, 0xE, 0xE1}, {0, 0, 0, 0xF, 0x03, 1}}, 2));
    EXPECT_EQ(trace(10, &Module::row), (V{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    load(effects_song({{0, 0, 0, 0xF, 0x03}, {0, 0, 0, 0xE, 0xE1, 1}}, 2));
    EXPECT_EQ(trace(7, &Module::row), (V{0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(FlowEffects, SpeedF1FTempoF20AndSpeedF00) {
    load(effects_song({{0, 0, 0, 0xF, 0x1F}, {1, 0, 0, 0xF, 0x20}, {2, 0, 0, 0xF, 0xFF}}));
    EXPECT_EQ(trace(1, &Module::samples_per_tick), V{882});
    EXPECT_EQ(mod().speed, 31);
    EXPECT_EQ(trace(30, &Module::row), per_row({0}, 30));
    EXPECT_EQ(trace(1, &Module::row), V{1});
    EXPECT_EQ(mod().speed, 31);
    EXPECT_EQ(mod().bpm, 32);
    EXPECT_EQ(mod().samples_per_tick, 3445);
    tick(31);
    EXPECT_EQ(mod().bpm, 255);
    EXPECT_EQ(mod().samples_per_tick, 432);
    load(effects_song({{0, 0, 0, 0xF, 0x00}}));
    EXPECT_EQ(rowStarts(4), (Rows{{0, 0}, {0, 1}, {0, 2}, {0, 3}})); // every tick a row start
    EXPECT_EQ(mod().speed, 0);
}

} // namespace
