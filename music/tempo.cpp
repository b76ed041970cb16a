// Tempo: output frames per tick from the BPM.
#include "music/music.h"

void music_set_bpm(Module* module, int32_t bpm) {
    module->bpm = bpm;
    if (bpm < 1)
        bpm = 1; // a tempo of 0 would make the tick endless
    // t is rounded to single precision on purpose: BPM 126 then gives 874 frames, not 875.
    const float t = float((2.0 * bpm) / 5.0);
    module->samples_per_tick = int32_t(double(mixer_settings.rate) * (1000.0 / double(t)) / 1000.0);
}
