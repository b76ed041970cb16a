// Song-level effects: position jump and pattern break (alone, together, at the song's end,
// out of range), pattern loop, pattern delay, speed and tempo.

#include <utility>
#include <vector>

#include "tests/music_effects/effects_fixture.h"

namespace {

class FlowEffects : public EffectsTest {
protected:
    // (order, row) of each of the next `count` row starts.
    std::vector<std::pair<int, int>> rowStarts(int count) {
        std::vector<std::pair<int, int>> out;
        while (static_cast<int>(out.size()) < count) {
            const bool starts = mod().tick == 0;
            tick();
            if (starts)
                out.emplace_back(mod().order, mod().row);
        }
        return out;
    }

    // The (pattern, row) whose cells each of the next `count` row starts processed, read
    // back from the volume that mark_rows put into channel 0. Unlike the module's `row`,
    // which a pattern loop moves during the row start, this is what was really played.
    std::vector<std::pair<int, int>> playedRows(int count) {
        std::vector<std::pair<int, int>> out;
        while (static_cast<int>(out.size()) < count) {
            const bool starts = mod().tick == 0;
            tick();
            if (starts)
                out.emplace_back(ch().volume / 16, ch().volume % 16);
        }
        return out;
    }
};

// Channel 0 of row r in pattern p sets the volume 16 p + r (up to 4 patterns of 16 rows).
void mark_rows(XmModuleDef& def) {
    for (size_t p = 0; p < def.patterns.size(); ++p)
        for (int r = 0; r < def.patterns[p].rows; ++r)
            cell(def, r, 0, static_cast<int>(p)).volume = static_cast<uint8_t>(0x10 + 16 * p + r);
}

using Rows = std::vector<std::pair<int, int>>;

TEST_F(FlowEffects, PositionJumpBeyondTheSongGoesToOrderZero) {
    XmModuleDef def = effects_song(1, 4, 4);
    effect_cell(def, 1, 0xB, 0x05, 0, 1);
    effect_cell(def, 0, 0xB, 0x02, 0, 0);
    load(def);
    EXPECT_EQ(rowStarts(4), (Rows{{0, 0}, {2, 0}, {2, 1}, {2, 2}}));
    XmModuleDef def2 = effects_song(1, 4, 4);
    effect_cell(def2, 2, 0xB, 0x05, 0, 1);
    load(def2);
    EXPECT_EQ(rowStarts(8), (Rows{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {1, 2}, {0, 0}}));
}

TEST_F(FlowEffects, PatternBreakAbove63GoesToRowZeroOfTheNextOrder) {
    XmModuleDef def = effects_song(1, 8, 2);
    effect_cell(def, 1, 0xD, 0x70);
    effect_cell(def, 2, 0xD, 0x12, 0, 1); // row 12 > 7 rows
    mark_rows(def);
    load(def);
    EXPECT_EQ(playedRows(5), (Rows{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}}));
    // Row 12 lies beyond the 8-row pattern: the replay plays row 0 of it instead.
    EXPECT_EQ(playedRows(2), (Rows{{0, 0}, {0, 1}}));
    EXPECT_EQ(mod().row, 1);
}

TEST_F(FlowEffects, PatternBreakAtTheLastOrderGoesToOrderZeroNotTheRestart) {
    XmModuleDef def = effects_song(1, 4, 3);
    def.restart = 1;
    effect_cell(def, 1, 0xD, 0x02, 0, 2);
    load(def);
    rowStarts(8);
    EXPECT_EQ(rowStarts(3), (Rows{{2, 0}, {2, 1}, {0, 2}}));
    // Without the break the song would continue at the restart position.
    XmModuleDef plain = effects_song(1, 2, 3);
    plain.restart = 1;
    load(plain);
    rowStarts(6);
    EXPECT_EQ(rowStarts(1), (Rows{{1, 0}}));
}

