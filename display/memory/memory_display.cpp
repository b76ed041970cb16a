// In-memory implementation of the display's platform steps. Surfaces are byte vectors filled
// with a marker so that tests can see every byte the conversion did or did not write.
#include "display/memory/memory_display.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>

namespace {

constexpr uint8_t UNWRITTEN = 0xA5;

struct Queued {
    DisplayEvent event;
    bool forWindow;
};

struct MemoryState {
    MemoryDisplayConfig config;
    int width = 0;
    int height = 0;
    int pitch = 0;
    bool surfaces = false;
    bool backBuffer = false;
    bool locked = false;
    std::vector<uint8_t> back;
    std::vector<uint8_t> front;
    int flips = 0;
    std::deque<Queued> queue;
    std::vector<std::string> log;
    bool screenSaverActive = true;
    bool cursorHidden = false;
    MemoryPresentCallback callback = nullptr;
    void* callbackUser = nullptr;
};

MemoryState& state() {
    static MemoryState s;
    return s;
}

void note(const std::string& step) {
    state().log.push_back(step);
}

bool load_library() {
    note("loadLibrary");
    return !state().config.failLoad;
}

bool create_device() {
    note("createDevice");
    return !state().config.failDevice;
}

void create_window(const char* title) {
    note(std::string("createWindow ") + title);
    if (state().config.activateOnOpen) {
        DisplayEvent e;
        e.type = DisplayEventType::ACTIVATE;
        e.active = true;
        state().queue.push_back({e, true});
    }
}

bool set_exclusive() {
    note("setExclusive");
    return !state().config.failExclusive;
}

bool set_mode(int width, int height, int bits) {
    note("setMode " + std::to_string(bits));
    MemoryState& s = state();
    if (bits != s.config.bitCount)
        return false;
    s.width = width;
    s.height = height;
    return true;
}

bool create_surfaces(int backBuffers) {
    note("createSurfaces " + std::to_string(backBuffers));
    MemoryState& s = state();
    if (backBuffers > s.config.maxBackBuffers)
        return false;
    int row = s.width * ((s.config.bitCount + 7) / 8);
    // A configured pitch below the row is kept: the display must refuse to convert into it.
    s.pitch = s.config.pitch > 0 ? s.config.pitch : row;
    s.surfaces = true;
    s.backBuffer = backBuffers > 0;
    s.back.assign(std::size_t(s.pitch) * std::size_t(s.height), UNWRITTEN);
    s.front = {};
    return true;
}

bool attach_back_buffer() {
    note("attachBackBuffer");
    return state().backBuffer;
}

bool get_pixel_format(int* bitCount, uint32_t* red, uint32_t* green, uint32_t* blue) {
    note("getPixelFormat");
    const MemoryDisplayConfig& c = state().config;
    if (!c.rgb)
        return false;
    *bitCount = c.bitCount;
    *red = c.redMask;
    *green = c.greenMask;
    *blue = c.blueMask;
    return true;
}

void set_screen_saver_active(bool active) {
    note(active ? "screenSaver on" : "screenSaver off");
    state().screenSaverActive = active;
}

bool pump_one(DisplayPumpScope scope, DisplayEvent* removed) {
    MemoryState& s = state();
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (scope == DisplayPumpScope::WINDOW && !it->forWindow)
            continue;
        DisplayEvent event = it->event;
        s.queue.erase(it);
        *removed = event;
        display_window_proc(event);
        return true;
    }
    return false;
}

void sleep_ms(int ms) {
    note("sleep " + std::to_string(ms));
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void restore() {
    note("restore");
}

bool lock(uint8_t** pixels, int* pitch) {
    note("lock");
    MemoryState& s = state();
    if (s.config.failLock || !s.backBuffer || s.locked)
        return false;
    s.locked = true;
    *pixels = s.back.data();
    *pitch = s.pitch;
    return true;
}

void unlock(uint8_t* pixels) {
    note("unlock");
    MemoryState& s = state();
    if (pixels == s.back.data())
        s.locked = false;
}

void flip() {
    note("flip");
    MemoryState& s = state();
    if (!s.backBuffer || s.locked)
        return;
    s.front = s.back;
    ++s.flips;
    if (s.callback)
        s.callback(s.front.data(), s.width, s.height, s.pitch, s.callbackUser);
}

void release_surfaces() {
    note("releaseSurfaces");
    MemoryState& s = state();
    s.surfaces = s.backBuffer = s.locked = false;
    s.back = {};
}

void release_device() {
    note("releaseDevice");
}
void destroy_window() {
    note("destroyWindow");
}
void unload_library() {
    note("unloadLibrary");
}

void hide_cursor() {
    state().cursorHidden = true;
}

intptr_t default_window_proc(const DisplayEvent&) {
    return 0;
}

// Runs in the process that is about to end: tell the parent what was closed, in order.
void exit_process(int code) {
    std::string steps;
    for (const std::string& step : state().log)
        steps += step + ";";
    std::fprintf(stderr, "memory display exit %d after: %s\n", code, steps.c_str());
}

const DisplayBackend MEMORY_BACKEND = {
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
    exit_process,
};

} // namespace

void display_memory_configure(const MemoryDisplayConfig& config) {
    MemoryPresentCallback callback = state().callback;
    void* user = state().callbackUser;
    state() = MemoryState{};
    state().config = config;
    state().callback = callback;
    state().callbackUser = user;
}

const DisplayBackend* display_memory_backend() {
    return &MEMORY_BACKEND;
}

void display_memory_post(const DisplayEvent& event, bool forWindow) {
    state().queue.push_back({event, forWindow});
}

int display_memory_pending() {
    return int(state().queue.size());
}

void display_memory_set_present_callback(MemoryPresentCallback callback, void* user) {
    state().callback = callback;
    state().callbackUser = user;
}

const std::vector<uint8_t>& display_memory_front() {
    return state().front;
}
int display_memory_pitch() {
    return state().pitch;
}
int display_memory_flips() {
    return state().flips;
}
const std::vector<std::string>& display_memory_log() {
    return state().log;
}
void display_memory_clear_log() {
    state().log.clear();
}
bool display_memory_screen_saver_active() {
    return state().screenSaverActive;
}
bool display_memory_cursor_hidden() {
    return state().cursorHidden;
}
