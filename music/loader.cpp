// The XM loader: reads a song through the registered FileCallbacks into a Module, and frees it.
// Every read is counted and every size checked before it is used, so a damaged file fails
// the load cleanly instead of being trusted, with a line that says why.
#include "music/music.h"

#include <cstring>
#include <new>

#include "music/load_error.h"

Sample EMPTY_SAMPLE = {};
Instrument EMPTY_INSTRUMENT = {};

namespace {

constexpr char SIGNATURE[] = "Extended Module: ";
constexpr uint32_t PATTERN_HEADER_BYTES = 9;
constexpr uint32_t SAMPLE_HEADER_BYTES = 40;
constexpr uint32_t INSTRUMENT_HEADER_MIN = 29;   // up to and including the sample count
constexpr uint32_t INSTRUMENT_HEADER_FULL = 241; // up to and including the fadeout
constexpr int MAX_ROWS = 256;
constexpr int MAX_PATTERNS = 256;
constexpr int MAX_INSTRUMENTS = 128;
constexpr uint32_t MAX_SAMPLE_VALUES = 1u << 28;     // keeps byte counts and sizes inside int
constexpr uint16_t FIRST_SUPPORTED_VERSION = 0x0104; // older files put instruments first
constexpr uint8_t ADPCM_MARK = 0xAD; // in a sample header's reserved byte: 4-bit packed data

bool (*stop_hook)(Module*) = nullptr;

// Reads `return fail(...)` where a check refuses the file.
template <typename... Args> bool fail(const char* format, Args... args) {
    return music_load_fail(format, args...);
}

// Bounds-checked little-endian reader: any short read marks the file as damaged and
// yields 0 from then on.
struct Reader {
    MusicFile* file;
    bool ok = true;

