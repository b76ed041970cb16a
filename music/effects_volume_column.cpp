// The volume column: set volume, slides, vibrato, panning and tone portamento carried in
// the cell's volume byte, at the row start and on the later ticks.

#include <algorithm>
#include <cstdint>

#include "music/effects.h"
#include "music/effects_internal.h"

void channel_volume_column_row(Channel* channel, uint8_t v) {
    const int y = v & 15;
    if (v >= 0x10 && v <= 0x50) {
        channel->volume = v - 0x10;
        channel->flags |= UPDATE_VOLUME;
        return;
    }
    switch (v >> 4) {
    case 0x6:
    case 0x8:
        channel->volume = std::max(channel->volume - y, 0);
        channel->flags |= UPDATE_VOLUME;
        break;
    case 0x7:
    case 0x9:
        channel->volume = std::min(channel->volume + y, 64);
        channel->flags |= UPDATE_VOLUME;
        break;
    case 0xA:
        channel->vibrato_speed = static_cast<uint8_t>(y);
        break;
    case 0xB:
        channel->vibrato_depth = static_cast<uint8_t>(y);
        break;
    case 0xC:
        channel->panning = y * 16;
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xD:
        // Unclamped on purpose: only the voice update clamps the final panning.
        channel->panning = effects_add_saturated(channel->panning, -y);
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xE:
        channel->panning = effects_add_saturated(channel->panning, y);
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xF:
        if (y != 0)
            channel->porta_speed = static_cast<uint8_t>(y * 16);
        channel->porta_target = channel->note_period;
        channel->flags &= ~UPDATE_TRIGGER;
        break;
    default:
        break;
    }
}

void channel_volume_column_tick(Channel* channel, uint8_t v) {
    const int y = v & 15;
    switch (v >> 4) {
    case 0x6:
        channel->volume = std::max(channel->volume - y, 0);
        channel->flags |= UPDATE_VOLUME;
        break;
    case 0x7:
        channel->volume = std::min(channel->volume + y, 64);
        channel->flags |= UPDATE_VOLUME;
        break;
    case 0xB:
        channel->vibrato_depth = static_cast<uint8_t>(y);
        channel_vibrato(channel);
        channel_vibrato_advance(channel);
        break;
    case 0xD:
        channel->panning = effects_add_saturated(channel->panning, -y);
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xE:
        channel->panning = effects_add_saturated(channel->panning, y);
        channel->flags |= UPDATE_PANNING;
        break;
    case 0xF:
        effects_tone_portamento(channel);
        break;
    default:
        break;
    }
}
