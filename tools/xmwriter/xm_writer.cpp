// XM file writer: serialises the definitions of xm_writer.h byte by byte.
#include "tools/xmwriter/xm_writer.h"

#include <cstdio>

namespace {

constexpr int MODULE_HEADER_SIZE = 276;  // counted from offset 60, through the order table
constexpr int PATTERN_HEADER_SIZE = 9;
constexpr int INSTRUMENT_HEADER_SIZE = 263;
constexpr int INSTRUMENT_HEADER_SIZE_EMPTY = 29;
constexpr int SAMPLE_HEADER_SIZE = 40;

void put_u8(std::vector<uint8_t>& out, unsigned v) { out.push_back(static_cast<uint8_t>(v)); }

void put_u16(std::vector<uint8_t>& out, unsigned v) {
    put_u8(out, v & 0xFF);
    put_u8(out, (v >> 8) & 0xFF);
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    put_u16(out, v & 0xFFFF);
    put_u16(out, v >> 16);
}

// Fixed-width text field, zero padded, cut when too long.
void put_text(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) put_u8(out, i < text.size() ? uint8_t(text[i]) : 0);
}

bool cell_empty(const XmCellDef& c) {
    return c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 && c.param == 0;
}

void pack_cell(std::vector<uint8_t>& out, const XmCellDef& c) {
    const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
    // The plain form costs 5 bytes, the packed one 1 + present fields: plain only
    // wins when all five are present (and the note byte has bit 7 clear).
    if (c.note != 0 && c.note < 0x80 && c.instrument && c.volume && c.effect && c.param) {
        for (uint8_t f : fields) put_u8(out, f);
        return;
    }
    uint8_t mask = 0;
    for (int i = 0; i < 5; ++i)
        if (fields[i]) mask |= uint8_t(1 << i);
    put_u8(out, 0x80 | mask);
    for (int i = 0; i < 5; ++i)
        if (fields[i]) put_u8(out, fields[i]);
}

