// vorru as a web page: the demo with the canvas display and Web Audio. One thread: the frame
// clock's wait feeds the sound (sound_pump) and yields to the browser. With ?capture the page
// runs the demo against the in-memory display and sound device instead, one sound block per
// frame as vorru-capture does, and reports each frame's checksum and the PCM's.
#include <emscripten.h>

#include <cstdint>
#include <vector>

#include "audio/memory/memory_device.h"
#include "audio/sound.h"
#include "demo/demo_main.h"
#include "demo/frame_clock.h"
#include "display/display.h"
#include "display/memory/memory_display.h"
#include "tools/capture/frame_sum.h"

// clang-format off
EM_JS(int, page_capture_mode, (), { return Module['vorruCapture'] ? 1 : 0; });

EM_JS(void, page_position, (int order, int row, int time), {
    if (Module['vorruPosition']) Module['vorruPosition'](order, row, time);
});

EM_JS(void, page_capture_frame, (int frame, int order, uint32_t sum), {
    if (Module['vorruCaptureFrame']) Module['vorruCaptureFrame'](frame, order, sum >>> 0);
});

EM_JS(void, page_ended, (int frames, uint32_t pcmSum, int pcmFrames), {
    if (Module['vorruEnded']) Module['vorruEnded'](frames, pcmSum >>> 0, pcmFrames);
});
// clang-format on

namespace {

// Between two reads of the song clock: feed the sound, then let the browser play, draw and
// deliver key presses and the player's counts.
void wait_in_browser() {
    sound_pump();
    Module* song = sound_output().playing;
    page_position(sound_get_order(song), sound_get_row(song), sound_get_time(song));
    emscripten_sleep(1);
}

struct Capture {
    int frame = 0;
    bool moved = false;
};
Capture capture;

// One block of sound per frame, as vorru-capture moves its device; a short yield now and then
// keeps the page answering while the whole demo renders.
void wait_in_capture() {
    if (!capture.moved) {
        capture.moved = true;
        memory_device_advance(static_cast<uint64_t>(sound_output().block_frames));
        if (capture.frame % 64 == 0)
            emscripten_sleep(0);
    }
    sound_pump();
}

void on_capture_present(const uint8_t* surface, int width, int height, int pitch, void*) {
    capture.moved = false;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++) {
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(surface + static_cast<size_t>(y) * pitch);
        for (int x = 0; x < width; x++)
            pixels[static_cast<size_t>(y) * width + x] = row[x] & 0x00FFFFFF;
    }
    page_capture_frame(capture.frame, sound_get_order(sound_output().playing),
                       capture_frame_sum(pixels.data(), width, height, width));
    capture.frame++;
}

} // namespace

int main() {
    sound_set_threaded(false);
    const bool capturing = page_capture_mode() != 0;
    if (capturing) {
        display_memory_configure(MemoryDisplayConfig{});
        display_set_backend(display_memory_backend());
        display_memory_set_present_callback(on_capture_present, nullptr);
        sound_set_device(memory_wave_device());
        memory_device_record(true);
        frame_clock_set_idle_hook(wait_in_capture);
        frame_clock_set_stall_ms(5000);
    } else {
        frame_clock_set_idle_hook(wait_in_browser);
    }
    demo_run();
    const std::vector<int16_t> pcm = capturing ? memory_device_recording() : std::vector<int16_t>();
    page_ended(capture.frame, capture_pcm_sum(pcm.data(), pcm.size()),
               static_cast<int>(pcm.size() / 2));
    return 0;
}
