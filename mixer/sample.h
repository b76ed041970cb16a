#pragma once
// A sample as the mixer plays it: signed 16-bit mono values with a guard after the loop end, and
// its loop. The loader fills it; the mixer only reads it.

#include <cstdint>

// Sample loop types.
constexpr uint8_t LOOP_NONE = 1;
constexpr uint8_t LOOP_FORWARD = 2;
constexpr uint8_t LOOP_PINGPONG = 4;

struct Sample {
    int16_t* data;       // owned, length + 8 values (guard after the loop end); null if length is 0
    uint32_t length;     // sample values
    uint32_t loop_start; // first value of the loop
    uint32_t loop_length; // values in the loop; length when there is no loop
    uint8_t volume;       // 0..64
    int8_t finetune;      // 128 steps per semitone
    int32_t panning;      // 0..255
    uint8_t bits;         // 16 once loaded
    uint8_t loop_type;    // LOOP_NONE, LOOP_FORWARD or LOOP_PINGPONG
    int8_t relative_note; // semitones added to every note
};
