// The feeder facility in a browser: one thread only (threads would need cross-origin isolation,
// which plain static hosting does not give), so the sound output is fed by sound_pump instead.
#include "audio/thread.h"

#include <emscripten.h>

SoundThread* sound_thread_start(void (*)(void*), void*) {
    return nullptr;
}

void sound_thread_join(SoundThread*) {}

// Yields to the browser for `ms` (the page is built with ASYNCIFY).
void sound_thread_sleep_ms(int ms) {
    emscripten_sleep(unsigned(ms > 0 ? ms : 0));
}