    bool bytes(void* out, uint32_t count) {
        if (!ok)
            return false;
        if (count > 0x7FFFFFFFu || music_file_read(out, int(count), file) != int(count))
            ok = false;
        return ok;
    }
    uint8_t u8() {
        uint8_t b[1] = {0};
        return bytes(b, 1) ? b[0] : 0;
    }
    uint16_t u16() {
        uint8_t b[2] = {0, 0};
        return bytes(b, 2) ? uint16_t(b[0] | (b[1] << 8)) : 0;
    }
    uint32_t u32() {
        uint8_t b[4] = {0, 0, 0, 0};
        if (!bytes(b, 4))
            return 0;
        return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
               (uint32_t(b[3]) << 24);
    }
    // Absolute seek; positions that do not fit the callbacks' 32-bit offset fail.
    void seek_to(int64_t position) {
        if (position < 0 || position > 0x7FFFFFFF)
            ok = false;
        if (ok)
            music_file_seek(file, int32_t(position), 0);
    }
    void skip(int64_t count) { seek_to(int64_t(music_file_tell(file)) + count); }
    // True when `count` more bytes can be read from here; the position is kept.
    bool available(int64_t count) {
        if (!ok || count <= 0)
            return ok;
        const int64_t here = music_file_tell(file);
        seek_to(here + count - 1);
        uint8_t probe;
        const bool there = ok && music_file_read(&probe, 1, file) == 1;
        seek_to(here);
        return there && ok;
    }
};

bool decode_pattern(Reader& in, Pattern& pattern, int number, int channels, uint32_t packed_size) {
    const uint32_t cells = uint32_t(pattern.rows) * uint32_t(channels);
    uint32_t used = 0;
    for (uint32_t i = 0; i < cells; ++i) {
        uint8_t fields[5] = {0, 0, 0, 0, 0};
        const uint8_t first = in.u8();
        ++used;
        if (first & 0x80) {
            for (int f = 0; f < 5; ++f) {
                if (first & (1 << f)) {
                    fields[f] = in.u8();
                    ++used;
                }
            }
        } else {
            fields[0] = first;
            for (int f = 1; f < 5; ++f)
                fields[f] = in.u8();
            used += 4;
        }
        if (used > packed_size)
            return fail("pattern %d: packed data is shorter than declared (damaged file)", number);
        if (!in.ok)
            return fail("file ends inside pattern %d (truncated file)", number);
        Cell& cell = pattern.cells[i];
        // 97 and 255 are key off; the bytes between have no note to play.
        const uint8_t note = fields[0];
        cell.note = note == 97 || note == NOTE_KEY_OFF ? NOTE_KEY_OFF : (note > 97 ? 0 : note);
        cell.instrument = fields[1] > 128 ? 0 : fields[1];
        cell.volume = fields[2];
        cell.effect = fields[3];
        cell.param = fields[4];
    }
    if (used < packed_size)
        in.skip(packed_size - used); // trailing bytes: skip, as other players do
    return in.ok || fail("file ends inside pattern %d (truncated file)", number);
}

bool load_patterns(Reader& in, Module* module, int header_patterns) {
    module->used_patterns = 0;
    for (int i = 0; i < module->song_length; ++i)
        if (module->orders[i] >= module->used_patterns)
            module->used_patterns = module->orders[i] + 1;
    module->pattern_count =
        module->used_patterns > header_patterns ? module->used_patterns : header_patterns;
    if (module->pattern_count == 0)
        return true;
    module->patterns = new (std::nothrow) Pattern[module->pattern_count]();
    if (!module->patterns)
        return fail("out of memory");
    const int channels = module->num_channels;
    for (int k = 0; k < module->pattern_count; ++k) {
        Pattern& pattern = module->patterns[k];
        uint32_t packed_size = 0;
        pattern.rows = 64; // a pattern the order table names but the file lacks
        if (k < header_patterns) {
            const uint32_t header_length = in.u32();
            in.u8(); // packing type
            pattern.rows = in.u16();
            packed_size = in.u16();
            if (!in.ok)
                return fail("file ends inside pattern %d (truncated file)", k);
            if (header_length != PATTERN_HEADER_BYTES)
                return fail("pattern %d: header length is %u, not 9 (damaged file)", k,
                            unsigned(header_length));
            if (pattern.rows > MAX_ROWS)
                return fail(
                    "pattern %d: %d rows, more than the 256 a pattern may have (damaged file)", k,
                    pattern.rows);
            if (pattern.rows == 0) {
                // A pattern of no rows cannot be played: it becomes 64 empty rows.
                pattern.rows = 64;
                in.skip(packed_size);
                packed_size = 0;
            }
        }
        const size_t cells = size_t(pattern.rows) * size_t(channels);
        if (cells > 0) {
            pattern.cells = new (std::nothrow) Cell[cells]();
            if (!pattern.cells)
                return fail("out of memory");
        }
        if (packed_size != 0 && !decode_pattern(in, pattern, k, channels, packed_size))
            return false;
    }
    return in.ok || fail("file ends after the patterns (truncated file)");
}

void read_envelope(Reader& in, EnvelopePoint* points) {
    for (int p = 0; p < MAX_ENVELOPE_POINTS; ++p) {
        points[p].x = in.u16();
        points[p].y = in.u16();
    }
}

// Keeps an envelope inside its 12 points: more points are cut, and a loop whose points do
// not exist is switched off (it could only send the envelope past its last point).
void fix_envelope(uint8_t& count, uint8_t& type, uint8_t loop_start, uint8_t loop_end) {
    if (count > MAX_ENVELOPE_POINTS)
        count = MAX_ENVELOPE_POINTS;
    if (count < 2)
        type = 0;
    if ((type & 4) && (loop_start >= count || loop_end >= count))
        type &= uint8_t(~4);
}

// `number` is the instrument's, counted from 1, for the reason of a failure.
bool read_sample_header(Reader& in, Sample* sample, int number) {
    sample->length = in.u32();
    sample->loop_start = in.u32();
    sample->loop_length = in.u32();
    sample->volume = in.u8();
    sample->finetune = int8_t(in.u8());
    sample->loop_type = LOOP_NONE;
    sample->bits = 8;
    const uint8_t type = in.u8();
    if (type & 1)
        sample->loop_type = LOOP_FORWARD;
    if (type & 2)
        sample->loop_type = LOOP_PINGPONG;
    if (type & 0x10)
        sample->bits = 16;
    sample->panning = in.u8();
    sample->relative_note = int8_t(in.u8());
    const uint8_t reserved = in.u8();
    in.skip(22); // name
    if (!in.ok)
        return fail("file ends inside instrument %d (truncated file)", number);
    if (reserved == ADPCM_MARK)
        return fail("instrument %d: packed (ADPCM) sample data is not supported "
                    "(save the file again with unpacked samples)",
                    number);

    if (sample->loop_type == LOOP_NONE) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
    }
    if (sample->bits == 16) {
        sample->length >>= 1;
        sample->loop_start >>= 1;
        sample->loop_length >>= 1;
    }
    if (sample->length > MAX_SAMPLE_VALUES)
        return fail(
            "instrument %d: a sample of %u values, more than the 268435456 allowed (damaged file)",
            number, unsigned(sample->length));
    if (sample->loop_length == 0) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
        sample->loop_type = LOOP_NONE;
    }
    // Loop points beyond the sample: a loop starting past the end is dropped, one reaching
    // past it is cut at the end, so the guard value stays inside the buffer.
    if (sample->loop_type != LOOP_NONE) {
        if (sample->loop_start >= sample->length) {
            sample->loop_start = 0;
            sample->loop_length = sample->length;
            sample->loop_type = LOOP_NONE;
        } else if (uint64_t(sample->loop_start) + sample->loop_length > sample->length) {
            sample->loop_length = sample->length - sample->loop_start;
        }
    }
    return true;
}

