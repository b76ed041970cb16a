// The display's module state and its open, update and close sequences over a DisplayBackend.
// The sequences are the platform's steps in order; only the conversion is done here.
#include "display/display.h"

#include <cstdio>
#include <cstdlib>

#include "display/display_backend.h"
#include "display/display_poll.h"
#include "display/pixel_convert.h"

namespace {

struct Display {
    int width = 0;
    int height = 0;
    const DisplayBackend* backend = nullptr;
    // What exists, so that close releases only that (the platform handles of a backend).
    bool libraryLoaded = false;
    bool deviceCreated = false;
    bool windowCreated = false;
    bool surfacesCreated = false;
    bool open = false;
    bool active = false;
    PixelConverter converter = nullptr;
    int bytesPerPixel = 0;
};

Display g_display;
const DisplayBackend* g_selectedBackend = nullptr;

constexpr int MODE_BITS[] = {32, 24, 16};
constexpr int BACK_BUFFER_TRIES[] = {2, 1, 0};

bool set_first_mode(const DisplayBackend& b, int width, int height) {
    for (int bits : MODE_BITS) {
        if (b.setMode(width, height, bits))
            return true;
    }
    return false;
}

bool create_first_surfaces(const DisplayBackend& b) {
    for (int count : BACK_BUFFER_TRIES) {
        if (b.createSurfaces(count))
            return true;
    }
    return false;
}

void end_process(const DisplayBackend* backend, int code) {
    if (backend && backend->exitProcess)
        backend->exitProcess(code);
    // The console trace must reach its reader even though no destructor runs.
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace

void display_set_backend(const DisplayBackend* backend) {
    g_selectedBackend = backend;
}

int display_open(const char* title, int width, int height) {
    Display& d = g_display;
    if (d.open || width <= 0 || height <= 0 || !title)
        return 0;
    // A failed earlier open leaves its steps in place; release them before starting again.
    if (d.libraryLoaded || d.windowCreated)
        display_close();
    d = Display{};
    d.width = width;
    d.height = height;
    d.backend = g_selectedBackend ? g_selectedBackend : display_platform_backend();
    if (!d.backend)
        return 0;
    const DisplayBackend& b = *d.backend;

    if (!b.loadLibrary())
        return 0;
    d.libraryLoaded = true;
    if (!b.createDevice())
        return 0;
    d.deviceCreated = true;
    b.createWindow(title);
    d.windowCreated = true;
    if (!b.setExclusive())
        return 0;
    if (!set_first_mode(b, width, height))
        return 0;
    if (!create_first_surfaces(b))
        return 0;
    d.surfacesCreated = true;
    if (!b.attachBackBuffer())
        return 0;
    int bitCount = 0;
    uint32_t red = 0, green = 0, blue = 0;
    if (!b.getPixelFormat(&bitCount, &red, &green, &blue))
        return 0;
    d.converter = display_pick_converter(bitCount, red, green, blue);
    if (!d.converter)
        return 0;
    d.bytesPerPixel = display_find_layout(bitCount, red, green, blue)->bytesPerPixel;
    b.setScreenSaverActive(false);
    d.open = true;
    return 1;
}

int display_update(const uint32_t* pixels) {
    Display& d = g_display;
    if (!d.open || !pixels)
        return 0;
    const DisplayBackend& b = *d.backend;
    DisplayEvent event;
    // A close request dispatched here does not return.
    while (d.open && b.pumpOne(DisplayPumpScope::WINDOW, &event)) {
    }
    if (!d.open)
        return 0;
    if (!d.active) {
        b.sleepMs(1);
        return 1;
    }
    b.restore();
    uint8_t* surface = nullptr;
    int pitch = 0;
    if (!b.lock(&surface, &pitch) || !surface)
        return 0;
    // A pitch shorter than a row would make rows overlap or run past the surface.
    if (pitch < d.width * d.bytesPerPixel) {
        b.unlock(surface);
        return 0;
    }
    display_convert_frame(d.converter, pixels, d.width, d.height, surface, pitch, d.bytesPerPixel);
    b.unlock(surface);
    b.flip();
    b.sleepMs(0);
    return 1;
}

void display_close() {
    Display& d = g_display;
    if (!d.backend)
        return;
    const DisplayBackend& b = *d.backend;
    if (d.surfacesCreated)
        b.releaseSurfaces();
    d.surfacesCreated = false;
    if (d.deviceCreated)
        b.releaseDevice();
    d.deviceCreated = false;
    if (d.windowCreated)
        b.destroyWindow();
    d.windowCreated = false;
    if (d.libraryLoaded)
        b.unloadLibrary();
    d.libraryLoaded = false;
    b.setScreenSaverActive(true);
    d.open = false;
    d.active = false;
    d.converter = nullptr;
}

bool display_is_active() {
    return g_display.active;
}

intptr_t display_window_proc(const DisplayEvent& event) {
    Display& d = g_display;
    switch (event.type) {
    case DisplayEventType::CLOSE_REQUEST: {
        const DisplayBackend* backend = d.backend;
        display_close();
        end_process(backend, 0);
        return 0;
    }
    case DisplayEventType::ACTIVATE:
        d.active = event.active;
        return 0;
    case DisplayEventType::SET_CURSOR:
        if (d.backend)
            d.backend->hideCursor();
        return 0;
    default:
        return d.backend ? d.backend->defaultWindowProc(event) : 0;
    }
}

bool display_poll_event(DisplayEvent* lastPolled) {
    Display& d = g_display;
    if (!d.backend || !d.windowCreated || !lastPolled)
        return false;
    DisplayEvent event;
    if (!d.backend->pumpOne(DisplayPumpScope::THREAD, &event))
        return false;
    *lastPolled = event;
    return true;
}
