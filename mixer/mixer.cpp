// The software mixer: every active voice into float stereo frames, with linear interpolation,
// volume ramps and loops, and the conversion to 16-bit PCM.
#include "mixer/mixer.h"

#include <cmath>
#include <cstring>

#include "mixer/mixer_frames.h"
#include "mixer/mixer_points.h"
#include "mixer/wide_int.h"
#include "mixer/sample.h"

namespace {

// __int128, or its two-word stand-in on 32-bit targets.
using u128 = WideUnsigned;
using i128 = WideSigned;

constexpr uint64_t NEVER = ~uint64_t(0);

// True when `distance` (32.32) takes more than `limit` moves of `move` to cover, judged on whole
// parts without a division: most voices are nowhere near their boundary.
inline bool beyond(uint64_t distance, uint64_t move, int limit) {
    return (distance >> 32) > uint64_t(limit) * ((move >> 32) + 1);
}

// Frames mixed before the voice crosses its boundary, counted exactly on the 32.32 position:
// forward the crossing is reaching the loop end, backward going below the loop start. Each
// frame first clears the position's lowest bit, so after the first frame the position moves
// by step & ~1 forward and by step + (step & 1) backward. 0 when the boundary is already
// crossed; NEVER when the voice cannot move. A count above `limit` (frames left) may come back
// as NEVER: the caller only needs counts it can reach.
uint64_t frames_to_boundary(uint64_t position, uint64_t step, int direction, uint64_t loop_start,
                            uint64_t loop_end, int limit) {
    // Loaded samples hold at most 2^28 values, so positions, loop ends and steps stay far
    // below 2^63 and the count fits 64-bit arithmetic; the 128-bit form covers the rest.
    if (loop_end < (uint64_t(1) << 31) && step < (uint64_t(1) << 62) &&
        position < (uint64_t(1) << 63)) {
        const uint64_t point = position & ~uint64_t(1);
        if (direction == 2) {
            const uint64_t start = loop_start << 32;
            if (position < start)
                return 0;
            if (point < start + step)
                return 1;
            const uint64_t fall = step + (step & 1);
            if (fall == 0 || beyond(point - step - start, fall, limit))
                return NEVER;
            return 2 + (point - step - start) / fall;
        }
        const uint64_t end = loop_end << 32;
        if (position >= end)
            return 0;
        const uint64_t first = point + step;
        if (first >= end)
            return 1;
        const uint64_t rise = step & ~uint64_t(1);
        if (rise == 0 || beyond(end - first, rise, limit))
            return NEVER;
        return 1 + (end - first + rise - 1) / rise;
    }
    if (direction == 2) {
        const i128 start = i128(loop_start) << 32;
        if (i128(position) < start)
            return 0;
        const i128 first = i128(position & ~uint64_t(1)) - i128(step);
        if (first < start)
            return 1;
        const uint64_t fall = step + (step & 1);
        if (fall == 0)
            return NEVER;
        return uint64_t(2 + (first - start) / i128(fall));
    }
    const u128 end = u128(loop_end) << 32;
    if (position >= end)
        return 0;
    const u128 first = u128(position & ~uint64_t(1)) + step;
    if (first >= end)
        return 1;
    const uint64_t rise = step & ~uint64_t(1);
    if (rise == 0)
        return NEVER;
    return uint64_t(1 + (end - first + rise - 1) / rise);
}

// Ping-pong turn at the boundary just crossed: mirror the overshoot with the 2^-32 offset,
// and mirror again at the other end until the position lies inside the loop. Two mirrors
// are one loop of 2 x loop length, so whole round trips are taken off first.
template <typename Int> void reflect(Int& position, int& direction, Int start, Int end) {
    const Int span = 2 * (end - start);
    if (direction == 1) {
        if (position - end >= span)
            position -= (position - end) / span * span;
    } else if (start - 1 - position >= span) {
        position += (start - 1 - position) / span * span;
    }
    for (;;) {
        if (direction == 1 && position >= end) {
            position = 2 * end - 1 - position;
            direction = 2;
        } else if (direction == 2 && position < start) {
            position = 2 * start - 1 - position;
            direction = 1;
        } else {
            return;
        }
    }
}

// A voice at steady gains of 0 adds s x 0, +0 or -0, to each buffer value, which leaves it as
// it is: the buffer starts at +0 and a sum rounds to -0 only when both terms are -0. Such
// frames only move the position; these give the position mixer_frames_flat and
// mixer_frames_flat_looped would.
uint64_t skip_frames(int frames, uint64_t position, uint64_t step, int direction) {
    if (frames < 1)
        return position;
    const uint64_t distance = mixer_point_distance(step, direction);
    return mixer_advance((position & ~uint64_t(1)) + uint64_t(frames - 1) * distance, step,
                         direction);
}

// The points go round the loop by whole laps: the last one is the first one plus `frames`
// distances, taken back into the loop. Needs frames x step below 2^63.
uint64_t skip_frames_looped(int frames, uint64_t position, uint64_t step, uint64_t loop_start,
                            uint64_t loop_length) {
    const uint64_t end = (loop_start + loop_length) << 32, lap = loop_length << 32;
    const uint64_t point = mixer_wrap_point(position, end, lap) & ~uint64_t(1);
    if (frames < 1)
        return mixer_wrap_point(position, end, lap);
    return mixer_wrap_point(point + uint64_t(frames) * (step & ~uint64_t(1)), end, lap) +
           (step & 1);
}

// A short forward loop written out lap after lap: frames that read it straight on read the
// same pairs as frames wrapped back by whole laps, since the guard after the loop end is the
// loop's first value. Module state, as the mixer runs on one thread at a time.
constexpr uint64_t UNROLLED_VALUES = 16384;
constexpr uint64_t UNROLLED_LOOP_MAX = 512; // longer loops wrap seldom enough
int16_t unrolled[UNROLLED_VALUES];

// Steady gains on a forward loop, mixed from the unrolled loop without any wrap; the position
// wrapped back into the loop at the end. False, with nothing done, when the position lies
// before the loop or the frames reach past the unrolled values.
bool flat_unrolled(float* out, int frames, const int16_t* data, uint64_t& position, uint64_t step,
                   float gain_left, float gain_right, uint64_t loop_start, uint64_t loop_length) {
    const uint64_t end = (loop_start + loop_length) << 32, lap = loop_length << 32;
    const uint64_t base = loop_start << 32;
    const uint64_t first = mixer_wrap_point(position, end, lap);
    if (first < base || frames < 1 || frames > (1 << 22) || step >= (uint64_t(1) << 40))
        return false;
    const uint64_t last =
        (first & ~uint64_t(1)) - base + uint64_t(frames - 1) * (step & ~uint64_t(1));
    const uint64_t needed = (last >> 32) + 2; // the last point reads this value and the next
    if (needed > UNROLLED_VALUES)
        return false;
    std::memcpy(unrolled, data + loop_start, loop_length * sizeof(int16_t));
    for (uint64_t filled = loop_length; filled < needed; filled *= 2)
        std::memcpy(unrolled + filled, unrolled,
                    (filled < needed - filled ? filled : needed - filled) * sizeof(int16_t));
    const uint64_t after =
        mixer_frames_flat(out, frames, unrolled, first - base, step, 1, gain_left, gain_right);
    position = mixer_wrap_point(after + base, end, lap);
    return true;
}

void mix_voice(Voice* voice, float* out, int frames) {
    const Sample* sample = voice->sample;
    uint64_t position = (uint64_t(voice->position) << 32) | voice->position_frac;
    const uint64_t step = (uint64_t(voice->step) << 32) | voice->step_frac;
    int direction = voice->direction;
    const uint64_t loop_start = sample->loop_start;
    const uint64_t loop_end = loop_start + sample->loop_length;
    uint8_t loop_type = sample->loop_type;
    // A loop of no length cannot turn: it plays to its end like an unlooped sample.
    if (sample->loop_length == 0)
        loop_type = LOOP_NONE;
    const int settings_ramp = mixer_settings.ramp_length;
    // The targets stay put for the whole call.
    const float gain_left = float(voice->gain_left) / 255.0f;
    const float gain_right = float(voice->gain_right) / 255.0f;

    // Where the frames can take a forward loop's wrap themselves (the bounds of the 64-bit
    // boundary count hold).
    const bool wrap_in_frames = loop_type == LOOP_FORWARD && direction == 1 &&
                                loop_end < (uint64_t(1) << 31) && step < (uint64_t(1) << 62);

    // A sample without data (the empty sample) ends at once; nothing is read.
    if (!sample->data) {
        voice->sample = nullptr;
        sample = nullptr;
        position = 0;
    }
    while (frames > 0 && sample) {
        // The ramp set-up first: it does not depend on where the boundary lies.
        if (!(voice->ramp_frames != 0 && voice->gain_left == voice->last_gain_left &&
              voice->gain_right == voice->last_gain_right)) {
            voice->last_gain_left = voice->gain_left;
            voice->last_gain_right = voice->gain_right;
            const int32_t whole_left = voice->level_left / 256;
            const int32_t whole_right = voice->level_right / 256;
            const float reciprocal = mixer_settings.ramp_reciprocal;
            voice->ramp_step_left =
                voice->gain_left != whole_left
                    ? float(voice->gain_left - whole_left) * (1.0f / 255.0f) * reciprocal
                    : 0.0f;
            voice->ramp_step_right =
                voice->gain_right != whole_right
                    ? float(voice->gain_right - whole_right) * (1.0f / 255.0f) * reciprocal
                    : 0.0f;
            if (voice->gain_left != whole_left || voice->gain_right != whole_right) {
                voice->ramp_frames = settings_ramp;
            } else {
                voice->ramp_frames = 0;
                voice->level_left = voice->gain_left * 256;
                voice->level_right = voice->gain_right * 256;
            }
        }
        const bool ramp = voice->ramp_frames != 0;
        const bool silent = !ramp && voice->gain_left == 0 && voice->gain_right == 0;
        int n = frames;
        bool boundary = false;
        const uint64_t to_boundary =
            frames_to_boundary(position, step, direction, loop_start, loop_end, n);
        if (to_boundary <= uint64_t(n)) {
            if (!ramp && wrap_in_frames) {
                // Steady gains on a forward loop that wraps in this call: the frames wrap by
                // themselves, without a pass per lap. Ramps still stop at the loop end (their
                // levels are rounded at every pass end).
                if (silent && frames < (1 << 22) && step < (uint64_t(1) << 40))
                    position =
                        skip_frames_looped(frames, position, step, loop_start, sample->loop_length);
                else if (sample->loop_length > UNROLLED_LOOP_MAX ||
                         !flat_unrolled(out, frames, sample->data, position, step, gain_left,
                                        gain_right, loop_start, sample->loop_length))
                    position = mixer_frames_flat_looped(out, frames, sample->data, position, step,
                                                        gain_left, gain_right, loop_start,
                                                        sample->loop_length);
                break;
            }
            n = int(to_boundary);
            boundary = true;
        }

        if (ramp && n > voice->ramp_frames) {
            n = voice->ramp_frames; // the ramp ends first; the boundary waits for a later pass
            boundary = false;
        }

        if (n > 0) {
            const int16_t* data = sample->data;
            if (ramp) {
                float left = float(voice->level_left) / 256.0f / 255.0f;
                float right = float(voice->level_right) / 256.0f / 255.0f;
                position = mixer_frames_ramp(out, n, data, position, step, direction, left, right,
                                             voice->ramp_step_left, voice->ramp_step_right);
                voice->level_left = int32_t(std::lrint(double(left) * 65280.0));
                voice->level_right = int32_t(std::lrint(double(right) * 65280.0));
                voice->ramp_frames -= n;
                if (voice->ramp_frames == 0) {
                    voice->ramp_step_left = 0.0f;
                    voice->ramp_step_right = 0.0f;
                    voice->level_left = voice->gain_left * 256;
                    voice->level_right = voice->gain_right * 256;
                }
            } else if (silent) {
                position = skip_frames(n, position, step, direction);
            } else {
                position = mixer_frames_flat(out, n, data, position, step, direction, gain_left,
                                             gain_right);
            }
            out += 2 * n;
            frames -= n;
        }

        if (boundary) {
            if (loop_type == LOOP_FORWARD) {
                const uint64_t whole = position >> 32;
                const uint64_t past = whole - loop_end;
                // Most wraps are one lap: no division for those.
                const uint64_t laps =
                    past < sample->loop_length ? 1 : past / sample->loop_length + 1;
                position -= (laps * sample->loop_length) << 32;
            } else if (loop_type == LOOP_PINGPONG) {
                // Going backward the position may have passed below 0: read it as signed.
                // Loops below 2^30 values keep every value of the turn inside 64 bits.
                if (loop_end < (uint64_t(1) << 30) && step < (uint64_t(1) << 62)) {
                    int64_t p = int64_t(position);
                    reflect<int64_t>(p, direction, int64_t(loop_start << 32),
                                     int64_t(loop_end << 32));
                    position = uint64_t(p);
                } else {
                    i128 p = direction == 2 ? i128(int64_t(position)) : i128(position);
                    reflect<i128>(p, direction, i128(loop_start) << 32, i128(loop_end) << 32);
                    position = uint64_t(p);
                }
            } else {
                voice->sample = nullptr;
                sample = nullptr;
                position = 0;
            }
        }
    }
    voice->position = uint32_t(position >> 32);
    voice->position_frac = uint32_t(position);
    voice->direction = direction;
}

} // namespace

void mixer_set_rate(int rate) {
    if (rate < 1)
        rate = 1;
    mixer_settings.rate = rate;
    mixer_settings.reciprocal = 1.0f / float(rate);
    mixer_settings.ramp_length = int32_t((int64_t(rate) * 128) / 44100);
    if (mixer_settings.ramp_length < 1)
        mixer_settings.ramp_length = 1;
    mixer_settings.ramp_reciprocal = 1.0f / float(mixer_settings.ramp_length);
}

void mixer_reset_voices() {
    std::memset(static_cast<void*>(voice_table), 0, sizeof(voice_table));
    for (int i = 0; i < VOICE_COUNT; ++i) {
        voice_table[i].number = i;
        voice_table[i].step = 1;
    }
}

void mixer_mix(float* buffer, int frames) {
    if (frames < 1 || !buffer)
        return;
    for (int v = 0; v < MIXED_VOICES; ++v)
        if (voice_table[v].sample)
            mix_voice(&voice_table[v], buffer, frames);
}
