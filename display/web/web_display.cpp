// The canvas display: the back buffer is plain memory in the surface layout the canvas takes
// (R, G, B, X bytes), and the flip puts it onto the page's canvas with X made opaque. Messages
// come from the page's listeners through a small queue kept on the JS side.
#include "display/web/web_display.h"

#include <emscripten.h>

#include <vector>

// clang-format off
EM_JS(int, web_canvas_find, (), {
    return document.getElementById('vorru-canvas') ? 1 : 0;
});

// Keys are listened for on the whole page, so they are the thread's messages, which only the
// frame loop's own poll removes; visibility changes are the window's activation.
EM_JS(void, web_canvas_listen, (int width, int height), {
    var canvas = document.getElementById('vorru-canvas');
    canvas.width = width;
    canvas.height = height;
    var events = [];
    events.push([2, 0]);
    var onKey = function(e) {
        if (e.repeat) return;
        events.push([1, e.keyCode & 0xFFFF]);
        e.preventDefault();
    };
    var onVisible = function() { events.push([document.hidden ? 3 : 2, 0]); };
    document.addEventListener('keydown', onKey);
    document.addEventListener('visibilitychange', onVisible);
    Module.vorruDisplay = {
        canvas: canvas,
        context: canvas.getContext('2d', { alpha: false }),
        events: events,
        stop: function() {
            document.removeEventListener('keydown', onKey);
            document.removeEventListener('visibilitychange', onVisible);
        }
    };
});

// The next message as kind << 16 | key (1 key down, 2 active, 3 inactive), or 0 for none.
EM_JS(int, web_canvas_pop, (int anyWindow), {
    var d = Module.vorruDisplay;
    if (!d) return 0;
    for (var i = 0; i < d.events.length; i++) {
        if (anyWindow || d.events[i][0] != 1) {
            var e = d.events.splice(i, 1)[0];
            return e[0] << 16 | e[1];
        }
    }
    return 0;
});

EM_JS(void, web_canvas_show, (const uint8_t* pixels, int width, int height), {
    var d = Module.vorruDisplay;
    if (!d) return;
    if (!d.image) d.image = d.context.createImageData(width, height);
    var image = d.image;
    var to = new Uint32Array(image.data.buffer);
    var from = HEAPU32.subarray(pixels >> 2, (pixels >> 2) + width * height);
    for (var i = 0; i < to.length; i++) to[i] = from[i] | 0xFF000000;
    d.context.putImageData(image, 0, 0);
    if (Module['vorruFrameShown']) Module['vorruFrameShown']();
});

// The canvas keeps the last frame: the page shows it under "play again".
EM_JS(void, web_canvas_stop, (), {
    if (Module.vorruDisplay) Module.vorruDisplay.stop();
    Module.vorruDisplay = null;
});
// clang-format on

namespace {

struct WebState {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> back;
    bool locked = false;
};

WebState g_web;

bool load_library() {
    return web_canvas_find() != 0;
}

bool create_device() {
    return true;
}

void create_window(const char*) {}

bool set_exclusive() {
    return true;
}

// The canvas takes 32-bit pixels only.
bool set_mode(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel != 32)
        return false;
    g_web.width = width;
    g_web.height = height;
    return true;
}

bool create_surfaces(int backBuffers) {
    if (backBuffers < 1)
        return false;
    g_web.back.assign(size_t(g_web.width) * size_t(g_web.height), 0);
    web_canvas_listen(g_web.width, g_web.height);
    return true;
}

bool attach_back_buffer() {
    return !g_web.back.empty();
}

// ImageData's bytes are R, G, B, A: as a little-endian word, red is the low byte.
bool get_pixel_format(int* bitCount, uint32_t* red, uint32_t* green, uint32_t* blue) {
    *bitCount = 32;
    *red = 0x0000FF;
    *green = 0x00FF00;
    *blue = 0xFF0000;
    return true;
}

void set_screen_saver_active(bool) {}

DisplayEvent event_of(int code) {
    DisplayEvent e;
    switch (code >> 16) {
    case 1:
        e.type = DisplayEventType::KEY_DOWN;
        e.key = code & 0xFFFF;
        break;
    case 2:
    case 3:
        e.type = DisplayEventType::ACTIVATE;
        e.active = (code >> 16) == 2;
        break;
    default:
        e.type = DisplayEventType::OTHER;
        break;
    }
    return e;
}

bool pump_one(DisplayPumpScope scope, DisplayEvent* removed) {
    int code = web_canvas_pop(scope == DisplayPumpScope::THREAD ? 1 : 0);
    if (code == 0)
        return false;
    *removed = event_of(code);
    display_window_proc(*removed);
    return true;
}

// The page draws between the frame loop's waits; nothing to give up here.
void sleep_ms(int) {}

void restore() {}

bool lock(uint8_t** pixels, int* pitch) {
    if (g_web.back.empty() || g_web.locked)
        return false;
    g_web.locked = true;
    *pixels = reinterpret_cast<uint8_t*>(g_web.back.data());
    *pitch = g_web.width * 4;
    return true;
}

void unlock(uint8_t*) {
    g_web.locked = false;
}

void flip() {
    web_canvas_show(reinterpret_cast<const uint8_t*>(g_web.back.data()), g_web.width, g_web.height);
}

void release_surfaces() {
    web_canvas_stop();
    g_web.back.clear();
}

void release_device() {}
void destroy_window() {}
void unload_library() {}
void hide_cursor() {}

intptr_t default_window_proc(const DisplayEvent&) {
    return 0;
}

const DisplayBackend WEB_BACKEND = {
    load_library,
    create_device,
    create_window,
    set_exclusive,
    set_mode,
    create_surfaces,
    attach_back_buffer,
    get_pixel_format,
    set_screen_saver_active,
    pump_one,
    sleep_ms,
    restore,
    lock,
    unlock,
    flip,
    release_surfaces,
    release_device,
    destroy_window,
    unload_library,
    hide_cursor,
    default_window_proc,
    nullptr,
};

} // namespace

const DisplayBackend* display_web_backend() {
    return &WEB_BACKEND;
}
