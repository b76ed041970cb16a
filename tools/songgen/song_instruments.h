// The song's instruments, every sample synthesised here.
#pragma once

#include "tools/xmwriter/xm_writer.h"

#include <vector>

// Instrument numbers as the patterns use them (1-based, as stored in cells).
enum SongInstrument : uint8_t {
    INS_KICK = 1,
    INS_SNARE,
    INS_HAT,
    INS_CYMBAL,
    INS_BASS,
    INS_LEAD,
    INS_PAD,
    INS_PLUCK,
    INS_BELL,
    INS_SUB,
    INS_RISER,
    INS_SAW,
    INS_VOX,
    INS_CLICK,  // last, so that the file's padding silence sits at its end
};

// All instruments in number order. Deterministic: the same bytes on every run.
std::vector<XmInstrumentDef> song_instruments();
