// Periods of the Amiga frequency table.
#include "music/music.h"

#include <cmath>

namespace {

int32_t amiga_base(int32_t k) {
    // The exponent is a double division: base(95) = 113.
    return int32_t(13.375 * std::pow(2.0, double(132 - k) / 12.0));
}

} // namespace

int32_t music_amiga_period(int32_t note, int8_t finetune) {
    const int32_t base = amiga_base(note);
    if (finetune < 0 && note != 0)
        return base - (base - amiga_base(note - 1)) * -finetune / 128;
    return base + (amiga_base(note + 1) - base) * finetune / 128;
}
