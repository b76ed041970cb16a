// The last step of every channel on every tick: final volume, panning, frequency and note
// start written into the channel's Voice.
#include "music/music.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

void set_gains(Voice* voice) {
    const int32_t v = voice->volume_for_pan;
    const int32_t p = voice->panning_for_volume;
    voice->gain_left = v * (255 - p) / 255;
    voice->gain_right = v * p / 255;
}

int32_t linear_frequency(int32_t period, int32_t period_delta) {
    const double exponent = (4608.0 - double(period) + double(period_delta)) / 768.0;
    const double f = 8363.0 * std::pow(2.0, exponent);
    // Damaged songs can ask for frequencies beyond int: hold them at the limit.
    if (f >= double(INT32_MAX))
        return INT32_MAX;
    return int32_t(f);
}

// pow is the replay's dearest call, and a song plays few distinct pitches: each result is kept,
// keyed by 4608 - period + delta, the integer the exponent depends on, once it has been
// computed. -1 marks a key not computed yet (frequencies are never negative).
constexpr int64_t FREQUENCY_KEYS = 16384; // keys -8192..8191, the range real songs reach
int32_t frequency_table[FREQUENCY_KEYS];  // block-fill thread only, like all replay state
bool frequency_table_ready = false;

int32_t remembered_linear_frequency(int32_t period, int32_t period_delta) {
    const int64_t key = 4608 - int64_t(period) + period_delta;
    if (key < -FREQUENCY_KEYS / 2 || key >= FREQUENCY_KEYS / 2)
        return linear_frequency(period, period_delta);
    if (!frequency_table_ready) {
        for (int32_t& f : frequency_table)
            f = -1;
        frequency_table_ready = true;
    }
    int32_t& f = frequency_table[key + FREQUENCY_KEYS / 2];
    if (f < 0)
        f = linear_frequency(period, period_delta);
    return f;
}

} // namespace

void channel_update_voice(Channel* channel, Sample* sample, Module* module) {
    Voice* voice = channel->voice;
    if (!voice)
        return;
    uint8_t flags = channel->flags;
    if (int64_t(channel->period) + channel->period_delta == 0)
        flags &= uint8_t(~UPDATE_FREQUENCY);

    if (flags & UPDATE_TRIGGER) {
        voice->sample = sample;
        if (voice->start_offset >= sample->loop_start + sample->loop_length)
            voice->start_offset = 0;
        voice->position = voice->start_offset;
        voice->position_frac = 0;
        voice->direction = 1;
        voice->start_offset = 0;
        voice->level_left = 0;
        voice->level_right = 0;
        voice->ramp_frames = 0;
    }
    if (flags & UPDATE_VOLUME) {
        const float a = float(channel->venv_value * (channel->volume + channel->volume_delta));
        const float b = float(channel->fadeout_volume * double(a));
        const int32_t v =
            int32_t(double(module->global_volume) * double(b) * 255.0 / 34359738368.0);
        voice->volume_for_pan = v;
        voice->volume = v;
    }
    if (flags & UPDATE_PANNING) {
        const int32_t pan = channel->panning;
        int32_t p = pan + (channel->penv_value - 32) * ((128 - std::abs(pan - 128)) / 32);
        if (p < 0)
            p = 0;
        if (p > 255)
            p = 255;
        voice->panning_for_volume = p;
        voice->panning = p;
    }
    if (flags & (UPDATE_VOLUME | UPDATE_PANNING))
        set_gains(voice);
    if (flags & UPDATE_FREQUENCY) {
        const int32_t sum = channel->period + channel->period_delta;
        int32_t f = (module->flags & 1)
                        ? remembered_linear_frequency(channel->period, channel->period_delta)
                                        : 14317056 / sum;
        voice->frequency = f;
        if (f < 100)
            f = 100;
        const uint32_t rate = uint32_t(mixer_settings.rate);
        voice->step = uint32_t(f) / rate;
        voice->step_frac = uint32_t((uint64_t(uint32_t(f) % rate) << 32) / rate);
    }
    if (flags & UPDATE_STOP) {
        voice->position_frac = 0;
        voice->position = 0;
        voice->sample = nullptr;
        voice->start_offset = 0;
    }
}
