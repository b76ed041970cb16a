// Composition in A minor, one bar per order position (2.56 s: 93.75 BPM, a
// sixteenth note is 4 rows). Sections follow the scenes: 0-3 opening (typed word),
// 4-6 tunnel, 7-9 blob cloud, 10 break, 11-14 climax, 15 the close, fading to silence;
// 16 ends the song where the demo stops.
#include "tools/songgen/song_score.h"

#include "tools/songgen/song_instruments.h"

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum Channel {
    CH_KICK, CH_SNARE, CH_HAT, CH_FX, CH_BASS, CH_LEAD, CH_ECHO, CH_ARP, CH_PAD1, CH_PAD2, CH_PAD3, CH_BELL,
    CH_HARM, CH_VOX
};

constexpr int ROWS = 64;
constexpr int STEP = 4;  // rows per sixteenth note
constexpr uint8_t KEY_OFF = 97;

// XM effect numbers.
enum Fx : uint8_t {
    FX_ARPEGGIO = 0x0, FX_PORTA_UP = 0x1, FX_PORTA_DOWN = 0x2, FX_TONE_PORTA = 0x3, FX_VIBRATO = 0x4,
    FX_TREMOLO = 0x7, FX_PAN = 0x8, FX_OFFSET = 0x9, FX_VOLSLIDE = 0xA, FX_SET_VOL = 0xC, FX_BREAK = 0xD, FX_EXT = 0xE,
    FX_TEMPO = 0xF, FX_GLOBAL_VOL = 0x10, FX_GLOBAL_SLIDE = 0x11, FX_KEY_OFF = 0x14, FX_PAN_SLIDE = 0x19,
    FX_RETRIG = 0x1B
};
constexpr uint8_t EXT_PAN = 0x80, EXT_RETRIG = 0x90, EXT_CUT = 0xC0, EXT_DELAY = 0xD0;

uint8_t vol(int v) { return uint8_t(0x10 + v); }  // volume column: set volume 0..64

// "A4", "C#5", "Bb3" -> XM note byte (C-4 = 49).
uint8_t note_of(const std::string& name) {
    static const char* letters = "C D EF G A B";
    const int semitone = int(std::strchr(letters, name[0]) - letters);
    size_t i = 1;
    int accidental = 0;
    if (name[i] == '#') accidental = 1, ++i;
    else if (name[i] == 'b') accidental = -1, ++i;
    const int octave = name[i] - '0';
    return uint8_t(1 + 12 * octave + semitone + accidental);
}

uint8_t transpose(uint8_t note, int semitones) { return uint8_t(note + semitones); }

struct Chord {
    const char* bass;   // root for the bass line
    const char* pad[3];  // voicing of the three pad channels
    const char* arp[4];  // pluck pattern tones, low to high
};

const Chord AM = {"A1", {"A3", "C4", "E4"}, {"A4", "C5", "E5", "A5"}};
const Chord FM = {"F1", {"A3", "C4", "F4"}, {"F4", "A4", "C5", "F5"}};
const Chord CM = {"C2", {"G3", "C4", "E4"}, {"E4", "G4", "C5", "E5"}};
const Chord GM = {"G1", {"G3", "B3", "D4"}, {"G4", "B4", "D5", "G5"}};
const Chord DM = {"D2", {"A3", "D4", "F4"}, {"D4", "F4", "A4", "D5"}};
const Chord EM = {"E2", {"G#3", "B3", "E4"}, {"E4", "G#4", "B4", "E5"}};
const Chord ESUS = {"E2", {"A3", "B3", "E4"}, {"E4", "A4", "B4", "E5"}};

// The song as a grid of absolute rows (order position * 64 + row).
class Score {
public:
    explicit Score(XmModuleDef& m) : m_(m) {}

