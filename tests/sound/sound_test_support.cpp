// Test helpers of the sound output; see sound_test_support.h.
#include "tests/sound/sound_test_support.h"

#include <algorithm>
#include <cmath>

#include "mixer/mixer.h"
#include "audio/render.h"
#include "tools/xmwriter/xm_writer.h"

namespace {

int g_tick_frames = 0;
int g_ticks = 0;

void scripted_tick(Module* module)
{
    g_ticks = module->tick == 0 ? 0 : g_ticks;  // a playback reset: count from here
    module->tick = 1;
    module->row = g_ticks;
    module->order = g_ticks++ / 4;
    if (g_tick_frames > 0)
        module->samples_per_tick = g_tick_frames;
}

}  // namespace

std::vector<uint8_t> test_song_bytes()
{
    XmModuleDef song;
    song.channels = 4;
    song.speed = 5;
    song.bpm = 130;
    song.orders = {0, 1, 0, 1, 2};
    for (int k = 0; k < 3; ++k) {
        // A looped sine, a ping-pong saw, and a fading one-shot sine of 3000 frames.
        int frames = k == 2 ? 3000 : 64;
        XmInstrumentDef instrument;
        XmSampleDef& s = instrument.samples.emplace_back();
        s.sixteenBit = true;
        for (int i = 0; i < frames; ++i) {
            double x = double(i) / 64.0;
            double v = k % 2 == 0 ? std::sin(x * 2 * M_PI) : (x - std::floor(x)) * 2 - 1;
            s.data.push_back(int16_t(v * 20000 * (k != 2 ? 1.0 : double(frames - i) / frames)));
        }
        s.loopLength = k == 2 ? 0 : uint32_t(frames);
        s.loopType = uint8_t(k == 2 ? 0 : k + 1);
        s.panning = uint8_t(40 + 80 * k);
        instrument.volumeEnv.points = {{0, 64}, {20, 30}, {60, 0}};
        instrument.volumeEnv.flags = k == 1 ? 1 : 0;
        instrument.fadeout = 400;
        song.instruments.push_back(instrument);
    }
    for (int p = 0; p < 3; ++p) {
        XmPatternDef pattern;
        pattern.rows = 32;
        for (int row = 0; row < 32; row += 2) {
            XmCellDef& cell = pattern.at(row, (row / 2 + p) % 4, song.channels);
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
    music_test::serve_bytes(test_song_bytes());
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

std::vector<int16_t> offline_pcm(Module* module, int frames, int piece,
                                 std::vector<PositionEntry>* positions)
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
        if (positions)
            positions->push_back({uint8_t(module->order), uint8_t(module->row), module->time_ms});
    }
    mixer_reset_voices();
    return out;
}