// Reads (or asks the sample loader for) one sample's data, widens it to 16 bits, decodes
// the deltas and writes the loop guard.
bool read_sample_data(Reader& in, Module* module, Sample* sample, int instrument_index,
                      int sample_index) {
    const uint32_t length = sample->length;
    const uint32_t bytes = length * sample->bits / 8;
    int16_t* data = new (std::nothrow) int16_t[size_t(length) + 8]();
    if (!data)
        return fail("out of memory");
    sample->data = data;
    uint8_t* raw = reinterpret_cast<uint8_t*>(data);
    if (module->sample_loader) {
        module->sample_loader(raw, int(bytes), sample->bits, instrument_index, sample_index);
        in.skip(bytes);
    } else if (!in.bytes(raw, bytes)) {
        return fail("file ends inside the sample data of instrument %d (truncated file)",
                    instrument_index + 1);
    }
    if (sample->bits == 8) {
        // In place from the end: value k overwrites bytes 2k and 2k + 1, never an unread byte.
        for (uint32_t k = length; k-- > 0;) {
            const int16_t value = int16_t(int8_t(raw[k]) * 256);
            std::memcpy(raw + 2 * size_t(k), &value, 2);
        }
        sample->bits = 16;
    } else if (!module->sample_loader) {
        for (uint32_t k = 0; k < length; ++k) {
            const int16_t value = int16_t(raw[2 * size_t(k)] | (raw[2 * size_t(k) + 1] << 8));
            data[k] = value;
        }
    }
    if (!module->sample_loader) {
        uint16_t acc = 0;
        for (uint32_t k = 0; k < length; ++k) {
            acc = uint16_t(acc + uint16_t(data[k]));
            data[k] = int16_t(acc);
        }
    }
    const uint32_t end = sample->loop_start + sample->loop_length;
    if (sample->loop_type == LOOP_FORWARD)
        data[end] = data[sample->loop_start];
    if (sample->loop_type == LOOP_PINGPONG)
        data[end] = data[end - 1];
    return in.ok || fail("file ends inside the sample data of instrument %d (truncated file)",
                         instrument_index + 1);
}