    XmCellDef& at(int row, int ch) {
        const int order = row / ROWS;
        return m_.patterns[size_t(order)].at(row % ROWS, ch, SONG_CHANNELS);
    }
    void note(int row, int ch, uint8_t n, uint8_t ins, uint8_t volume = 0, uint8_t fx = 0, uint8_t param = 0) {
        XmCellDef& c = at(row, ch);
        c.note = n, c.instrument = ins, c.volume = volume, c.effect = fx, c.param = param;
    }
    void note(int row, int ch, const char* n, uint8_t ins, uint8_t volume = 0, uint8_t fx = 0, uint8_t param = 0) {
        note(row, ch, note_of(n), ins, volume, fx, param);
    }
    void effect(int row, int ch, uint8_t fx, uint8_t param) {
        XmCellDef& c = at(row, ch);
        c.effect = fx, c.param = param;
    }
    void volume(int row, int ch, uint8_t v) { at(row, ch).volume = v; }
    void off(int row, int ch) { at(row, ch).note = KEY_OFF; }

    // A line of sixteenth-note tokens from `row` on: a note name starts a note,
    // "." holds it, "-" releases it (key off). A note written "E5/" glides from the
    // previous note (tone portamento). Long notes get vibrato after their first beat.
    // Returns the (row, note) starts so that echoes can copy them.
    struct Event { int row; uint8_t note; int steps; bool glide; };
    std::vector<Event> line(int row, int ch, uint8_t ins, uint8_t volume, const std::string& tokens,
                            uint8_t glideSpeed = 0x20, bool vibrato = true) {
        std::istringstream in(tokens);
        std::string t;
        std::vector<Event> events;
        int r = row;
        while (in >> t) {
            if (t == ".") {
                if (!events.empty()) events.back().steps++;
            } else if (t == "-") {
                off(r, ch);
                events.push_back({-1, 0, 0, false});  // ends the previous note's hold
            } else {
                const bool glide = t.back() == '/';
                if (glide) t.pop_back();
                events.push_back({r, note_of(t), 1, glide});
            }
            r += STEP;
        }
        std::vector<Event> notes;
        for (const Event& e : events) {
            if (e.row < 0) continue;
            if (e.glide)
                note(e.row, ch, e.note, ins, volume, FX_TONE_PORTA, glideSpeed);
            else
                note(e.row, ch, e.note, ins, volume);
            if (vibrato && e.steps >= 6)
                for (int k = e.row + 2 * STEP; k < e.row + e.steps * STEP; ++k) effect(k, ch, FX_VIBRATO, k == e.row + 2 * STEP ? 0x64 : 0);
            notes.push_back(e);
        }
        return notes;
    }

    // Repeats `notes` on channel `ch` `delay` rows later, quieter, panned to `pan`
    // and without glides.
    void echo(const std::vector<Event>& notes, int ch, uint8_t ins, int delay, uint8_t volume, int limitRow,
              uint8_t pan) {
        for (const Event& e : notes) {
            const int r = e.row + delay;
            if (r < limitRow) note(r, ch, e.note, ins, volume, FX_PAN, pan);
        }
    }

private:
    XmModuleDef& m_;
};

int bar(int order) { return order * ROWS; }

// --- drums --------------------------------------------------------------------------

// A drum line over one bar on a 32-step grid (2 rows per step). Characters:
// X accent, x normal, g ghost, o open hat (cymbal, high), d delayed by one tick
// (swing), f flam (a ghost one row early), . nothing.
void drum_line(Score& s, int order, int ch, uint8_t ins, uint8_t pitch, const char* grid) {
    const int n = int(std::strlen(grid));
    const int rowsPerStep = ROWS / n;
    for (int i = 0; i < n; ++i) {
        const int row = bar(order) + i * rowsPerStep;
        switch (grid[i]) {
            case 'X': s.note(row, ch, pitch, ins, vol(64)); break;
            case 'x': s.note(row, ch, pitch, ins, vol(44)); break;
            case 'g':
                // Ghost snares start past the attack (sample offset) to sound softer.
                if (ins == INS_SNARE) s.note(row, ch, pitch, ins, vol(20), FX_OFFSET, 0x03);
                else s.note(row, ch, pitch, ins, vol(22));
                break;
            case 'd': s.note(row, ch, pitch, ins, vol(26), FX_EXT, EXT_DELAY | 1); break;
            case 'o': s.note(row, ch, note_of("A5"), INS_CYMBAL, vol(28), FX_VOLSLIDE, 0x06); break;
            case 'f':
                s.note(row - 1, ch, pitch, ins, vol(16), FX_OFFSET, 0x02);
                s.note(row, ch, pitch, ins, vol(60));
                break;
            default: break;
        }
    }
}

