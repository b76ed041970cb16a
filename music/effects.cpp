// The XM effect commands 0..33 and the extended commands E0..EF: their row-start and
// per-tick parts, their memories and their limits.

#include "music/effects.h"

#include <algorithm>
#include <cstdint>

#include "music/effects_internal.h"

namespace {

enum Effect : uint8_t {
    FX_ARPEGGIO = 0,
    FX_PORTA_UP = 1,
    FX_PORTA_DOWN = 2,
    FX_TONE_PORTA = 3,
    FX_VIBRATO = 4,
    FX_TONE_PORTA_VOLUME_SLIDE = 5,
    FX_VIBRATO_VOLUME_SLIDE = 6,
    FX_TREMOLO = 7,
    FX_SET_PANNING = 8,
    FX_SAMPLE_OFFSET = 9,
    FX_VOLUME_SLIDE = 10,
    FX_POSITION_JUMP = 11,
    FX_SET_VOLUME = 12,
    FX_PATTERN_BREAK = 13,
    FX_EXTENDED = 14,
    FX_SPEED_TEMPO = 15,
    FX_GLOBAL_VOLUME = 16,
    FX_GLOBAL_VOLUME_SLIDE = 17,
    FX_KEY_OFF = 20, // handled by the row processing (key release)
    FX_ENVELOPE_POSITION = 21,
    FX_PANNING_SLIDE = 25,
    FX_RETRIGGER = 27,
    FX_TREMOR = 29,
    FX_EXTRA_FINE_PORTA = 33,
};

enum Extended : uint8_t {
    EX_FINE_PORTA_UP = 1,
    EX_FINE_PORTA_DOWN = 2,
    EX_VIBRATO_WAVEFORM = 4,
    EX_FINETUNE = 5,
    EX_PATTERN_LOOP = 6,
    EX_TREMOLO_WAVEFORM = 7,
    EX_SET_PANNING = 8,
    EX_RETRIGGER = 9,
    EX_FINE_VOLUME_UP = 10,
    EX_FINE_VOLUME_DOWN = 11,
    EX_NOTE_CUT = 12,
    EX_NOTE_DELAY = 13,
    EX_PATTERN_DELAY = 14,
};

constexpr int32_t MIN_PORTA_PERIOD = 56;

// A, 5 and 6 on later ticks: the high nibble of the memory wins over the low one.
void volume_slide(Channel* channel) {
    const int up = channel->volume_slide_memory >> 4;
    const int down = channel->volume_slide_memory & 15;
    if (up != 0)
        channel->volume = std::min(channel->volume + up, 64);
    else if (down != 0)
        channel->volume = std::max(channel->volume - down, 0);
    channel->flags |= UPDATE_VOLUME;
}

void arpeggio_offset(const Module* module, Channel* channel, const Sample* sample, int semitones) {
    if (module->flags & 1) {
        channel->period_delta = 64 * semitones;
    } else {
        // Negative: a smaller Amiga period is a higher pitch.
        channel->period_delta =
            music_amiga_period(channel->real_note + semitones, sample->finetune) -
            music_amiga_period(channel->real_note, sample->finetune);
    }
}

// The volume change of the R retrigger; kind 0 changes nothing and clamps nothing.
void retrigger_volume(Channel* channel) {
    static const int8_t STEP[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    const int kind = channel->retrig_volume & 15;
    if (kind == 0)
        return;
    int v = channel->volume;
    switch (kind) {
    case 6:
        v = v * 2 / 3;
        break;
    case 7:
        v = v >> 1;
        break;
    case 14:
        v = v * 3 / 2;
        break;
    case 15:
        v = v * 2;
        break;
    default:
        v += STEP[kind];
        break;
    }
    channel->volume = std::clamp(v, 0, 64);
    channel->flags |= UPDATE_VOLUME;
}

// Lxx: moves the volume envelope to tick xx, between the points around it.
void set_envelope_position(Channel* channel, const Instrument* instrument, int xx) {
    const EnvelopePoint* p = instrument->volume_points;
    // The cap keeps a damaged point count inside the 12 stored points.
    const int n = std::min<int>(instrument->num_volume_points, MAX_ENVELOPE_POINTS);
    if (n < 1)
        return;
    int i = 0;
    while (i < n - 1 && xx > p[i + 1].x)
        ++i;
    if (i == n - 1) {
        channel->venv_value = p[n - 1].y;
        channel->venv_finished = true;
        channel->venv_point = i;
        return;
    }
    channel->venv_finished = false;
    channel->venv_tick = xx;
    // 64-bit so that damaged point values cannot overflow; valid ones fit in 32 bits.
    const int64_t dx = int64_t(p[i + 1].x) - p[i].x;
    const int64_t slope = dx != 0 ? ((int64_t(p[i + 1].y) - p[i].y) * 65536) / dx : 0;
    channel->venv_slope = static_cast<int32_t>(slope);
    channel->venv_fixed = static_cast<int32_t>(int64_t(p[i].y) * 65536 +
                                               int64_t(channel->venv_slope) * (xx - p[i].x));
    channel->venv_value = channel->venv_fixed >> 16;
    channel->venv_point = i + 1;
}

void extended_row(Module* module, Channel* channel, int x, int y, Sample* sample,
                  int32_t saved_volume, int32_t saved_period, int32_t saved_panning) {
    switch (x) {
    case EX_FINE_PORTA_UP:
        if (y != 0)
            channel->fine_porta_up_memory = static_cast<uint8_t>(y);
        channel->period =
            effects_add_saturated(channel->period, -4 * channel->fine_porta_up_memory);
        break;
    case EX_FINE_PORTA_DOWN:
        if (y != 0)
            channel->fine_porta_down_memory = static_cast<uint8_t>(y);
        channel->period =
            effects_add_saturated(channel->period, 4 * channel->fine_porta_down_memory);
        break;
    case EX_VIBRATO_WAVEFORM:
        channel->waveform = static_cast<uint8_t>((channel->waveform & 0xF0) | y);
        break;
    case EX_FINETUNE:
        // Stays in the sample for later notes; the shared empty sample stays all zero.
        if (sample != &EMPTY_SAMPLE)
            sample->finetune = static_cast<int8_t>(y);
        break;
    case EX_PATTERN_LOOP:
        if (y == 0) {
            channel->loop_row = module->row;
        } else {
            if (channel->loop_count == 0)
                channel->loop_count = y;
            else
                --channel->loop_count;
            // Never below -1, so the row after this one is never before the pattern.
            if (channel->loop_count != 0)
                module->row = std::max(channel->loop_row, 0) - 1;
        }
        break;
    case EX_TREMOLO_WAVEFORM:
        channel->waveform = static_cast<uint8_t>((channel->waveform & 0x0F) | (y << 4));
        break;
    case EX_SET_PANNING:
        channel->panning = y * 16;
        channel->flags |= UPDATE_PANNING;
        break;
    case EX_FINE_VOLUME_UP:
        if (y != 0)
            channel->fine_volume_slide_memory = static_cast<uint8_t>(y);
        channel->volume = std::min(channel->volume + channel->fine_volume_slide_memory, 64);
        channel->flags |= UPDATE_VOLUME;
        break;
    case EX_FINE_VOLUME_DOWN:
        if (y != 0)
            channel->fine_volume_slide_memory = static_cast<uint8_t>(y);
        channel->volume = std::max(channel->volume - channel->fine_volume_slide_memory, 0);
        channel->flags |= UPDATE_VOLUME;
        break;
    case EX_NOTE_DELAY:
        channel->volume = saved_volume;
        channel->period = saved_period;
        channel->panning = saved_panning;
        channel->flags &= ~(UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_PANNING | UPDATE_TRIGGER);
        break;
    case EX_PATTERN_DELAY:
        module->pattern_delay_ticks = y * module->speed;
        break;
    default:
        break;
    }
}

void extended_tick(const Module* module, Channel* channel, const Cell* cell, int x, int y,
                   Sample* sample) {
    const int tick = module->tick;
    switch (x) {
    case EX_RETRIGGER:
        if (y != 0 && tick % y == 0)
            channel->flags |= UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_FREQUENCY;
        break;
    case EX_NOTE_CUT:
        if (tick == y) {
            channel->volume = 0;
            channel->flags |= UPDATE_VOLUME;
        }
        break;
    case EX_NOTE_DELAY:
        if (tick == y) {
            channel_reset_instrument(channel, sample);
            channel->period = channel->note_period;
            channel->flags |= UPDATE_FREQUENCY;
            if (cell->volume != 0)
                channel_volume_column_row(channel, cell->volume);
            channel->flags |= UPDATE_TRIGGER;
        } else {
            channel->flags &= ~(UPDATE_VOLUME | UPDATE_PANNING | UPDATE_TRIGGER | UPDATE_FREQUENCY);
        }
        break;
    default:
        break;
    }
}

} // namespace

void effects_tone_portamento(Channel* channel) {
    const int32_t step = 4 * channel->porta_speed;
    if (channel->period < channel->porta_target)
        channel->period = std::min(channel->period + step, channel->porta_target);
    else if (channel->period > channel->porta_target)
        channel->period = std::max(channel->period - step, channel->porta_target);
    channel->flags |= UPDATE_FREQUENCY;
}

void channel_effect_row(Module* module, Channel* channel, const Cell* cell, Instrument* instrument,
                        Sample* sample, int32_t saved_volume, int32_t saved_period,
                        int32_t saved_panning) {
    const uint8_t xx = cell->param;
    const int x = xx >> 4;
    const int y = xx & 15;
    switch (cell->effect) {
    case FX_PORTA_UP:
        if (xx != 0)
            channel->porta_up_memory = xx;
        break;
    case FX_PORTA_DOWN:
        if (xx != 0)
            channel->porta_down_memory = xx;
        break;
    case FX_TONE_PORTA:
        if (xx != 0)
            channel->porta_speed = xx;
        channel->porta_target = channel->note_period;
        channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
        break;
    case FX_VIBRATO:
        if (x != 0)
            channel->vibrato_speed = static_cast<uint8_t>(x);
        if (y != 0)
            channel->vibrato_depth = static_cast<uint8_t>(y);
        channel_vibrato(channel);
        break;
    case FX_TONE_PORTA_VOLUME_SLIDE:
        channel->porta_target = channel->note_period;
        if (xx != 0)
            channel->volume_slide_memory = xx;
        channel->flags &= ~(UPDATE_TRIGGER | UPDATE_FREQUENCY);
        break;
    case FX_VIBRATO_VOLUME_SLIDE:
        if (xx != 0)
            channel->volume_slide_memory = xx;
        channel_vibrato(channel);
        break;
    case FX_TREMOLO:
        if (x != 0)
            channel->tremolo_speed = static_cast<uint8_t>(x);
        if (y != 0)
            channel->tremolo_depth = static_cast<uint8_t>(y);
        break;
    case FX_SET_PANNING:
        channel->panning = xx;
        channel->flags |= UPDATE_PANNING;
        break;
    case FX_SAMPLE_OFFSET: {
        if (xx != 0)
            channel->offset_memory = xx;
        const uint32_t offset = static_cast<uint32_t>(channel->offset_memory) * 256;
        if (offset >= sample->loop_start + sample->loop_length) {
            channel->flags &= ~UPDATE_TRIGGER;
            channel->flags |= UPDATE_STOP;
        } else {
            channel->voice->start_offset = offset;
        }
        break;
    }
    case FX_VOLUME_SLIDE:
        if (xx != 0)
            channel->volume_slide_memory = xx;
        break;
    case FX_POSITION_JUMP:
        module->next_order = xx >= module->song_length ? 0 : xx;
        module->next_row = 0;
        break;
    case FX_SET_VOLUME:
        channel->volume = xx;
        channel->flags |= UPDATE_VOLUME;
        break;
    case FX_PATTERN_BREAK:
        module->next_row = 10 * x + y;
        if (module->next_row > 63)
            module->next_row = 0;
        // next_order stays -1 until a B, or an earlier D that sets the same order, in a
        // lower channel of this row sets it.
        if (module->next_order < 0)
            module->next_order = module->order + 1;
        if (module->next_order >= module->song_length)
            module->next_order = 0;
        break;
    case FX_EXTENDED:
        extended_row(module, channel, x, y, sample, saved_volume, saved_period, saved_panning);
        break;
    case FX_SPEED_TEMPO:
        if (xx < 32)
            module->speed = xx;
        else
            music_set_bpm(module, xx);
        break;
    case FX_GLOBAL_VOLUME:
        module->global_volume = std::min<int>(xx, 64);
        channel->flags |= UPDATE_VOLUME;
        break;
    case FX_GLOBAL_VOLUME_SLIDE:
        if (xx != 0)
            module->global_volume_slide = xx;
        break;
    case FX_ENVELOPE_POSITION:
        if (instrument->volume_type & 1)
            set_envelope_position(channel, instrument, xx);
        break;
    case FX_PANNING_SLIDE:
        if (xx != 0) {
            channel->panning_slide_memory = xx;
            channel->flags |= UPDATE_PANNING;
        }
        break;
    case FX_RETRIGGER:
        if (xx != 0) {
            channel->retrig_volume = static_cast<uint8_t>(x);
            channel->retrig_interval = static_cast<uint8_t>(y);
        }
        break;
    case FX_TREMOR:
        if (xx != 0) {
            channel->tremor_on = static_cast<uint8_t>(x + 1);
            channel->tremor_off = static_cast<uint8_t>(y + 1);
        }
        channel_tremor(channel);
        break;
    case FX_EXTRA_FINE_PORTA:
        if (x == 1) {
            if (y != 0)
                channel->xfine_porta_up_memory = static_cast<uint8_t>(y);
            channel->period =
                effects_add_saturated(channel->period, -channel->xfine_porta_up_memory);
        } else if (x == 2) {
            if (y != 0)
                channel->xfine_porta_down_memory = static_cast<uint8_t>(y);
            channel->period =
                effects_add_saturated(channel->period, channel->xfine_porta_down_memory);
        }
        break;
    default:
        break;
    }
}

void channel_effect_tick(Module* module, Channel* channel, const Cell* cell, Instrument* instrument,
                         Sample* sample) {
    const uint8_t xx = cell->param;
    const int x = xx >> 4;
    const int y = xx & 15;
    switch (cell->effect) {
    case FX_ARPEGGIO:
        if (xx != 0) {
            const int phase = module->tick % 3;
            if (phase == 1)
                arpeggio_offset(module, channel, sample, x);
            if (phase == 2)
                arpeggio_offset(module, channel, sample, y);
            channel->flags |= UPDATE_FREQUENCY;
        }
        break;
    case FX_PORTA_UP:
        channel->period =
            std::max(channel->period - 4 * channel->porta_up_memory, MIN_PORTA_PERIOD);
        channel->flags |= UPDATE_FREQUENCY;
        break;
    case FX_PORTA_DOWN:
        channel->period = effects_add_saturated(channel->period, 4 * channel->porta_down_memory);
        channel->flags |= UPDATE_FREQUENCY;
        break;
    case FX_TONE_PORTA:
        effects_tone_portamento(channel);
        break;
    case FX_VIBRATO:
        channel_vibrato(channel);
        channel_vibrato_advance(channel);
        break;
    case FX_TONE_PORTA_VOLUME_SLIDE:
        effects_tone_portamento(channel);
        volume_slide(channel);
        break;
    case FX_VIBRATO_VOLUME_SLIDE:
        channel_vibrato(channel);
        channel_vibrato_advance(channel);
        volume_slide(channel);
        break;
    case FX_TREMOLO:
        channel_tremolo(channel);
        break;
    case FX_VOLUME_SLIDE:
        volume_slide(channel);
        break;
    case FX_EXTENDED:
        extended_tick(module, channel, cell, x, y, sample);
        break;
    case FX_GLOBAL_VOLUME_SLIDE: {
        // No update flag: each voice takes the new level at its next volume update.
        const int up = module->global_volume_slide >> 4;
        const int down = module->global_volume_slide & 15;
        if (up != 0)
            module->global_volume = std::min(module->global_volume + up, 64);
        else if (down != 0)
            module->global_volume = std::max(module->global_volume - down, 0);
        break;
    }
    case FX_PANNING_SLIDE: {
        const int right = channel->panning_slide_memory >> 4;
        const int left = channel->panning_slide_memory & 15;
        if (right != 0)
            channel->panning = std::min(channel->panning + right, 255);
        else if (left != 0)
            channel->panning = std::max(channel->panning - left, 0);
        channel->flags |= UPDATE_PANNING;
        break;
    }
    case FX_RETRIGGER:
        if (channel->retrig_interval != 0 && module->tick % channel->retrig_interval == 0) {
            retrigger_volume(channel);
            channel->flags |= UPDATE_TRIGGER;
        }
        break;
    case FX_TREMOR:
        channel_tremor(channel);
        break;
    default:
        break;
    }
}
