#pragma once
// The record the replay writes once per tick and the mixer reads per frame, the voice table
// and the mixer settings. The mixer library sits below music, so the replay can write voices
// without music and the sound output depending on each other.

#include <cstdint>

struct Sample;

constexpr int VOICE_COUNT = 256; // voices in the table
constexpr int MIXED_VOICES = 32; // voices 0..31 are mixed

// The mixing state of one channel. All fields 32 bits, in this order.
struct Voice {
    int32_t number;             // index in the voice table
    int32_t volume;             // final volume, a copy kept for the replay
    int32_t frequency;          // Hz, before the replay's 100 Hz floor
    int32_t panning;            // final panning 0..255, a copy kept for the replay
    int32_t volume_for_pan;     // final volume, used when the panning changes
    int32_t panning_for_volume; // final panning, used when the volume changes
    uint32_t start_offset;      // sample offset (values) taken at the next note start
    Sample* sample;             // sample being played; null = silent
    int32_t gain_left;          // target gain 0..255 of the left sample of each frame
    int32_t gain_right;         // target gain 0..255 of the right sample
    uint32_t position;          // whole part of the 32.32 play position, in sample values
    uint32_t position_frac;     // low half of the 32.32 play position, units of 2^-32
    uint32_t step_frac;         // low half of the 32.32 advance per output frame
    uint32_t step;              // whole part of the advance per output frame
    int32_t direction;          // 1 forward, 2 backward (return leg of a ping-pong loop)
    int32_t last_gain_left;     // gain_left the current ramp was set up for
    int32_t last_gain_right;    // gain_right the current ramp was set up for
    int32_t level_left;         // current left gain, 8.8 fixed point (0..255 x 256)
    int32_t level_right;        // current right gain, 8.8 fixed point
    float ramp_step_left;       // gain change per frame during a ramp, full scale = 1
    float ramp_step_right;
    int32_t ramp_frames; // frames left in the running ramp; 0 = none
};

// Settings derived from the output rate; mixer_set_rate (audio/mixer.h) computes them.
// They start at the 44100 Hz values so the replay works before any output is opened.
struct MixerSettings {
    int32_t rate;          // output frames per second
    float reciprocal;      // 1 / rate, single precision
    int32_t ramp_length;   // (rate * 128) / 44100 frames
    float ramp_reciprocal; // 1 / ramp_length, single precision
};

inline MixerSettings mixer_settings = {44100, 1.0f / 44100.0f, 128, 1.0f / 128.0f};

// The one voice table: written by the replay, read by the mixer, on one thread at a time.
inline Voice voice_table[VOICE_COUNT];