const uint8_t KICK = 49, SNARE = 49, HAT = 49;

void crash(Score& s, int row, int volume = 56) {
    s.note(row, CH_FX, note_of("C4"), INS_CYMBAL, 0, FX_SET_VOL, uint8_t(volume));
}

// A snare roll over `steps` rows ending at `endRow`: one hit per row, retriggered on
// the row's second tick, each hit louder.
void snare_roll(Score& s, int endRow, int rows, int fromVolume, int toVolume) {
    for (int i = 0; i < rows; ++i) {
        const int v = fromVolume + (toVolume - fromVolume) * i / (rows - 1);
        s.note(endRow - rows + i, CH_SNARE, SNARE, INS_SNARE, vol(v), FX_RETRIG, 0x91);
    }
}

// Tom fill: the kick pitched up, each hit bending down.
void tom_fill(Score& s, int row, const char* const* notes, int count, int spacing) {
    for (int i = 0; i < count; ++i)
        s.note(row + i * spacing, CH_KICK, notes[i], INS_KICK, vol(52), FX_PORTA_DOWN, 0x06);
}

// Riser: noise from a low note sweeping up over `rows` rows with rising volume.
void riser(Score& s, int row, int rows, int speed) {
    s.note(row, CH_FX, note_of("C3"), INS_RISER, vol(4), FX_PORTA_UP, uint8_t(speed));
    for (int r = 1; r < rows; ++r) {
        if (r % 2) s.volume(row + r, CH_FX, 0x71);  // volume column: up 1 per tick, every other row
        s.effect(row + r, CH_FX, FX_PORTA_UP, 0);  // memory
    }
    s.effect(row + rows - 1, CH_FX, FX_EXT, EXT_CUT | 1);
}

// --- harmony -------------------------------------------------------------------------

// Pad chord on the three pad channels. A fresh chord attacks; a legato chord glides
// from the sounding one (tone portamento, no instrument, so no new attack).
void pad(Score& s, int row, const Chord& c, int volume, bool legato) {
    const uint8_t pans[3] = {0x40, 0x80, 0xC0};
    for (int i = 0; i < 3; ++i) {
        if (legato)
            s.note(row, CH_PAD1 + i, c.pad[i], 0, vol(volume), FX_TONE_PORTA, 0x20);
        else
            s.note(row, CH_PAD1 + i, c.pad[i], INS_PAD, vol(volume), FX_PAN, pans[i]);
    }
}

void pad_release(Score& s, int row) {
    for (int ch = CH_PAD1; ch <= CH_PAD3; ++ch) s.off(row, ch);
}

// Pluck figure over one bar: indices into the chord's four arp tones per sixteenth.
void arp(Score& s, int order, const Chord& c, const char* figure, int volume, bool octaveFlicker = false) {
    for (int i = 0; i < 16; ++i) {
        const char k = figure[i];
        if (k < '0' || k > '3') continue;
        const int row = bar(order) + i * STEP;
        if (octaveFlicker)
            s.note(row, CH_ARP, c.arp[k - '0'], INS_PLUCK, vol(volume), FX_ARPEGGIO, 0xC0);
        else
            s.note(row, CH_ARP, c.arp[k - '0'], INS_PLUCK, vol(volume), FX_EXT, uint8_t(EXT_PAN | (i % 2 ? 0xA : 0x5)));
    }
}

