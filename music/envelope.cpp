// Per-tick instrument modulation: envelope steps and auto-vibrato.
#include "music/music.h"

#include <cmath>

namespace {

int32_t auto_vibrato_sine(int32_t position) {
    const float angle = float(position) * 2 * 3.141592f / 256;
    return int32_t(std::sin(double(angle)) * 64);
}

// The sine's 256 positions once: sin is dear and auto-vibrato runs on every tick.
struct AutoVibratoTable {
    int32_t depth[256];
    AutoVibratoTable() {
        for (int32_t p = 0; p < 256; ++p)
            depth[p] = auto_vibrato_sine(p);
    }
};
const AutoVibratoTable auto_vibrato_table;

} // namespace

void channel_envelope_step(Channel* channel, int32_t* point, int32_t* tick, uint8_t type,
                           uint8_t count, const EnvelopePoint* points, uint8_t loop_end,
                           uint8_t loop_start, uint8_t sustain, int32_t* value, int32_t* fixed,
                           bool* finished, int32_t* slope, uint8_t flag) {
    if (*point < count) {
        if (*tick == points[*point].x) {
            if ((type & 4) && *point == loop_end) {
                *point = loop_start;
                *tick = points[*point].x;
            }
            if (*point == count - 1) {
                *value = points[*point].y;
                *finished = true;
                channel->flags |= flag;
                return;
            }
            if ((type & 2) && *point == sustain && !channel->key_released) {
                *value = points[*point].y;
                channel->flags |= flag;
                return;
            }
            const int32_t dx = points[*point + 1].x - points[*point].x;
            const int64_t dy = int64_t(points[*point + 1].y) - points[*point].y;
            *slope = dx != 0 ? int32_t(dy * 65536 / dx) : 0;
            *fixed = int32_t(uint32_t(points[*point].y) << 16);
            *point += 1;
        } else {
            // Wrapping add: only a damaged envelope (values far above 64) could overflow.
            *fixed = int32_t(uint32_t(*fixed) + uint32_t(*slope));
        }
    }
    *value = *fixed >> 16;
    *tick += 1;
    channel->flags |= flag;
}

void channel_auto_vibrato(Channel* channel, Instrument* instrument) {
    const int32_t p = channel->autovib_position;
    int32_t a = 0;
    switch (instrument->vibrato_type) {
    case 0:
        a = p >= 0 && p < 256 ? auto_vibrato_table.depth[p] : auto_vibrato_sine(p);
        break;
    case 1:
        a = p < 128 ? 64 : -64;
        break;
    case 2:
        a = int32_t(std::floor((128 - ((p + 128) % 256)) / 2.0));
        break;
    case 3:
        a = int32_t(std::floor((128 - ((384 - p) % 256)) / 2.0));
        break;
    default:
        a = 0; // waveforms beyond 3 are not defined: no vibrato
        break;
    }
    a *= instrument->vibrato_depth;
    if (instrument->vibrato_sweep != 0)
        a = a * channel->autovib_sweep_ticks / instrument->vibrato_sweep;
    a >>= 6;
    channel->period_delta += a;
    channel->autovib_sweep_ticks += 1;
    if (channel->autovib_sweep_ticks > instrument->vibrato_sweep)
        channel->autovib_sweep_ticks = instrument->vibrato_sweep;
    channel->autovib_position += instrument->vibrato_rate;
    if (channel->autovib_position > 255)
        channel->autovib_position -= 256;
    channel->flags |= UPDATE_FREQUENCY;
}
