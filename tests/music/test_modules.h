#pragma once
// Small modules for the music tests, built with the XM writer, and loading or starting them.

#include <cstdint>
#include <memory>
#include <vector>

#include "mixer/mixer.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"
#include "tools/xmwriter/xm_writer.h"

namespace music_test {

// A sample of `count` values, every value `value`.
inline XmSampleDef flat_sample(size_t count, int16_t value, bool sixteen_bit = true) {
    XmSampleDef s;
    s.data.assign(count, value);
    s.sixteenBit = sixteen_bit;
    return s;
}

inline XmInstrumentDef single_sample_instrument(const XmSampleDef& sample) {
    XmInstrumentDef ins;
    ins.samples.push_back(sample);
    return ins;
}

// `channels` channels, one empty pattern of `rows` rows at order 0, one instrument with one
// 16-bit sample of 64 values.
inline XmModuleDef basic_module(int channels = 2, int rows = 4) {
    XmModuleDef m;
    m.channels = channels;
    m.orders = {0};
    XmPatternDef p;
    p.rows = rows;
    m.patterns.push_back(p);
    m.instruments.push_back(single_sample_instrument(flat_sample(64, 1000)));
    return m;
}

// Byte offsets in a file written by xm_write.
constexpr size_t HEADER_END = 336;        // first pattern header
constexpr size_t INSTRUMENT_HEADER = 263; // with samples
constexpr size_t SAMPLE_HEADER = 40;

inline void put_u16(std::vector<uint8_t>& bytes, size_t at, uint16_t v) {
    bytes[at] = uint8_t(v);
    bytes[at + 1] = uint8_t(v >> 8);
}

inline void put_u32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    put_u16(bytes, at, uint16_t(v));
    put_u16(bytes, at + 2, uint16_t(v >> 16));
}

struct ModuleDeleter {
    void operator()(Module* m) const { music_free(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

inline ModulePtr load_bytes(const std::vector<uint8_t>& bytes, SampleLoader loader = nullptr) {
    return ModulePtr(load_module_bytes(bytes, loader));
}

// Loads `def` and resets the mixer and the replay to its start at 44100 Hz.
inline ModulePtr start_playback(const XmModuleDef& def) {
    ModulePtr m = load_bytes(xm_write(def));
    mixer_set_rate(44100);
    mixer_reset_voices();
    if (m)
        music_reset_playback(m.get());
    return m;
}

} // namespace music_test