// Bass from a token line with short notes released after `gate` rows.
void bass_line(Score& s, int order, const Chord& c, const char* pattern, int gate, int volume) {
    // pattern: one char per sixteenth: R root, O octave up, F fifth, f fifth below, . none.
    const uint8_t root = note_of(c.bass);
    for (int i = 0; i < 16; ++i) {
        int t = 0;
        switch (pattern[i]) {
            case 'R': t = 0; break;
            case 'O': t = 12; break;
            case 'F': t = 7; break;
            case 'f': t = -5; break;
            default: continue;
        }
        const int row = bar(order) + i * STEP;
        s.note(row, CH_BASS, transpose(root, t), INS_BASS, vol(volume));
        if (gate > 0) s.effect(row + gate, CH_BASS, FX_KEY_OFF, 0);
    }
}

// --- sections -------------------------------------------------------------------------

const Chord INTRO[4] = {AM, FM, CM, GM};

void opening(Score& s) {
    // Global volume 52 of 64 keeps headroom where every channel hits at once (the climax).
    s.effect(0, CH_KICK, FX_GLOBAL_VOL, 0x34);
    const char* bell[4] = {"A4 . . . C5 . . . E5 . . . . . . .", "F5 . . . E5 . . . C5 . . . . . . .",
                           "G5 . . . E5 . . . C5 . . . D5 . E5 .", "D5 . . . . . . . B4 . . . . . . ."};
    for (int o = 0; o < 4; ++o) {
        const Chord& c = INTRO[o];
        pad(s, bar(o), c, 26 + 4 * o, o > 0);
        s.note(bar(o), CH_BASS, transpose(note_of(c.bass), 12), INS_SUB, vol(30 + 4 * o));
        s.off(bar(o) + 60, CH_BASS);
        auto notes = s.line(bar(o), CH_BELL, INS_BELL, vol(40), bell[o], 0, false);
        s.echo(notes, CH_ECHO, INS_BELL, 6, vol(16), bar(4), 0x30);
        // The word is typed: one key per new letter (two at position 1: "ol").
        s.note(bar(o), CH_SNARE, 49, INS_CLICK, vol(48));
        if (o == 1) s.note(bar(o) + 3, CH_SNARE, 51, INS_CLICK, vol(40));
    }
    arp(s, 1, FM, "0.2.1.3.0.2.1.3.", 18);
    arp(s, 2, CM, "0213021302130213", 22);
    arp(s, 3, GM, "0213021302130213", 26);
    drum_line(s, 2, CH_HAT, INS_HAT, HAT, "....g...x...g...g...x...g...x.g.");
    drum_line(s, 3, CH_HAT, INS_HAT, HAT, "g.g.x.g.g.g.x.g.g.g.x.g.g.g.x.gg");
    drum_line(s, 3, CH_KICK, INS_KICK, KICK, "X...............X...............");
    snare_roll(s, bar(4), 16, 12, 48);
    riser(s, bar(3) + 32, 32, 0x0C);
    pad_release(s, bar(3) + 56);
}