TEST_F(FlowEffects, JumpAndBreakInOneRowFollowChannelOrder) {
    // B in channel 0, D in channel 1: B's order, D's row.
    XmModuleDef def = effects_song(2, 8, 4);
    effect_cell(def, 0, 0xB, 0x03, 0);
    effect_cell(def, 0, 0xD, 0x05, 1);
    load(def);
    EXPECT_EQ(rowStarts(2), (Rows{{0, 0}, {3, 5}}));
    // D in channel 0, B in channel 1: B overrides both (row 0).
    XmModuleDef def2 = effects_song(2, 8, 4);
    effect_cell(def2, 0, 0xD, 0x05, 0);
    effect_cell(def2, 0, 0xB, 0x03, 1);
    load(def2);
    EXPECT_EQ(rowStarts(2), (Rows{{0, 0}, {3, 0}}));
    // Two breaks: the later row wins, the order advances once.
    XmModuleDef def3 = effects_song(2, 8, 4);
    effect_cell(def3, 0, 0xD, 0x05, 0);
    effect_cell(def3, 0, 0xD, 0x02, 1);
    load(def3);
    EXPECT_EQ(rowStarts(2), (Rows{{0, 0}, {1, 2}}));
}

TEST_F(FlowEffects, PatternLoopPlaysTheBlockThreeTimes) {
    XmModuleDef def = effects_song(1, 6);
    effect_cell(def, 1, 0xE, 0x60);
    effect_cell(def, 3, 0xE, 0x62);
    mark_rows(def);
    load(def);
    EXPECT_EQ(playedRows(11), (Rows{{0, 0},
                                    {0, 1},
                                    {0, 2},
                                    {0, 3},
                                    {0, 1},
                                    {0, 2},
                                    {0, 3},
                                    {0, 1},
                                    {0, 2},
                                    {0, 3},
                                    {0, 4}}));
    EXPECT_EQ(ch().loop_count, 0);
    EXPECT_EQ(ch().loop_row, 1);
}

TEST_F(FlowEffects, PatternLoopWithoutStartLoopsFromRowZero) {
    XmModuleDef def = effects_song(1, 4);
    effect_cell(def, 2, 0xE, 0x61);
    mark_rows(def);
    load(def);
    EXPECT_EQ(playedRows(7), (Rows{{0, 0}, {0, 1}, {0, 2}, {0, 0}, {0, 1}, {0, 2}, {0, 3}}));
}

TEST_F(FlowEffects, PatternLoopTargetBeyondThePatternEndsIt) {
    XmModuleDef def = effects_song(1, 16, 2);
    def.patterns[1].rows = 4;
    effect_cell(def, 10, 0xE, 0x60, 0, 0);
    effect_cell(def, 2, 0xE, 0x61, 0, 1); // loop back to row 10 of a 4-row pattern
    mark_rows(def);
    load(def);
    playedRows(16);
    // The loop asks for row 10, which the 4-row pattern lacks: the pattern ends there and
    // the song goes on with the next order position.
    EXPECT_EQ(playedRows(5), (Rows{{1, 0}, {1, 1}, {1, 2}, {0, 0}, {0, 1}}));
    EXPECT_EQ(ch().loop_count, 1);
}

