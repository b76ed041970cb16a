#pragma once
// The XM song in memory, its loader and the replay engine: one song plays at a time, driven
// tick by tick from the sound output's block fill. The library prints nothing.

#include <cstdint>

#include "mixer/sample.h"
#include "mixer/voice.h"

constexpr int MAX_CHANNELS = 32;
constexpr int MAX_SAMPLES_PER_INSTRUMENT = 16;
constexpr int MAX_ENVELOPE_POINTS = 12;
constexpr int NOTE_COUNT = 96;
constexpr uint8_t NOTE_KEY_OFF = 255;

// Channel update flags of the current tick, read by channel_update_voice.
constexpr uint8_t UPDATE_FREQUENCY = 1;
constexpr uint8_t UPDATE_VOLUME = 2;
constexpr uint8_t UPDATE_PANNING = 4;
constexpr uint8_t UPDATE_TRIGGER = 8;
constexpr uint8_t UPDATE_STOP = 0x20;

// One pattern entry, 5 bytes.
struct Cell {
    uint8_t note;       // 0 none, 1..96 (1 = C-0), 255 key off
    uint8_t instrument; // 0 none, 1..128
    uint8_t volume;     // volume-column byte, 0 empty
    uint8_t effect;
    uint8_t param;
};

struct Pattern {
    int32_t rows;
    Cell* cells; // owned, rows x num_channels, row-major; null when rows x channels is 0
};

struct EnvelopePoint {
    uint16_t x; // tick position
    uint16_t y; // value 0..64
};

struct Instrument {
    int32_t num_samples;                         // 0..16
    Sample* samples[MAX_SAMPLES_PER_INSTRUMENT]; // owned up to num_samples, then &EMPTY_SAMPLE
    uint8_t sample_map[NOTE_COUNT];              // sample number for each note 0..95
    EnvelopePoint volume_points[MAX_ENVELOPE_POINTS];
    EnvelopePoint panning_points[MAX_ENVELOPE_POINTS];
    uint8_t num_volume_points; // at most 12 once loaded
    uint8_t num_panning_points;
    uint8_t volume_sustain;
    uint8_t volume_loop_start;
    uint8_t volume_loop_end;
    uint8_t panning_sustain;
    uint8_t panning_loop_start;
    uint8_t panning_loop_end;
    uint8_t volume_type; // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t panning_type;
    uint8_t vibrato_type; // auto-vibrato waveform 0..3
    uint8_t vibrato_sweep;
    uint8_t vibrato_depth;
    uint8_t vibrato_rate;
    uint16_t fadeout; // per tick on a 65536 scale (file value x 2)
};

// Supplies a sample's bytes instead of the file: (buffer, byte count, bits, instrument index,
// sample index). The buffer holds length x 2 + 16 bytes. The result is ignored.
typedef int (*SampleLoader)(void* buffer, int bytes, int bits, int instrument, int sample);

// One song. Playback fields are written only inside the block fill (see audio/render.h).
struct Module {
    Pattern* patterns;         // owned, pattern_count entries
    Instrument* instruments;   // owned, num_instruments entries
    int32_t tick_samples_left; // output frames left before the next tick
    int32_t samples_per_tick;
    uint16_t song_length;      // 1..256 once loaded
    uint16_t restart_position; // below song_length once loaded
    uint16_t num_channels;     // 0..32 once loaded
    int32_t used_patterns;
    int32_t pattern_count;
    uint16_t num_instruments;
    uint16_t flags; // bit 0: linear frequency table
    uint16_t default_speed;
    uint16_t default_bpm;
    uint8_t orders[256];
    uint8_t initial_global_volume; // 64
    int32_t global_volume;         // 0..64
    uint8_t global_volume_slide;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order;
    int32_t pattern_delay_ticks;
    int32_t next_row;   // -1 = none
    int32_t next_order; // -1 = none
    int32_t time_ms;    // song clock in milliseconds
    void (*tick_entry)(Module* module);
    SampleLoader sample_loader;
};

