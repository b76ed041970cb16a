// Vibrato, tremolo and tremor: the periodic changes that effects 4, 6, 7, T and the
// volume column's vibrato apply on top of a channel's period and volume.

#include <cmath>
#include <cstdint>

#include "music/effects.h"

namespace {

// 3.141592 as written, not the true pi: the sine then peaks at 255 instead of 256.
constexpr double WAVE_PI = 3.141592;

int sine_amplitude(int position) {
    return static_cast<int>(std::fabs(std::sin(position * 2 * WAVE_PI / 64)) * 256);
}

// sin is dear and runs for every vibrating channel on every tick: the 64 positions once.
struct SineTable {
    int amplitude[64];
    SineTable() {
        for (int p = -32; p < 32; ++p)
            amplitude[p + 32] = sine_amplitude(p);
    }
};
const SineTable sine_table;

// Shape value 0..255 for a position -32..31: 0 sine, 1 ramp, anything else square.
int wave_amplitude(int position, int shape) {
    const int i = position & 31;
    switch (shape) {
    case 0:
        return position >= -32 && position < 32 ? sine_table.amplitude[position + 32]
                                                 : sine_amplitude(position);
    case 1: {
        const int a = static_cast<uint8_t>(8 * i);
        return position < 0 ? 255 - a : a;
    }
    default:
        return 255;
    }
}

// Positions run -32..31: past 31 they wrap by one period of 64.
int8_t advance_position(int8_t position, uint8_t speed) {
    int p = static_cast<int8_t>(static_cast<uint8_t>(position + speed));
    if (p > 31)
        p -= 64;
    return static_cast<int8_t>(p);
}

} // namespace

void channel_vibrato(Channel* channel) {
    const int p = channel->vibrato_position;
    int a = wave_amplitude(p, channel->waveform & 3);
    a = ((a * channel->vibrato_depth) >> 7) * 4;
    channel->period_delta = p >= 0 ? -a : a;
    channel->flags |= UPDATE_FREQUENCY;
}

void channel_vibrato_advance(Channel* channel) {
    channel->vibrato_position = advance_position(channel->vibrato_position, channel->vibrato_speed);
}

void channel_tremolo(Channel* channel) {
    const int p = channel->tremolo_position;
    int shape = (channel->waveform >> 4) & 3;
    if (shape == 3)
        shape = 0; // tremolo's waveform 3 is the sine, unlike vibrato's
    const int a = wave_amplitude(p, shape);
    int d = (a * channel->tremolo_depth) >> 6;
    if (p >= 0) {
        if (channel->volume + d > 64)
            d = 64 - channel->volume;
    } else {
        if (channel->volume - d < 0)
            d = channel->volume;
        d = -d;
    }
    channel->volume_delta = d;
    channel->tremolo_position = advance_position(channel->tremolo_position, channel->tremolo_speed);
    channel->flags |= UPDATE_VOLUME;
}

void channel_tremor(Channel* channel) {
    if (channel->tremor_counter >= channel->tremor_on)
        channel->volume_delta = -channel->volume;
    channel->tremor_counter = static_cast<uint8_t>(channel->tremor_counter + 1);
    if (channel->tremor_counter >= channel->tremor_on + channel->tremor_off)
        channel->tremor_counter = 0;
    channel->flags |= UPDATE_VOLUME;
}
