// Test helpers of the sound output; see sound_test_support.h.
#include "tests/sound/sound_test_support.h"

#include <cmath>
#include <cstring>

#include "audio/mixer.h"
#include "audio/render.h"
#include "tools/xmwriter/xm_writer.h"

namespace {

std::string g_name;
std::vector<uint8_t> g_bytes;
int32_t g_offset = 0;
bool g_open = false;

int file_open(const char* name)
{
    if (g_name != name)
        return 0;
    g_open = true;
    g_offset = 0;
    return 1;
}

void file_close(int) { g_open = false; }

int file_read(void* buffer, int count, int)
{
    int32_t left = int32_t(g_bytes.size()) - g_offset;
    if (count > left)
        count = left;
    if (count <= 0)
        return 0;
    std::memcpy(buffer, g_bytes.data() + g_offset, size_t(count));
    g_offset += count;
    return count;
}

void file_seek(int, int32_t offset, int origin)
{
    g_offset = origin == 0 ? offset : g_offset + offset;
}

int32_t file_tell(int) { return g_offset; }

int g_tick_frames = 0;
int g_ticks = 0;

void scripted_tick(Module* module)
{
    // The reset before each play or offline render sets tick to 0: count from there.
    if (module->tick == 0)
        g_ticks = 0;
    module->tick = 1;
    module->row = g_ticks;
    module->order = g_ticks / 4;
    ++g_ticks;
    if (g_tick_frames > 0)
        module->samples_per_tick = g_tick_frames;
}

XmSampleDef wave_sample(int kind, int frames, bool loop)
{
    XmSampleDef s;
    s.sixteenBit = true;
    for (int i = 0; i < frames; ++i) {
        double x = double(i) / 64.0;
        double v = kind == 0 ? std::sin(x * 2 * M_PI) : (x - std::floor(x)) * 2 - 1;
        s.data.push_back(int16_t(v * 20000 * (loop ? 1.0 : double(frames - i) / frames)));
    }
    if (loop) {
        s.loopStart = 0;
        s.loopLength = uint32_t(frames);
        s.loopType = kind == 0 ? 1 : 2;
    }
    return s;
}

}  // namespace

void test_files_register(const std::string& name, const std::vector<uint8_t>& bytes)
{
    g_name = name;
    g_bytes = bytes;
    music_set_file_callbacks(file_open, file_close, file_read, file_seek, file_tell);
}

std::vector<uint8_t> test_song_bytes()
{
    XmModuleDef song;
    song.channels = 4;
    song.speed = 5;
    song.bpm = 130;
    song.orders = {0, 1, 0, 1, 2};
    for (int k = 0; k < 3; ++k) {
        XmInstrumentDef instrument;
        instrument.samples.push_back(wave_sample(k % 2, k == 2 ? 3000 : 64, k != 2));
        instrument.samples[0].panning = uint8_t(40 + 80 * k);
        instrument.volumeEnv.points = {{0, 64}, {20, 30}, {60, 0}};
        instrument.volumeEnv.flags = k == 1 ? 1 : 0;
        instrument.fadeout = 400;
        song.instruments.push_back(instrument);
    }
    for (int p = 0; p < 3; ++p) {
        XmPatternDef pattern;
        pattern.rows = 32;
        for (int row = 0; row < 32; row += 2) {
            int ch = (row / 2 + p) % 4;
            XmCellDef& cell = pattern.at(row, ch, song.channels);
            cell.note = uint8_t(37 + (row * 5 + p * 7) % 24);
            cell.instrument = uint8_t(1 + (row / 2 + p) % 3);
            cell.volume = uint8_t(0x10 + (row * 3) % 0x41);
        }
        pattern.at(7, 3, song.channels).note = 97;
        song.patterns.push_back(pattern);
    }
    return xm_write(song);
}

Module* test_song_load()
{
    test_files_register("song.xm", test_song_bytes());
    return music_load("song.xm", nullptr);
}

ScriptedSong::ScriptedSong(int tick_frames)
{
    g_tick_frames = tick_frames;
    module.song_length = 1;
    module.default_speed = 6;
    module.default_bpm = 125;
    module.initial_global_volume = 64;
    module.tick_entry = scripted_tick;
}

std::vector<PositionEntry> offline_positions(Module* module, int block_frames, int blocks)
{
    mixer_reset_voices();
    music_reset_playback(module);
    std::vector<float> mix(size_t(block_frames) * 2);
    std::vector<PositionEntry> out;
    for (int k = 0; k < blocks; ++k) {
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module, mix.data(), block_frames);
        out.push_back(PositionEntry{uint8_t(module->order), uint8_t(module->row), module->time_ms});
    }
    mixer_reset_voices();
    return out;
}

std::vector<int16_t> offline_pcm(Module* module, int frames, int piece)
{
    mixer_reset_voices();
    music_reset_playback(module);
    std::vector<float> mix(size_t(piece) * 2);
    std::vector<int16_t> out(size_t(frames) * 2);
    for (int done = 0; done < frames; done += piece) {
        int n = std::min(piece, frames - done);
        std::fill(mix.begin(), mix.end(), 0.0f);
        render_frames(module, mix.data(), n);
        mixer_to_pcm16(out.data() + size_t(done) * 2, mix.data(), n);
    }
    mixer_reset_voices();
    return out;
}