// The replay state of one pattern channel. Fields in this order.
struct Channel {
    uint8_t note;  // note - 1 (0..95) of the last note
    uint8_t flags; // UPDATE_* of the current tick
    Voice* voice;
    int32_t voice_number;
    int32_t period;
    int32_t volume;
    int32_t panning;
    int32_t volume_delta;
    int32_t period_delta;
    int32_t venv_tick;
    int32_t venv_point;
    int32_t venv_fixed; // 16.16
    int32_t venv_value; // 0..64
    int32_t venv_slope; // 16.16 per tick
    bool venv_finished;
    int32_t penv_tick;
    int32_t penv_point;
    int32_t penv_fixed;
    int32_t penv_value; // 32 = centre
    int32_t penv_slope;
    bool penv_finished;
    int32_t fadeout_volume;   // 65536 = full
    int32_t autovib_position; // 0..255
    int32_t autovib_sweep_ticks;
    bool key_released;
    uint8_t instrument; // instrument number - 1
    uint8_t real_note;  // note + relative_note, modulo 256
    int32_t note_period;
    uint8_t last_effect;
    int32_t offset_memory;
    uint8_t porta_down_memory;
    uint8_t porta_up_memory;
    uint8_t xfine_porta_down_memory;
    uint8_t xfine_porta_up_memory;
    uint8_t volume_slide_memory;
    uint8_t panning_slide_memory;
    uint8_t retrig_volume;
    uint8_t retrig_interval;
    int32_t porta_target;
    uint8_t porta_speed;
    int8_t vibrato_position; // -32..31
    uint8_t vibrato_speed;
    uint8_t vibrato_depth;
    int8_t tremolo_position; // -32..31
    uint8_t tremolo_speed;
    uint8_t tremolo_depth;
    uint8_t tremor_counter;
    uint8_t tremor_on;
    uint8_t tremor_off;
    int32_t loop_row;
    int32_t loop_count;
    uint8_t waveform; // low nibble vibrato, high nibble tremolo
    uint8_t fine_volume_slide_memory;
    uint8_t fine_porta_up_memory;
    uint8_t fine_porta_down_memory;
};

// Shared all-zero placeholders for out-of-range instruments and samples; never freed.
extern Sample EMPTY_SAMPLE;
extern Instrument EMPTY_INSTRUMENT;

// ---- file access -------------------------------------------------------------------------

// The player's open file: the handle the registered open callback returned.
struct MusicFile {
    int handle;
};

// Stores the five stream operations if all are non-null, else clears all five.
// Argument orders as the store's fs_open, fs_close, fs_read, fs_seek, fs_tell.
void music_set_file_callbacks(int (*open)(const char* name), void (*close)(int handle),
                              int (*read)(void* buffer, int count, int handle),
                              void (*seek)(int handle, int32_t offset, int origin),
                              int32_t (*tell)(int handle));
// True when all five callbacks are registered (sound_open refuses otherwise).
bool music_file_callbacks_complete();

// Opens `name` through the callbacks; null when they are missing or open returns 0.
MusicFile* music_file_open(const char* name);
// Closes and releases `file`; null is ignored.
void music_file_close(MusicFile* file);
// Reads up to `length` bytes; returns the count read (0 for a null file).
int music_file_read(void* buffer, int length, MusicFile* file);
// whence 0 = from the start, 1 = from the current position. Null does nothing.
void music_file_seek(MusicFile* file, int32_t offset, int whence);
// Current byte position; 0 for a null file.
int32_t music_file_tell(MusicFile* file);

// ---- loading -----------------------------------------------------------------------------

// Loads the XM file `name` through the registered callbacks. `sample_loader` may be null.
// Returns a new Module owned by the caller (release with music_free), or null when the file
// is missing, damaged or contradictory, or memory runs out; nothing stays allocated then.
Module* music_load(const char* name, SampleLoader sample_loader);

// Why the last music_load returned null: one line without a line feed that tells a user
// what is wrong with the file, e.g. "file ends inside instrument 3 (truncated file)" or
// "out of memory". Instruments count from 1, patterns from 0, as trackers show them.
// "no error" before the first load and after a successful one: every music_load starts by
// resetting it. The text stays valid until the next load; loading and this query belong to
// the same thread. music_load_xm alone also sets it on failure but never resets it.
const char* music_load_error();

