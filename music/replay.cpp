// The replay engine: rows, notes, instruments, envelopes and fade-out, tick by tick, into the
// channels' voices. One song plays at a time, so the channel records are module-level.
#include "music/music.h"

#include <cstring>

namespace {

Channel channels[MAX_CHANNELS];
const Cell EMPTY_ROW[MAX_CHANNELS] = {};
// The row the last row start processed; later ticks work on it even after E6 moved `row`.
const Cell* processed_row = EMPTY_ROW;

// The pattern an order position plays; null for one the song does not have.
const Pattern* order_pattern(const Module* module, int32_t order) {
    if (order < 0 || order > 255)
        return nullptr;
    const int index = module->orders[order];
    if (index >= module->pattern_count || !module->patterns)
        return nullptr;
    return &module->patterns[index];
}

int32_t order_rows(const Module* module, int32_t order) {
    const Pattern* pattern = order_pattern(module, order);
    return pattern ? pattern->rows : 64;
}

const Cell* row_cells(const Module* module) {
    const Pattern* pattern = order_pattern(module, module->order);
    if (!pattern || !pattern->cells || module->row < 0 || module->row >= pattern->rows)
        return EMPTY_ROW;
    return pattern->cells + size_t(module->row) * module->num_channels;
}

struct Choice {
    Instrument* instrument;
    Sample* sample;
};

Choice choose(const Module* module, const Channel* channel) {
    if (channel->instrument >= module->num_instruments) {
        EMPTY_SAMPLE.data = nullptr;
        return {&EMPTY_INSTRUMENT, &EMPTY_SAMPLE};
    }
    Instrument* instrument = &module->instruments[channel->instrument];
    const uint8_t slot = instrument->sample_map[channel->note % NOTE_COUNT];
    if (slot >= MAX_SAMPLES_PER_INSTRUMENT || !instrument->samples[slot])
        return {instrument, &EMPTY_SAMPLE};
    return {instrument, instrument->samples[slot]};
}

bool is_note(uint8_t note) {
    return note >= 1 && note <= NOTE_COUNT;
}

void step_volume_envelope(Channel* c, const Instrument* in) {
    channel_envelope_step(c, &c->venv_point, &c->venv_tick, in->volume_type, in->num_volume_points,
                          in->volume_points, in->volume_loop_end, in->volume_loop_start,
                          in->volume_sustain, &c->venv_value, &c->venv_fixed, &c->venv_finished,
                          &c->venv_slope, UPDATE_VOLUME);
}

void step_panning_envelope(Channel* c, const Instrument* in) {
    channel_envelope_step(c, &c->penv_point, &c->penv_tick, in->panning_type,
                          in->num_panning_points, in->panning_points, in->panning_loop_end,
                          in->panning_loop_start, in->panning_sustain, &c->penv_value,
                          &c->penv_fixed, &c->penv_finished, &c->penv_slope, UPDATE_PANNING);
}

void fade_out(Channel* c, const Instrument* in) {
    if (!c->key_released)
        return;
    c->fadeout_volume -= in->fadeout;
    if (c->fadeout_volume < 0)
        c->fadeout_volume = 0;
    c->flags |= UPDATE_VOLUME;
}

void process_cell(Module* module, Channel* c, const Cell* cell) {
    const bool porta = cell->effect == 3 || cell->effect == 5 || cell->volume >= 0xF0;
    if (cell->instrument && !porta)
        c->instrument = uint8_t(cell->instrument - 1);
    // Only the 96 notes index the sample map; any other byte but key off is no note.
    const bool note = is_note(cell->note);
    if (note && !porta)
        c->note = uint8_t(cell->note - 1);
    const Choice chosen = choose(module, c);
    Instrument* in = chosen.instrument;
    Sample* sample = chosen.sample;

    const int32_t saved_volume = c->volume, saved_period = c->period, saved_panning = c->panning;
    if (c->last_effect == 7 && cell->effect != 7)
        c->volume += c->volume_delta;
    c->last_effect = cell->effect;
    c->volume_delta = 0;
    c->flags = 0;
    if (note) {
        c->real_note = uint8_t(cell->note - 1 + sample->relative_note);
        if (module->flags & 1)
            c->note_period = 7680 - 64 * c->real_note - sample->finetune / 2;
        else
            c->note_period = music_amiga_period(c->real_note, sample->finetune);
        if (!porta)
            c->period = c->note_period;
        c->flags = UPDATE_TRIGGER;
    }
    c->period_delta = 0;
    c->flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;
    if (cell->instrument)
        channel_reset_instrument(c, sample);
    if (cell->volume)
        channel_volume_column_row(c, cell->volume);
    if (cell->note == NOTE_KEY_OFF || cell->effect == 20)
        c->key_released = true;
    if (in->volume_type & 1) {
        if (!c->venv_finished)
            step_volume_envelope(c, in);
    } else if (c->key_released) {
        c->venv_value = 0;
    }
    if ((in->panning_type & 1) && !c->penv_finished)
        step_panning_envelope(c, in);
    fade_out(c, in);
    channel_effect_row(module, c, cell, in, sample, saved_volume, saved_period, saved_panning);
    channel_auto_vibrato(c, in);
    channel_update_voice(c, sample, module);
}

} // namespace

