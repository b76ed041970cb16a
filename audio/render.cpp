// The tick-and-mix loop: ticks at tick boundaries, mixer passes in between, the song clock.
#include "audio/render.h"

#include <cstddef>

#include "mixer/mixer.h"

void render_frames(Module* module, float* mix, int frames) {
    if (!module || !mix || frames < 1)
        return;
    int32_t left = module->tick_samples_left;
    int done = 0;
    while (done < frames) {
        if (left <= 0) {
            if (module->tick_entry)
                module->tick_entry(module);
            left = module->samples_per_tick < 1 ? 1 : module->samples_per_tick;
        }
        const int n = left < frames - done ? left : frames - done;
        mixer_mix(mix + 2 * size_t(done), n);
        done += n;
        left -= n;
        // Single-precision reciprocal, double product: 882 frames add 19 ms, not 20.
        module->time_ms += int32_t(double(n) * double(mixer_settings.reciprocal) * 1000.0);
    }
    module->tick_samples_left = left;
}