void tunnel(Score& s) {
    const Chord chords[3] = {AM, FM, GM};
    for (int k = 0; k < 3; ++k) {
        const int o = 4 + k;
        const Chord& c = chords[k];
        pad(s, bar(o), c, 34, k > 0);
        drum_line(s, o, CH_KICK, INS_KICK, KICK, "X.............x.....X...........");
        drum_line(s, o, CH_SNARE, INS_SNARE, SNARE, k == 1 ? "........X.........g.....f...g..." : "........X.........g.....X.....g.");
        drum_line(s, o, CH_HAT, INS_HAT, HAT, "x.g.x.g.x.g.x.g.x.g.x.g.x.g.o.g.");
        bass_line(s, o, c, "R..R..O.R.RF..O.", 5, 50);
        arp(s, o, c, k == 2 ? "0123210301232103" : "0213023102130231", 30);
        // The pluck's echo, a dotted eighth later, soft and on the other side.
        for (int i = 0; i < 16; i += 2) {
            const XmCellDef& src = s.at(bar(o) + i * STEP, CH_ARP);
            if (src.note) s.note(bar(o) + i * STEP + 6, CH_ECHO, src.note, INS_PLUCK, vol(12), FX_PAN, 0xD0);
        }
    }
    crash(s, bar(4));
    const char* toms[4] = {"G5", "E5", "C5", "A4"};
    tom_fill(s, bar(6) + 48, toms, 4, 4);
    s.note(bar(6) + 56, CH_SNARE, SNARE, INS_SNARE, vol(50));
    s.note(bar(6) + 60, CH_SNARE, SNARE, INS_SNARE, vol(58), FX_RETRIG, 0x91);
    pad_release(s, bar(6) + 56);
}

void blob_cloud(Score& s) {
    const Chord chords[3] = {DM, AM, EM};
    const char* lead[3] = {"D5 . . . . . F5 . A5 . . . . . G5 .", "E5 . . . . . . . C5 . . . B4 . A4 .",
                           "G#4 . . . B4 . . . E5 . . . D5/ . B4 ."};
    const char* vox[3] = {"F4 . . . . . . . A4 . . . . . . .", "E4 . . . . . . . C5 . . . . . . .",
                          "B4 . . . . . . . G#4 . . . . . . ."};
    for (int k = 0; k < 3; ++k) {
        const int o = 7 + k;
        const Chord& c = chords[k];
        pad(s, bar(o), c, 30, k > 0);
        drum_line(s, o, CH_KICK, INS_KICK, KICK, "X...................X...........");
        drum_line(s, o, CH_SNARE, INS_SNARE, SNARE, k == 2 ? "................X.......g...g.g." : "................X...........g...");
        drum_line(s, o, CH_HAT, INS_HAT, HAT, "x...d...x...d...x...d...x...d.o.");
        // Long bass notes gliding to the next root.
        const uint8_t root = note_of(c.bass);
        s.note(bar(o), CH_BASS, root, INS_BASS, vol(54));
        // Volume-column tone portamento (speed y * 16).
        s.note(bar(o) + 40, CH_BASS, transpose(root, 7), INS_BASS, 0xF1, FX_SET_VOL, 46);
        s.note(bar(o) + 56, CH_BASS, transpose(root, 12), INS_BASS, 0xF2, FX_SET_VOL, 46);
        auto notes = s.line(bar(o), CH_LEAD, INS_LEAD, vol(44), lead[k]);
        s.echo(notes, CH_ECHO, INS_LEAD, 12, vol(18), bar(10), 0x48);
        arp(s, o, c, "0.1.2.3.2.1.0.1.", 16);
        s.line(bar(o), CH_VOX, INS_VOX, vol(34), vox[k]);
    }
    pad_release(s, bar(9) + 56);
    s.effect(bar(9) + 60, CH_LEAD, FX_EXT, EXT_CUT | 1);
    crash(s, bar(7), 40);
    riser(s, bar(9) + 32, 32, 0x08);
}

