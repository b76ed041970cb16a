// Fuzz target: the XM loader on arbitrary bytes through FileCallbacks; a song that loads is
// played through the tick-and-mix loop the block fill uses, in short blocks converted to PCM,
// for a bounded number of ticks, then freed.
#include <cstdint>
#include <vector>

#include "mixer/mixer.h"
#include "audio/render.h"
#include "music/music.h"
#include "tests/music/music_test_support.h"

namespace {

// Low rates keep the frames per tick, and so the time per input, small; 44100 brings the
// steps below one value per frame that ping-pong and loop ends are most delicate with. The
// input's last byte picks the rate, so any file plays at each of them.
constexpr int RATES[3] = {2000, 11025, 44100};
constexpr int BLOCK_FRAMES = 40;
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
    mixer_set_rate(RATES[data[size - 1] % 3]);
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
