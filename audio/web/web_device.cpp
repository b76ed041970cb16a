// The Web Audio wave device: thin calls into the page's player (audio/web/web_audio.js). The
// page makes the AudioContext on its click and hands it over as Module.vorruAudio; without one
// the device plays on the silent clock and the page says so.
#include "audio/web/web_device.h"

#include <emscripten.h>

#include "audio/sound.h"

// clang-format off
EM_JS(int, web_audio_open, (int rate, int blockCount), {
    var audio = Module['vorruAudio'];
    if (!audio || !audio.ctx || audio.ctx.state !== 'running' || audio.ctx.sampleRate !== rate)
        return 0;
    Module.vorruPlayer = VorruAudio.player(audio, blockCount);
    return 1;
});

EM_JS(void, web_audio_prepare, (const int16_t* ring, uint32_t bytes), {
    // HEAP16 is looked up at each use: a growing memory replaces it.
    Module.vorruPlayer.prepare(function() { return HEAP16; }, ring, bytes);
});

EM_JS(void, web_audio_write, (), { Module.vorruPlayer.write(); });

EM_JS(double, web_audio_position, (), { return Module.vorruPlayer.position(); });

EM_JS(void, web_audio_reset, (), { if (Module.vorruPlayer) Module.vorruPlayer.reset(); });

EM_JS(void, web_audio_say_silent, (), {
    if (Module['vorruNotice'])
        Module['vorruNotice']('No sound: Web Audio is missing or was refused; the demo runs on a silent clock.');
});
// clang-format on

namespace {

bool g_silent = false;

bool web_open(int rate) {
    g_silent = false;
    if (rate > 0 && web_audio_open(rate, SOUND_BLOCK_COUNT))
        return true;
    g_silent = true;
    web_audio_say_silent();
    return silent_wave_device()->open(rate);
}

void web_prepare(const int16_t* ring, uint32_t bytes) {
    if (g_silent)
        silent_wave_device()->prepare(ring, bytes);
    else
        web_audio_prepare(ring, bytes);
}

void web_write() {
    if (g_silent)
        silent_wave_device()->write();
    else
        web_audio_write();
}

uint64_t web_position() {
    if (g_silent)
        return silent_wave_device()->position();
    return uint64_t(web_audio_position());
}

// The player keeps what it was sent; the ring is not read again.
void web_unprepare() {
    if (g_silent)
        silent_wave_device()->unprepare();
}

void web_reset() {
    if (g_silent)
        silent_wave_device()->reset();
    else
        web_audio_reset();
}

void web_close() {
    web_reset();
    if (g_silent)
        silent_wave_device()->close();
}

void web_raise_thread_priority() {}

const WaveDevice WEB_DEVICE = {
    "web audio", web_open,     web_prepare,
    web_write,   web_position, web_unprepare,
    web_reset,   web_close,    web_raise_thread_priority,
};

} // namespace

const WaveDevice* web_wave_device() {
    return &WEB_DEVICE;
}

bool web_device_is_silent() {
    return g_silent;
}

const WaveDevice* wave_device_default() {
    return &WEB_DEVICE;
}