bool write_pattern(std::vector<uint8_t>& out, const XmPatternDef& p, int channels) {
    if (p.rows < 1 || p.rows > 256) return false;
    const size_t total = size_t(p.rows) * size_t(channels);
    if (p.cells.size() > total) return false;
    bool empty = true;
    for (const XmCellDef& c : p.cells) empty = empty && cell_empty(c);
    std::vector<uint8_t> packed;
    if (!empty) {
        const XmCellDef blank;
        for (size_t i = 0; i < total; ++i) pack_cell(packed, i < p.cells.size() ? p.cells[i] : blank);
    }
    // At most 256 rows x 32 channels x 5 bytes: the 16-bit size field always fits.
    put_u32(out, PATTERN_HEADER_SIZE);
    put_u8(out, 0);  // packing type
    put_u16(out, unsigned(p.rows));
    put_u16(out, unsigned(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
    return true;
}

bool write_envelope_points(std::vector<uint8_t>& out, const XmEnvelopeDef& env) {
    if (env.points.size() > 12) return false;
    for (size_t i = 0; i < 12; ++i) {
        const bool used = i < env.points.size();
        put_u16(out, used ? env.points[i].first : 0);
        put_u16(out, used ? env.points[i].second : 0);
    }
    return true;
}

bool sample_valid(const XmSampleDef& s) {
    if (s.loopType == 0) return true;
    const uint64_t end = uint64_t(s.loopStart) + s.loopLength;
    return s.loopType <= 2 && end <= s.data.size();
}

void write_sample_header(std::vector<uint8_t>& out, const XmSampleDef& s) {
    const uint32_t width = s.sixteenBit ? 2 : 1;
    const bool looped = s.loopType != 0;
    put_u32(out, uint32_t(s.data.size()) * width);
    put_u32(out, looped ? s.loopStart * width : 0);
    put_u32(out, looped ? s.loopLength * width : 0);
    put_u8(out, s.volume);
    put_u8(out, uint8_t(s.finetune));
    put_u8(out, (s.loopType & 3) | (s.sixteenBit ? 0x10 : 0));
    put_u8(out, s.panning);
    put_u8(out, uint8_t(s.relativeNote));
    put_u8(out, 0);  // reserved
    put_text(out, s.name, 22);
}

// Delta coding: each stored value is the difference from the previous stored value.
void write_sample_data(std::vector<uint8_t>& out, const XmSampleDef& s) {
    if (s.sixteenBit) {
        uint16_t prev = 0;
        for (int16_t v : s.data) {
            put_u16(out, uint16_t(uint16_t(v) - prev));
            prev = uint16_t(v);
        }
    } else {
        uint8_t prev = 0;
        for (int16_t v : s.data) {
            const uint8_t b = uint8_t(int8_t(v >> 8));
            put_u8(out, uint8_t(b - prev));
            prev = b;
        }
    }
}

bool write_instrument(std::vector<uint8_t>& out, const XmInstrumentDef& ins) {
    const size_t n = ins.samples.size();
    if (n > 16) return false;
    for (const XmSampleDef& s : ins.samples)
        if (!sample_valid(s)) return false;
    const size_t start = out.size();
    put_u32(out, n ? INSTRUMENT_HEADER_SIZE : INSTRUMENT_HEADER_SIZE_EMPTY);
    put_text(out, ins.name, 22);
    put_u8(out, 0);  // type
    put_u16(out, unsigned(n));
    if (n == 0) return true;
    put_u32(out, SAMPLE_HEADER_SIZE);
    out.insert(out.end(), ins.sampleMap, ins.sampleMap + 96);
    if (!write_envelope_points(out, ins.volumeEnv) || !write_envelope_points(out, ins.panningEnv))
        return false;
    put_u8(out, unsigned(ins.volumeEnv.points.size()));
    put_u8(out, unsigned(ins.panningEnv.points.size()));
    put_u8(out, ins.volumeEnv.sustain);
    put_u8(out, ins.volumeEnv.loopStart);
    put_u8(out, ins.volumeEnv.loopEnd);
    put_u8(out, ins.panningEnv.sustain);
    put_u8(out, ins.panningEnv.loopStart);
    put_u8(out, ins.panningEnv.loopEnd);
    put_u8(out, ins.volumeEnv.flags);
    put_u8(out, ins.panningEnv.flags);
    put_u8(out, ins.vibType);
    put_u8(out, ins.vibSweep);
    put_u8(out, ins.vibDepth);
    put_u8(out, ins.vibRate);
    put_u16(out, ins.fadeout);
    out.resize(start + INSTRUMENT_HEADER_SIZE, 0);  // reserved tail of the header
    for (const XmSampleDef& s : ins.samples) write_sample_header(out, s);
    for (const XmSampleDef& s : ins.samples) write_sample_data(out, s);
    return true;
}

}  // namespace

XmCellDef& XmPatternDef::at(int row, int ch, int channels) {
    const size_t total = size_t(rows) * size_t(channels);
    if (cells.size() < total) cells.resize(total);
    return cells[size_t(row) * size_t(channels) + size_t(ch)];
}

std::vector<uint8_t> xm_write(const XmModuleDef& module) {
    std::vector<uint8_t> out;
    if (module.channels < 1 || module.channels > 32 || module.orders.size() > 256 ||
        module.patterns.size() > 256 || module.instruments.size() > 128)
        return {};
    put_text(out, "Extended Module: ", 17);
    put_text(out, module.name, 20);
    put_u8(out, 0x1A);
    put_text(out, module.tracker, 20);
    put_u16(out, 0x0104);
    put_u32(out, MODULE_HEADER_SIZE);
    put_u16(out, unsigned(module.orders.size()));
    put_u16(out, unsigned(module.restart));
    put_u16(out, unsigned(module.channels));
    put_u16(out, unsigned(module.patterns.size()));
    put_u16(out, unsigned(module.instruments.size()));
    put_u16(out, module.linear ? 1 : 0);
    put_u16(out, unsigned(module.speed));
    put_u16(out, unsigned(module.bpm));
    for (size_t i = 0; i < 256; ++i) put_u8(out, i < module.orders.size() ? module.orders[i] : 0);
    for (const XmPatternDef& p : module.patterns)
        if (!write_pattern(out, p, module.channels)) return {};
    for (const XmInstrumentDef& ins : module.instruments)
        if (!write_instrument(out, ins)) return {};
    return out;
}

bool xm_save(const XmModuleDef& module, const std::string& path) {
    const std::vector<uint8_t> bytes = xm_write(module);
    if (bytes.empty()) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}