// Parses the whole file into `module` (zeroed, sample_loader set). False on any damage;
// whatever was allocated stays in `module` for music_free.
bool music_load_xm(Module* module, MusicFile* file);

// Registers the sound output's stop routine. music_free calls it (when set) before it
// releases anything; the routine must wait while a block fill is running and then stop
// playback of `module`. Its result is ignored. Null unregisters.
void music_set_stop_hook(bool (*stop)(Module* module));

// Stops playback through the stop hook and releases the song. False for null.
bool music_free(Module* module);

// ---- replay (block-fill thread only) -------------------------------------------------------

// Prepares `module` to play from its start: global volume, speed, row/order 0, nothing
// pending, tick 0, clock 0, music_set_bpm(default_bpm), clears the first num_channels
// channel records and links channel i to voice_table[i]. The sound output's play and the
// offline renderer both call it.
void music_reset_playback(Module* module);

// Channel record `index` (0..MAX_CHANNELS-1) of the replay; null outside that range.
Channel* music_channel(int index);

// Advances the song by one tick and writes every channel's voice. The loader stores it
// in tick_entry.
void music_tick(Module* module);

// Sets the tempo: t = 2 x bpm / 5 rounded to float, samples_per_tick =
// trunc(rate x (1000 / t) / 1000) in double. 882 at 125 BPM and 44100 Hz; bpm < 1 is taken as 1.
void music_set_bpm(Module* module, int32_t bpm);

// Row start (tick 0) for every channel: notes, instruments, envelopes, fade-out, effects.
void music_process_row(Module* module);
// The later ticks of a row for every channel.
void music_process_tick(Module* module);

// Amiga period of `note` (0 = C-0) at `finetune` (128 steps per semitone); 1712 for C-4.
int32_t music_amiga_period(int32_t note, int8_t finetune);

// Restarts the channel's instrument state from `sample` (volume, panning, envelopes,
// fade-out, auto-vibrato, waveform positions, tremor). venv_fixed is left as it was.
void channel_reset_instrument(Channel* channel, Sample* sample);

// One step of one envelope (volume: the venv_ fields, volume points, UPDATE_VOLUME;
// panning: the penv_ fields, panning points, UPDATE_PANNING). `count` must be at most 12.
void channel_envelope_step(Channel* channel, int32_t* point, int32_t* tick, uint8_t type,
                           uint8_t count, const EnvelopePoint* points, uint8_t loop_end,
                           uint8_t loop_start, uint8_t sustain, int32_t* value, int32_t* fixed,
                           bool* finished, int32_t* slope, uint8_t flag);

// Auto-vibrato of `instrument` for this tick: adds to period_delta, sets UPDATE_FREQUENCY.
void channel_auto_vibrato(Channel* channel, Instrument* instrument);

// Writes the channel's final volume, panning, frequency and trigger state into its voice.
void channel_update_voice(Channel* channel, Sample* sample, Module* module);

// ---- effect commands and volume column (music/effects.cpp) ---------------------------------

// Row start, after the instrument restart: the volume column's row-start part.
// Called only when the cell's volume byte is not 0.
void channel_volume_column_row(Channel* channel, uint8_t volume_byte);

// Row start, after the envelopes and fade-out: the effect's row-start part, for every cell.
// saved_* are the channel's volume, period and panning before the cell was processed.
void channel_effect_row(Module* module, Channel* channel, const Cell* cell, Instrument* instrument,
                        Sample* sample, int32_t saved_volume, int32_t saved_period,
                        int32_t saved_panning);

// Later ticks, after the envelopes and fade-out: the volume column's per-tick part (only when
// the volume byte is not 0), then the effect's per-tick part (always). `cell` is the
// channel's cell of the row the last row start processed.
void channel_volume_column_tick(Channel* channel, uint8_t volume_byte);
void channel_effect_tick(Module* module, Channel* channel, const Cell* cell, Instrument* instrument,
                         Sample* sample);
