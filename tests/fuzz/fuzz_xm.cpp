// Fuzz target: the XM loader on arbitrary bytes through FileCallbacks; a song that loads is
// played through the tick-and-mix loop the block fill uses, in 20 ms blocks converted to PCM,
// for a bounded number of ticks, then freed.
#include <cstdint>
#include <vector>

#include "audio/mixer.h"
#include "audio/render.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"

namespace {

// A low rate keeps the frames per tick, and so the time per input, small.
constexpr int RATE = 2000;
constexpr int BLOCK_FRAMES = RATE / 50;
constexpr int MAX_TICKS = 96;
constexpr int MAX_FRAMES = 8192;

int ticks = 0;

void counted_tick(Module* module) {
    ++ticks;
    music_tick(module);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Module* module = music_test::load_module_bytes(std::vector<uint8_t>(data, data + size));
    if (!module)
        return 0;
    mixer_set_rate(RATE);
    mixer_reset_voices();
    music_reset_playback(module);
    module->tick_entry = counted_tick;
    ticks = 0;
    float mix[2 * BLOCK_FRAMES];
    int16_t pcm[2 * BLOCK_FRAMES];
    for (int frames = 0; frames < MAX_FRAMES && ticks < MAX_TICKS; frames += BLOCK_FRAMES) {
        for (float& v : mix)
            v = 0.0f;
        render_frames(module, mix, BLOCK_FRAMES);
        mixer_to_pcm16(pcm, mix, BLOCK_FRAMES);
    }
    music_free(module);
    // Voices may still point into the freed song; the next input starts from cleared ones.
    mixer_reset_voices();
    return 0;
}