void break_bar(Score& s) {
    const int o = 10;
    // Dominant pedal: suspended fourth resolving to the major third, pulsing.
    pad(s, bar(o), ESUS, 24, false);
    pad(s, bar(o) + 32, EM, 24, true);
    pad_release(s, bar(o) + 56);
    s.line(bar(o), CH_VOX, INS_VOX, vol(28), "B4 . . . . . . . . . . . . . - .");
    for (int r = bar(o) + 4; r < bar(o) + 60; ++r)
        for (int ch = CH_PAD1; ch <= CH_PAD3; ++ch)
            if (!s.at(r, ch).note) s.effect(r, ch, FX_TREMOLO, r == bar(o) + 4 ? 0x64 : 0);
    s.note(bar(o), CH_BASS, "E2", INS_SUB, vol(30));
    s.off(bar(o) + 60, CH_BASS);
    auto notes = s.line(bar(o), CH_BELL, INS_BELL, vol(36), "E5 . . . . . . . B4 . . . G#4 . . .", 0, false);
    s.echo(notes, CH_ECHO, INS_BELL, 12, vol(14), bar(11), 0xC0);
    // A heartbeat kick, then the build: riser sweeping across the stereo field and
    // a retriggered snare growing into the climax.
    s.note(bar(o), CH_KICK, KICK, INS_KICK, vol(30));
    s.note(bar(o) + 6, CH_KICK, KICK, INS_KICK, vol(16));
    s.note(bar(o) + 32, CH_KICK, KICK, INS_KICK, vol(30));
    s.note(bar(o) + 38, CH_KICK, KICK, INS_KICK, vol(16));
    s.note(bar(o) + 16, CH_FX, note_of("C2"), INS_RISER, vol(2), FX_PORTA_UP, 0x06);
    for (int r = bar(o) + 17; r < bar(o) + 62; ++r) {
        if (r % 2) s.volume(r, CH_FX, 0x71);
        s.effect(r, CH_FX, r % 8 == 0 ? FX_PAN_SLIDE : FX_PORTA_UP, r % 8 == 0 ? 0x20 : 0);
    }
    s.effect(bar(o) + 62, CH_FX, FX_EXT, EXT_CUT | 1);
    snare_roll(s, bar(11) - 2, 22, 8, 56);
    for (int r = bar(11) - 24; r < bar(11) - 2; r += 2) s.note(r, CH_HAT, HAT, INS_HAT, vol(20), FX_EXT, EXT_RETRIG | 1);
}

void climax(Score& s) {
    const Chord chords[4] = {AM, FM, CM, GM};
    const char* lead[4] = {"A4 . C5 . E5 . . . D5 . C5 . D5 . E5 .", "F5 . . . E5 . C5 . . . A4 . C5 . . .",
                           "G5 . . . E5 . . . C5 . D5 . E5 . G5 .", "A5 . . . G5 . . . D5 . . . B4 . D5/ ."};
    const char* counter[4] = {"C5 . . . . . . . B4 . . . A4 . . .", "A4 . . . . . . . G4 . . . F4 . . .",
                              "E4 . . . . . . . G4 . . . C5 . . .", "D5 . . . . . . . B4 . . . G4 . . ."};
    for (int k = 0; k < 4; ++k) {
        const int o = 11 + k;
        const Chord& c = chords[k];
        pad(s, bar(o), c, 30, k > 0);
        drum_line(s, o, CH_KICK, INS_KICK, KICK, "X.........X.....X...X...........");
        drum_line(s, o, CH_SNARE, INS_SNARE, SNARE,
                  k == 3 ? "....X.......X.......X.g.....X.X." : "....X.......X.g.....X.......X..g");
        drum_line(s, o, CH_HAT, INS_HAT, HAT, "x.g.x.g.x.g.x.g.x.g.x.g.x.g.o.g.");
        // Rolling bass in eighths; the second one of each pair starts past the
        // bright attack (sample offset) so the line breathes.
        const uint8_t root = note_of(c.bass);
        const int pattern[8] = {0, 12, 0, 7, 0, 12, 7, 12};
        for (int i = 0; i < 8; ++i) {
            const int row = bar(o) + i * 8;
            if (i % 2)
                s.note(row, CH_BASS, transpose(root, pattern[i]), INS_BASS, vol(46), FX_OFFSET, 0x04);
            else
                s.note(row, CH_BASS, transpose(root, pattern[i]), INS_BASS, vol(56));
            s.effect(row + 6, CH_BASS, FX_EXT, EXT_CUT | 1);
        }
        auto notes = s.line(bar(o), CH_LEAD, INS_LEAD, vol(48), lead[k], 0x30);
        s.echo(notes, CH_ECHO, INS_LEAD, 12, vol(18), bar(15), 0x48);
        arp(s, o, c, "0.2.1.3.0.2.1.3.", 20, true);
        s.line(bar(o), CH_HARM, INS_SAW, vol(26), counter[k]);
    }
    crash(s, bar(11), 60);
    crash(s, bar(13), 50);
    const char* toms[6] = {"C6", "A5", "G5", "E5", "C5", "A4"};
    tom_fill(s, bar(14) + 40, toms, 6, 4);
}