TEST_F(FlowEffects, PatternLoopStartTakenWhileAnotherLoopHoldsTheRowBeforeZero) {
    // Row 2: channel 0 loops to row 0 (row becomes -1 until the next row start) and channel
    // 1 then takes that -1 as its loop start; its loop in row 1 still goes to row 0.
    XmModuleDef def = effects_song(2, 8);
    effect_cell(def, 2, 0xE, 0x61, 0);
    effect_cell(def, 2, 0xE, 0x60, 1);
    effect_cell(def, 1, 0xE, 0x61, 1);
    mark_rows(def);
    load(def);
    EXPECT_EQ(playedRows(5), (Rows{{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(ch(1).loop_row, -1);
    EXPECT_EQ(playedRows(6), (Rows{{0, 0}, {0, 1}, {0, 0}, {0, 1}, {0, 2}, {0, 3}}));
}

TEST_F(FlowEffects, PatternLoopAndBreakInOneRow) {
    XmModuleDef def = effects_song(2, 8, 2);
    effect_cell(def, 0, 0xE, 0x60, 0);
    effect_cell(def, 1, 0xE, 0x61, 0);
    effect_cell(def, 1, 0xD, 0x04, 1); // the break's row wins over the loop
    mark_rows(def);
    load(def);
    EXPECT_EQ(playedRows(3), (Rows{{0, 0}, {0, 1}, {1, 4}}));
}

TEST_F(FlowEffects, PatternDelayLengthensTheRowAndKeepsTickEffects) {
    XmModuleDef def = effects_song();
    note_cell(def, 0, 0xA, 0x01);
    effect_cell(def, 1, 0xE, 0xE2);
    cell(def, 1).volume = 0x61; // the volume column slides on too
    load(def);
    tick(6);
    EXPECT_EQ(ch().volume, 59);
    tick();
    EXPECT_EQ(mod().pattern_delay_ticks, 12);
    int ticks = 1;
    while (mod().tick != 0) {
        EXPECT_EQ(mod().row, 1);
        tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 18);
    EXPECT_EQ(ch().volume, 59 - 18); // row start and 17 later ticks
    EXPECT_EQ(mod().pattern_delay_ticks, 0);
    EXPECT_EQ(rowStarts(1), (Rows{{0, 2}}));
}

TEST_F(FlowEffects, PatternDelayUsesTheSpeedInForceForItsChannel) {
    XmModuleDef def = effects_song(2);
    effect_cell(def, 0, 0xE, 0xE1, 0);
    effect_cell(def, 0, 0xF, 0x03, 1); // later channel: the delay used speed 6
    load(def);
    tick();
    EXPECT_EQ(mod().pattern_delay_ticks, 6);
    EXPECT_EQ(mod().speed, 3);
    tick(8);
    EXPECT_EQ(mod().tick, 0);
    EXPECT_EQ(mod().row, 0);
    tick();
    EXPECT_EQ(mod().row, 1);
    // The other way round the delay counts in the new speed: 3 + 3 ticks.
    XmModuleDef def2 = effects_song(2);
    effect_cell(def2, 0, 0xF, 0x03, 0);
    effect_cell(def2, 0, 0xE, 0xE1, 1);
    load(def2);
    tick();
    EXPECT_EQ(mod().pattern_delay_ticks, 3);
    tick(5);
    EXPECT_EQ(mod().row, 0);
    tick();
    EXPECT_EQ(mod().row, 1);
}

TEST_F(FlowEffects, SpeedZeroMakesEveryTickARowStart) {
    XmModuleDef def = effects_song(1, 8);
    effect_cell(def, 0, 0xF, 0x00);
    load(def);
    EXPECT_EQ(rowStarts(4), (Rows{{0, 0}, {0, 1}, {0, 2}, {0, 3}}));
    EXPECT_EQ(mod().speed, 0);
}

TEST_F(FlowEffects, SpeedUpTo31TempoFrom32) {
    XmModuleDef def = effects_song(1, 8);
    effect_cell(def, 0, 0xF, 0x1F);
    effect_cell(def, 1, 0xF, 0x20);
    effect_cell(def, 2, 0xF, 0xFF);
    load(def);
    tick();
    EXPECT_EQ(mod().speed, 31);
    EXPECT_EQ(mod().samples_per_tick, 882);
    tick(31);
    EXPECT_EQ(mod().speed, 31);
    EXPECT_EQ(mod().bpm, 32);
    EXPECT_EQ(mod().samples_per_tick, 3445);
    tick(31);
    EXPECT_EQ(mod().bpm, 255);
    EXPECT_EQ(mod().samples_per_tick, 432);
}

} // namespace