bool load_instrument(Reader& in, Module* module, Instrument* instrument, int index) {
    const int64_t start = music_file_tell(in.file);
    const uint32_t header_size = in.u32();
    in.skip(23);
    const uint16_t count = in.u16();
    const int number = index + 1; // as trackers show it
    if (!in.ok)
        return fail("file ends inside instrument %d (truncated file)", number);
    if (header_size < INSTRUMENT_HEADER_MIN)
        return fail("instrument %d: header of %u bytes is too short (damaged file)", number,
                    unsigned(header_size));
    if (count > MAX_SAMPLES_PER_INSTRUMENT)
        return fail(
            "instrument %d: %d samples, more than the 16 an instrument may have (damaged file)",
            number, int(count));
    instrument->num_samples = count;
    for (Sample*& s : instrument->samples)
        s = &EMPTY_SAMPLE;
    if (count == 0) {
        in.seek_to(start + header_size);
        return in.ok || fail("file ends inside instrument %d (truncated file)", number);
    }
    for (int j = 0; j < count; ++j)
        instrument->samples[j] = nullptr;

    const uint32_t sample_header_size = in.u32();
    in.bytes(instrument->sample_map, NOTE_COUNT);
    read_envelope(in, instrument->volume_points);
    read_envelope(in, instrument->panning_points);
    instrument->num_volume_points = in.u8();
    instrument->num_panning_points = in.u8();
    instrument->volume_sustain = in.u8();
    instrument->volume_loop_start = in.u8();
    instrument->volume_loop_end = in.u8();
    instrument->panning_sustain = in.u8();
    instrument->panning_loop_start = in.u8();
    instrument->panning_loop_end = in.u8();
    instrument->volume_type = in.u8();
    instrument->panning_type = in.u8();
    instrument->vibrato_type = in.u8();
    instrument->vibrato_sweep = in.u8();
    instrument->vibrato_depth = in.u8();
    instrument->vibrato_rate = in.u8();
    instrument->fadeout = uint16_t(in.u16() * 2);
    if (!in.ok)
        return fail("file ends inside instrument %d (truncated file)", number);
    if (sample_header_size != SAMPLE_HEADER_BYTES)
        return fail("instrument %d: sample header size is %u, not 40 (damaged file)", number,
                    unsigned(sample_header_size));
    if (header_size < INSTRUMENT_HEADER_FULL)
        return fail("instrument %d: header of %u bytes is too short (damaged file)", number,
                    unsigned(header_size));
    fix_envelope(instrument->num_volume_points, instrument->volume_type,
                 instrument->volume_loop_start, instrument->volume_loop_end);
    fix_envelope(instrument->num_panning_points, instrument->panning_type,
                 instrument->panning_loop_start, instrument->panning_loop_end);
    in.seek_to(start + header_size);

    int64_t data_bytes = 0;
    for (int j = 0; j < count; ++j) {
        Sample* sample = new (std::nothrow) Sample();
        if (!sample)
            return fail("out of memory");
        instrument->samples[j] = sample;
        if (!read_sample_header(in, sample, number))
            return false;
        data_bytes += int64_t(sample->length) * sample->bits / 8;
    }
    // Nothing is allocated for data the file does not hold.
    if (!module->sample_loader && !in.available(data_bytes))
        return fail("file ends inside the sample data of instrument %d (truncated file)", number);
    for (int j = 0; j < count; ++j) {
        Sample* sample = instrument->samples[j];
        if (sample->length > 0 && !read_sample_data(in, module, sample, index, j))
            return false;
    }
    return in.ok ||
           fail("file ends inside the sample data of instrument %d (truncated file)", number);
}

} // namespace