// The close: F to the dominant, resolving to A minor on the second half-bar, then
// everything fades out with the global volume so that the song is silent before
// position 16, where the demo stops.
void closing(Score& s) {
    const int o = 15;
    pad(s, bar(o), FM, 32, true);
    pad(s, bar(o) + 16, EM, 34, true);
    pad(s, bar(o) + 32, AM, 36, true);
    pad_release(s, bar(o) + 60);
    s.line(bar(o), CH_HARM, INS_SAW, vol(24), "A4 . . . G#4 . . . A4 . . . . . - .");
    drum_line(s, o, CH_KICK, INS_KICK, KICK, "X.......x.......X...............");
    drum_line(s, o, CH_SNARE, INS_SNARE, SNARE, "........X.......................");
    drum_line(s, o, CH_HAT, INS_HAT, HAT, "x.g.x.g.x.g.x.g.................");
    snare_roll(s, bar(o) + 32, 8, 16, 44);
    crash(s, bar(o) + 32, 40);
    s.note(bar(o), CH_BASS, "F1", INS_BASS, vol(56));
    s.note(bar(o) + 16, CH_BASS, "E1", INS_BASS, vol(54));
    s.note(bar(o) + 32, CH_BASS, "A1", INS_SUB, vol(48));
    s.off(bar(o) + 60, CH_BASS);
    auto notes = s.line(bar(o), CH_LEAD, INS_LEAD, vol(46), "C5 . . . B4 . G#4 . A4 . . . . . . -");
    s.echo(notes, CH_ECHO, INS_LEAD, 12, vol(16), bar(o) + 32, 0x48);
    s.note(bar(o) + 32, CH_BELL, "A5", INS_BELL, vol(36));
    s.note(bar(o) + 44, CH_ECHO, "E5", INS_BELL, vol(16), FX_PAN, 0x30);
    s.note(bar(o) + 52, CH_ECHO, "A4", INS_BELL, vol(12), FX_PAN, 0xD0);
    arp(s, o, AM, "........0.1.2.3.", 20);
    // Global volume 52 down to 0 by row 60 in steps that shrink as it falls, so the fade
    // is about even in loudness: 3, 2, then 1 per row.
    const int steps[3][2] = {{8, 3}, {8, 2}, {12, 1}};
    int r = bar(o) + 33;
    for (const auto& st : steps)
        for (int k = 0; k < st[0]; ++k) s.effect(r++, CH_SNARE, FX_GLOBAL_SLIDE, uint8_t(st[1]));
}

// Position 16 only ends the song: the demo stops on reaching it, and players that go on
// meet a pattern break past the last order, which is the song's end.
void landing(Score& s) {
    s.effect(bar(16), CH_KICK, FX_BREAK, 0x00);
}

}  // namespace

void song_compose(XmModuleDef& m) {
    m.channels = SONG_CHANNELS;
    m.speed = SONG_SPEED;
    m.bpm = SONG_BPM;
    m.linear = true;
    m.restart = 0;
    const int orders = SONG_PLAYED_ORDERS;
    m.patterns.assign(size_t(orders), XmPatternDef{});
    m.orders.clear();
    for (int o = 0; o < orders; ++o) m.orders.push_back(uint8_t(o));
    Score s(m);
    opening(s);
    tunnel(s);
    blob_cloud(s);
    break_bar(s);
    climax(s);
    closing(s);
    landing(s);
}