Channel* music_channel(int index) {
    if (index < 0 || index >= MAX_CHANNELS)
        return nullptr;
    return &channels[index];
}

void music_reset_playback(Module* module) {
    module->global_volume = module->initial_global_volume;
    module->speed = module->default_speed;
    module->row = 0;
    module->order = 0;
    module->next_order = -1;
    module->next_row = -1;
    module->tick_samples_left = 0;
    module->tick = 0;
    module->pattern_delay_ticks = 0;
    module->time_ms = 0;
    music_set_bpm(module, module->default_bpm);
    const int count = module->num_channels < MAX_CHANNELS ? module->num_channels : MAX_CHANNELS;
    for (int i = 0; i < count; ++i) {
        std::memset(static_cast<void*>(&channels[i]), 0, sizeof(Channel));
        channels[i].voice = &voice_table[i];
        channels[i].voice_number = i;
    }
    processed_row = EMPTY_ROW;
}

void channel_reset_instrument(Channel* c, Sample* sample) {
    c->volume = sample->volume;
    c->panning = sample->panning;
    c->venv_value = 64;
    c->venv_point = c->venv_tick = c->venv_slope = 0;
    c->penv_value = 32;
    c->penv_point = c->penv_tick = c->penv_slope = 0;
    c->key_released = false;
    c->fadeout_volume = 65536;
    c->venv_finished = c->penv_finished = false;
    c->autovib_sweep_ticks = 0;
    c->autovib_position = 0;
    if ((c->waveform & 0x0F) < 4)
        c->vibrato_position = 0;
    if ((c->waveform >> 4) < 4)
        c->tremolo_position = 0;
    c->tremor_counter = 0;
    c->flags |= UPDATE_VOLUME | UPDATE_PANNING;
}

void music_process_row(Module* module) {
    module->next_order = -1;
    module->next_row = -1;
    processed_row = row_cells(module);
    const int count = module->num_channels < MAX_CHANNELS ? module->num_channels : MAX_CHANNELS;
    for (int c = 0; c < count; ++c)
        process_cell(module, &channels[c], &processed_row[c]);
}

void music_process_tick(Module* module) {
    const int count = module->num_channels < MAX_CHANNELS ? module->num_channels : MAX_CHANNELS;
    for (int i = 0; i < count; ++i) {
        Channel* c = &channels[i];
        const Cell* cell = &processed_row[i];
        const Choice chosen = choose(module, c);
        c->volume_delta = 0;
        c->period_delta = 0;
        c->flags = 0;
        if ((chosen.instrument->volume_type & 1) && !c->venv_finished)
            step_volume_envelope(c, chosen.instrument);
        if ((chosen.instrument->panning_type & 1) && !c->penv_finished)
            step_panning_envelope(c, chosen.instrument);
        fade_out(c, chosen.instrument);
        if (cell->volume)
            channel_volume_column_tick(c, cell->volume);
        channel_effect_tick(module, c, cell, chosen.instrument, chosen.sample);
        channel_auto_vibrato(c, chosen.instrument);
        channel_update_voice(c, chosen.sample, module);
    }
}

void music_tick(Module* module) {
    if (module->tick == 0) {
        if (module->next_order >= 0)
            module->order = module->next_order;
        if (module->next_row >= 0)
            module->row = module->next_row;
        // Jumps, breaks and loops may name rows or orders the song does not have: start the
        // pattern (or the song) over rather than read outside it.
        if (module->order < 0 || module->order > 255 ||
            (module->song_length > 0 && module->order >= module->song_length))
            module->order = module->restart_position;
        if (module->row < 0 || module->row >= order_rows(module, module->order))
            module->row = 0;
        music_process_row(module);
        if (module->next_row == -1) {
            module->next_row = module->row + 1;
            if (module->next_row >= order_rows(module, module->order)) {
                module->next_order = module->order + 1;
                if (module->next_order >= module->song_length)
                    module->next_order = module->restart_position;
                module->next_row = 0;
            }
        }
    } else {
        music_process_tick(module);
    }
    module->tick += 1;
    if (module->tick >= module->speed + module->pattern_delay_ticks) {
        module->pattern_delay_ticks = 0;
        module->tick = 0;
    }
}
