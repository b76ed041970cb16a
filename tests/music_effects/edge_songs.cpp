// Tiny songs, one per corner of an effect: the jumps and loops at the edges of the song and the
// pattern, memories, limits and clamps. Their renders are compared with the golden checksums.

#include "tests/music_effects/effect_songs.h"

#include <cstdint>

namespace {

constexpr uint8_t C4 = 49;

// A cell; a note comes with instrument 1; `fx` is the effect number times 256 plus parameter.
struct Hit {
    int row;
    uint8_t note = 0, volume = 0;
    uint16_t fx = 0;
    int channel = 0, pattern = 0;
};

struct Edge {
    const char* name;
    std::vector<Hit> hits;
    int channels = 1, rows = 8, patterns = 1;
    int vibratoType = -1; // the instrument's auto-vibrato waveform, if any
    bool linear = true;   // false: Amiga periods
};

// `patterns` patterns of `rows` rows played in order, speed 6, tempo 125, one instrument with
// one unlooped 2000-value square sample.
XmModuleDef edge_song(const Edge& e) {
    XmModuleDef def;
    def.channels = e.channels;
    def.linear = e.linear;
    for (int p = 0; p < e.patterns; ++p) {
        XmPatternDef pattern;
        pattern.rows = e.rows;
        def.patterns.push_back(pattern);
        def.orders.push_back(static_cast<uint8_t>(p));
    }
    XmSampleDef sample;
    for (int i = 0; i < 2000; ++i)
        sample.data.push_back((i / 20) % 2 ? 12000 : -12000);
    def.instruments.emplace_back();
    def.instruments[0].samples.push_back(sample);
    if (e.vibratoType >= 0) {
        XmInstrumentDef& ins = def.instruments[0];
        ins.vibType = uint8_t(e.vibratoType);
        ins.vibSweep = 4;
        ins.vibDepth = 15;
        ins.vibRate = 200;
    }
    for (const Hit& h : e.hits)
        def.patterns[h.pattern].at(h.row, h.channel, e.channels) =
            XmCellDef{h.note, uint8_t(h.note ? 1 : 0), h.volume, uint8_t(h.fx >> 8), uint8_t(h.fx)};
    return def;
}

// clang-format off: one song per row reads best
const Edge EDGES[] = {
    {"jump_wrap", {{0, C4, 0, 0xB02}, {1, 0, 0, 0xB05, 0, 1}}, 1, 4, 4},
    {"jump_beyond_song", {{0, C4}, {2, 0, 0, 0xB05, 0, 1}}, 1, 4, 4},
    {"break_at_last_order", {{0, C4}, {1, 0, 0, 0xD02, 0, 2}}, 1, 4, 3},
    {"break_above_63", {{0, C4}, {1, 0, 0, 0xD70}}, 1, 80, 2},
    {"break_beyond_pattern", {{0, C4}, {1, 0, 0, 0xD12}}, 1, 8, 2},
    {"jump_then_break", {{0, C4, 0, 0xB03}, {0, 0, 0, 0xD05, 1}}, 2, 8, 4},
    {"break_then_jump", {{0, C4, 0, 0xD05}, {0, 0, 0, 0xB03, 1}}, 2, 8, 4},
    {"jump_to_start_then_break", {{0, C4, 0, 0xB00}, {0, 0, 0, 0xD05, 1}}, 2, 8, 2},
    {"break_twice", {{0, C4, 0, 0xD05}, {0, 0, 0, 0xD02, 1}}, 2, 8, 4},
    {"loop_twice", {{0, C4}, {1, 0, 0, 0xE60}, {3, C4, 0, 0xE62}}, 1, 6},
    {"loop_without_start", {{0, C4}, {2, 0, 0, 0xE61}}, 1, 4},
    {"loop_and_break", {{0, C4, 0, 0xE60}, {1, 0, 0, 0xE61}, {1, 0, 0, 0xD04, 1}}, 2, 8, 2},
    {"loop_start_in_last_pattern", {{0, C4}, {10, 0, 0, 0xE60}, {2, C4, 0, 0xE61, 0, 1}}, 1, 16, 2},
    {"loops_in_two_channels",
     {{0, C4}, {2, 0, 0, 0xE61}, {2, 0, 0, 0xE60, 1}, {1, 0, 0, 0xE61, 1}}, 2},
    {"pattern_delay_slides", {{0, C4, 0, 0xA01}, {1, 0, 0x61, 0xEE2}}},
    {"delay_then_speed", {{0, C4, 0, 0xEE1}, {0, 0, 0, 0xF03, 1}}, 2},
    {"speed_then_delay", {{0, C4, 0, 0xF03}, {0, 0, 0, 0xEE1, 1}}, 2},
    {"speed_and_tempo", {{0, C4, 0, 0xF1F}, {1, 0, 0, 0xF20}, {2, 0, 0, 0xFFF}}},
    {"speed_zero", {{0, C4, 0, 0xF00}}},
    {"note_delay_restores", {{0, C4, 0xC4, 0xC10}, {1, C4 + 2, 0, 0xED2}}},
    {"note_delay_volume", {{0, C4, 0x38, 0xED3}}},
    {"note_delay_zero_and_beyond", {{0, C4, 0, 0xED0}, {2, C4, 0, 0xED6}, {4, C4, 0, 0xEDF}}},
    {"offset_memory", {{0, C4, 0, 0x904}, {1, C4}, {2, C4, 0, 0x900}, {3, 0, 0, 0x903}, {4, C4}}},
    {"offset_then_retrigger", {{0, C4, 0, 0x904}, {1, 0, 0, 0x1B01}}},
    {"offset_beyond_end", {{0, C4}, {1, C4, 0, 0x908}}},
    {"offset_without_note", {{0, C4, 0, 0x902}, {1, 0, 0, 0x901}, {2, C4, 0, 0x901}}},
    {"panning_slides", {{0, C4, 0, 0x8F0}, {1, 0, 0, 0x1940}, {2, 0, 0, 0xE83}, {3, 0, 0, 0x1900},
                        {4, 0, 0, 0x190F}}},
    {"key_off_effect", {{0, C4}, {1, 0, 0, 0x1405}}},
    {"envelope_position", {{0, C4}, {1, 0, 0, 0x1505}}},
    {"portamento_memory_and_floor", {{0, C4, 0, 0x104}, {1, 0, 0, 0x100}, {2, 0, 0, 0x1FF},
                                     {3, 0, 0, 0x1FF}, {4, 0, 0, 0x1FF}}},
    {"portamento_down_unbounded", {{0, C4, 0, 0x2FF}, {1, 0, 0, 0x200}, {2, 0, 0, 0x200}}},
    {"tone_portamento_target",
     {{0, C4}, {1, C4 + 2, 0, 0x305}, {2, 0, 0, 0x300}, {3, C4, 0, 0x300}, {4, 0, 0, 0x300}}},
    {"arpeggio", {{0, C4, 0, 0x037}, {1, 0, 0, 0x0F7}}},
    {"waveform_three_restarts", {{0, C4, 0, 0xE43}, {1, 0, 0, 0x4A8}, {2, C4, 0, 0x400},
                                 {3, 0, 0, 0xE73}, {4, C4, 0, 0x7A8}, {5, C4, 0, 0x700}}},
    {"vibrato_memories", {{0, C4, 0, 0x448}, {1, 0, 0, 0x400}, {2, 0, 0, 0x4C0}}},
    {"fine_slide_memories", {{0, C4, 0, 0xE13}, {1, 0, 0, 0xE10}, {2, 0, 0, 0xE25},
                             {3, 0, 0, 0xE20}, {4, 0, 0, 0x2117}, {5, 0, 0, 0x2110},
                             {6, 0, 0, 0x2122}, {7, 0, 0, 0x2120}}},
    {"finetune_stays", {{0, C4, 0, 0xE58}, {1, C4, 0, 0, 1}, {2, C4}}, 2},
    {"finetune_highest", {{0, C4, 0, 0xE5F}}},
    {"volume_column_panning", {{0, C4, 0xC8}, {1, 0, 0xC0}, {2, 0, 0xCF}, {3, 0, 0xDF},
                               {4, 0, 0xE5}, {5, 0, 0xD3}}},
    {"volume_column_slides", {{0, C4, 0x20, 0xC20}, {1, 0, 0x65}, {2, 0, 0x75}, {3, 0, 0x83},
                              {4, 0, 0x93}, {5, 0, 0x6F}, {6, 0, 0x7F}}},
    {"volume_column_vibrato_shared", {{0, C4, 0xA4}, {1, 0, 0xB8}, {2, 0, 0, 0x400}}},
    {"volume_column_portamento_shared", {{0, C4}, {1, C4 + 1, 0xF1}, {2, C4 - 1, 0, 0x300}}},
    {"volume_slide_nibbles", {{0, C4, 0x20, 0xA30}, {1, 0, 0, 0xA00}, {2, 0, 0, 0xA0F},
                              {3, 0, 0, 0xA3F}, {4, 0, 0, 0x600}, {5, 0, 0, 0x500}}},
    {"set_volume_limit", {{0, C4, 0, 0xC7F}}},
    {"fine_volume_memories", {{0, C4, 0, 0xC20}, {1, 0, 0, 0xEA4}, {2, 0, 0, 0xEB0},
                              {3, 0, 0, 0xEA0}, {4, 0, 0, 0xEBF}, {5, 0, 0, 0xEBF},
                              {6, 0, 0, 0xEBF}}},
    {"tremolo_clamps", {{0, C4, 0x1A, 0x7CF}, {1, 0, 0, 0x700}, {2, C4, 0x50, 0x78F}}},
    {"tremor", {{0, C4, 0, 0x1D12}, {2, C4, 0, 0x1D00}}},
    {"retrigger", {{0, C4, 0, 0x1B24}, {2, C4, 0, 0xE93}, {4, C4, 0, 0xE90}}},
    {"retrigger_volume_kinds",
     {{0, C4, 0x30, 0x1B01}, {1, 0, 0, 0x1B11},  {2, 0, 0, 0x1B21},  {3, 0, 0, 0x1B31},
      {4, 0, 0, 0x1B41},     {5, 0, 0, 0x1B51},  {6, 0, 0, 0x1B61},  {7, 0, 0, 0x1B71},
      {8, 0, 0x30, 0x1B81},  {9, 0, 0, 0x1B91},  {10, 0, 0, 0x1BA1}, {11, 0, 0, 0x1BB1},
      {12, 0, 0, 0x1BC1},    {13, 0, 0, 0x1BD1}, {14, 0, 0, 0x1BE1}, {15, 0, 0, 0x1BF1}},
     1, 16},
    {"note_cut", {{0, C4, 0, 0xEC3}, {1, C4, 0, 0xEC0}}},
    {"auto_vibrato_sine", {{0, C4}, {4, C4 + 12}}, 1, 8, 1, 0},
    {"auto_vibrato_square", {{0, C4}, {4, C4 + 12}}, 1, 8, 1, 1},
    {"auto_vibrato_ramp_down", {{0, C4}, {4, C4 + 12}}, 1, 8, 1, 2},
    {"auto_vibrato_ramp_up", {{0, C4}, {4, C4 + 12}}, 1, 8, 1, 3},
    {"auto_vibrato_unknown", {{0, C4}, {4, C4 + 12}}, 1, 8, 1, 4},
    {"amiga_periods", {{0, 1, 0, 0xE54}, {2, C4}, {4, 96, 0, 0xE5F}, {6, 48, 0, 0xE50}},
     1, 8, 1, -1, false},
    {"amiga_slides", {{0, C4, 0, 0x1FF}, {1, 0, 0, 0x1FF}, {2, 0, 0, 0x1FF}, {3, C4, 0, 0x2FF},
                      {4, 0, 0, 0x2FF}, {5, 0, 0, 0x2FF}, {6, C4, 0, 0x037}, {7, 0, 0, 0x448}},
     1, 8, 1, -1, false},
    {"tempos", {{0, C4, 0, 0xF31}, {2, C4, 0, 0xF7E}, {4, C4, 0, 0xF20}, {6, C4, 0, 0xFFF}}},
    {"global_volume", {{0, C4, 0, 0x1020}, {1, 0, 0, 0x1080}, {2, 0, 0, 0x110F}, {3, 0, 0, 0x1100},
                       {4, 0, 0, 0x1140}, {5, C4, 0, 0x1100}}},
};
// clang-format on

} // namespace

std::vector<EffectSong> edge_songs() {
    std::vector<EffectSong> songs;
    for (const Edge& e : EDGES)
        songs.push_back({std::string("edge_") + e.name, edge_song(e)});
    return songs;
}