bool music_load_xm(Module* module, MusicFile* file) {
    Reader in{file};
    char signature[17];
    in.seek_to(0);
    if (!in.bytes(signature, 17) || std::memcmp(signature, SIGNATURE, 17) != 0)
        return fail("not an XM file (it does not start with \"Extended Module: \")");
    module->tick_entry = music_tick;
    module->initial_global_volume = 64;

    in.seek_to(58);
    const uint16_t version = in.u16();
    if (in.ok && version < FIRST_SUPPORTED_VERSION)
        return fail("XM version %X.%02X is not supported, only 1.04 (save the file again in a "
                    "current tracker)",
                    version >> 8, version & 0xFF);
    const uint32_t header_size = in.u32();
    module->song_length = in.u16();
    module->restart_position = in.u16();
    module->num_channels = in.u16();
    const uint16_t header_patterns = in.u16();
    module->num_instruments = in.u16();
    module->flags = in.u16();
    module->default_speed = in.u16();
    module->default_bpm = in.u16();
    in.bytes(module->orders, 256);
    if (!in.ok)
        return fail("file ends inside the header (truncated file)");
    if (module->num_channels > MAX_CHANNELS)
        return fail("%d channels, more than the 32 played (remove channels in a tracker)",
                    int(module->num_channels));
    if (module->song_length > 256)
        return fail("song length %d is over the limit of 256 (damaged file)",
                    int(module->song_length));
    if (header_patterns > MAX_PATTERNS)
        return fail("pattern count %d is over the limit of 256 (damaged file)",
                    int(header_patterns));
    if (module->num_instruments > MAX_INSTRUMENTS)
        return fail("instrument count %d is over the limit of 128 (damaged file)",
                    int(module->num_instruments));
    // A restart position outside the song would leave the order list: start over instead.
    if (module->restart_position >= module->song_length)
        module->restart_position = 0;
    in.seek_to(60 + int64_t(header_size));

    if (!load_patterns(in, module, header_patterns))
        return false;

    if (module->num_instruments > 0) {
        module->instruments = new (std::nothrow) Instrument[module->num_instruments]();
        if (!module->instruments)
            return fail("out of memory");
    }
    for (int i = 0; i < module->num_instruments; ++i)
        if (!load_instrument(in, module, &module->instruments[i], i))
            return false;
    return in.ok || fail("file ends inside the last instrument (truncated file)");
}

Module* music_load(const char* name, SampleLoader sample_loader) {
    music_load_error_reset();
    Module* module = new (std::nothrow) Module();
    if (!module) {
        fail("out of memory");
        return nullptr;
    }
    MusicFile* file = music_file_open(name);
    if (!file) {
        delete module;
        if (std::strcmp(music_load_error(), "no error") == 0) // not for want of memory
            fail("the file cannot be opened");
        return nullptr;
    }
    module->sample_loader = sample_loader;
    const bool loaded = music_load_xm(module, file);
    music_file_close(file);
    if (!loaded) {
        music_free(module);
        return nullptr;
    }
    return module;
}

void music_set_stop_hook(bool (*stop)(Module* module)) {
    stop_hook = stop;
}

bool music_free(Module* module) {
    if (!module)
        return false;
    if (stop_hook)
        stop_hook(module);
    if (module->instruments) {
        for (int i = 0; i < module->num_instruments; ++i) {
            Instrument& instrument = module->instruments[i];
            for (int j = 0; j < instrument.num_samples && j < MAX_SAMPLES_PER_INSTRUMENT; ++j) {
                Sample* sample = instrument.samples[j];
                if (!sample || sample == &EMPTY_SAMPLE)
                    continue;
                delete[] sample->data;
                delete sample;
            }
        }
        delete[] module->instruments;
    }
    if (module->patterns) {
        for (int k = 0; k < module->pattern_count; ++k)
            delete[] module->patterns[k].cells;
        delete[] module->patterns;
    }
    delete module;
    return true;
}
