// SDL2 implementation of the display's platform steps. The texture plays the back buffer, the
// renderer's present the flip; SDL's window events become activation and close messages.
#include "display/sdl/sdl_display.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "display/pixel_convert.h"

namespace {

struct SdlState {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int desktopWidth = 0;
    int desktopHeight = 0;
    int width = 0;
    int height = 0;
    Uint32 format = SDL_PIXELFORMAT_UNKNOWN;
    int slowPresents = 0; // consecutive vsync'd presents that took too long
};

SdlState g_sdl;

constexpr Uint64 PRESENT_WAIT_LIMIT_MS = 22;
constexpr int SLOW_PRESENTS_BEFORE_NO_VSYNC = 8;

const char* const LAYOUT_NAMES[PIXEL_LAYOUT_COUNT] = {
    "32_rgb", "32_bgr", "24_rgb", "24_bgr", "16_rgb565", "16_bgr565", "16_rgb555", "16_bgr555",
};

// SDL describes the 555 layouts as 15 bits deep; everything else by its storage size.
Uint32 sdl_format_of(const PixelLayout& layout) {
    int depth = layout.redMask == 0x7C00 || layout.blueMask == 0x7C00 ? 15 : layout.bitCount;
    return SDL_MasksToPixelFormatEnum(depth, layout.redMask, layout.greenMask, layout.blueMask, 0);
}

// The texture format chosen by the environment; the default is 32-bit XRGB.
Uint32 chosen_format() {
    const PixelLayout* layouts = display_pixel_layouts();
    int index = 0;
    if (const char* name = SDL_getenv(PIXEL_FORMAT_VARIABLE)) {
        int found = -1;
        for (int i = 0; i < PIXEL_LAYOUT_COUNT; ++i) {
            if (std::strcmp(name, LAYOUT_NAMES[i]) == 0)
                found = i;
        }
        if (found < 0)
            std::fprintf(stderr, "display: unknown %s '%s', using 32_rgb\n", PIXEL_FORMAT_VARIABLE,
                         name);
        else
            index = found;
    }
    return sdl_format_of(layouts[index]);
}

bool load_library() {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "display: SDL video: %s\n", SDL_GetError());
        return false;
    }
    // Without a display SDL falls back to a driver that shows nothing; take that only when
    // asked for by name, so that a missing display is said rather than played blind.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless = driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
    if (headless && !SDL_getenv("SDL_VIDEODRIVER")) {
        std::fprintf(stderr, "display: no display available (SDL video driver '%s'); no picture\n", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    g_sdl = SdlState{};
    g_sdl.format = chosen_format();
    return true;
}

bool create_device() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
        return false;
    g_sdl.desktopWidth = mode.w;
    g_sdl.desktopHeight = mode.h;
    return true;
}

void create_window(const char* title) {
    // Created at the desktop's size: without a window manager a full-screen-desktop window keeps
    // the size it was made with.
    g_sdl.window = SDL_CreateWindow(title, 0, 0, g_sdl.desktopWidth, g_sdl.desktopHeight,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (!g_sdl.window)
        std::fprintf(stderr, "display: SDL window: %s\n", SDL_GetError());
}

bool set_exclusive() {
    if (!g_sdl.window)
        return false;
    SDL_ShowWindow(g_sdl.window);
    SDL_RaiseWindow(g_sdl.window);
    SDL_ShowCursor(SDL_DISABLE);
    return true;
}

bool set_mode(int width, int height, int bitsPerPixel) {
    if (int(SDL_BYTESPERPIXEL(g_sdl.format)) * 8 != bitsPerPixel)
        return false;
    g_sdl.width = width;
    g_sdl.height = height;
    return true;
}

bool create_surfaces(int backBuffers) {
    if (!g_sdl.renderer) {
        // Presents wait for the display's refresh where the driver offers it, so the window
        // does not tear; the sound clock still paces the frame loop.
        g_sdl.renderer = SDL_CreateRenderer(g_sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
        if (!g_sdl.renderer)
            g_sdl.renderer = SDL_CreateRenderer(g_sdl.window, -1, 0);
        if (!g_sdl.renderer) {
            std::fprintf(stderr, "display: SDL renderer: %s\n", SDL_GetError());
            return false;
        }
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(g_sdl.renderer, &info) != 0 ||
            !(info.flags & SDL_RENDERER_PRESENTVSYNC))
            g_sdl.slowPresents = -1; // no vsync to give up
        SDL_RenderSetLogicalSize(g_sdl.renderer, g_sdl.width, g_sdl.height);
        SDL_RenderSetIntegerScale(g_sdl.renderer, SDL_TRUE);
    }
    if (!g_sdl.texture && backBuffers > 0) {
        g_sdl.texture = SDL_CreateTexture(g_sdl.renderer, g_sdl.format, SDL_TEXTUREACCESS_STREAMING,
                                          g_sdl.width, g_sdl.height);
        if (!g_sdl.texture) {
            std::fprintf(stderr, "display: SDL texture: %s\n", SDL_GetError());
            return false;
        }
        SDL_SetTextureScaleMode(g_sdl.texture, SDL_ScaleModeNearest);
    }
    return true;
}

bool attach_back_buffer() {
    return g_sdl.texture != nullptr;
}

bool get_pixel_format(int* bitCount, uint32_t* red, uint32_t* green, uint32_t* blue) {
    Uint32 format = 0;
    if (SDL_QueryTexture(g_sdl.texture, &format, nullptr, nullptr, nullptr) != 0)
        return false;
    if (SDL_ISPIXELFORMAT_FOURCC(format) || SDL_ISPIXELFORMAT_INDEXED(format))
        return false;
    int bpp = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    if (!SDL_PixelFormatEnumToMasks(format, &bpp, &r, &g, &b, &a))
        return false;
    *bitCount = int(SDL_BYTESPERPIXEL(format)) * 8;
    *red = r;
    *green = g;
    *blue = b;
    return true;
}

void set_screen_saver_active(bool active) {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    if (active)
        SDL_EnableScreenSaver();
    else
        SDL_DisableScreenSaver();
}

DisplayEvent translate(const SDL_Event& e) {
    DisplayEvent out;
    out.type = DisplayEventType::OTHER;
    out.message = e.type;
    switch (e.type) {
    case SDL_QUIT:
        out.type = DisplayEventType::CLOSE_REQUEST;
        break;
    case SDL_KEYDOWN:
        out.type = DisplayEventType::KEY_DOWN;
        out.key = e.key.keysym.sym;
        break;
    case SDL_WINDOWEVENT:
        out.wparam = e.window.event;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out.type = DisplayEventType::CLOSE_REQUEST;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED:
            out.type = DisplayEventType::ACTIVATE;
            out.active = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
            out.type = DisplayEventType::ACTIVATE;
            out.active = false;
            break;
        case SDL_WINDOWEVENT_ENTER:
            out.type = DisplayEventType::SET_CURSOR;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return out;
}

// SDL keeps one queue per process, so both scopes drain the same queue.
bool pump_one(DisplayPumpScope, DisplayEvent* removed) {
    SDL_Event e;
    if (!SDL_PollEvent(&e))
        return false;
    *removed = translate(e);
    display_window_proc(*removed);
    return true;
}

void sleep_ms(int ms) {
    SDL_Delay(Uint32(ms));
}

// Streaming textures keep their content; nothing is lost while inactive.
void restore() {}

bool lock(uint8_t** pixels, int* pitch) {
    void* memory = nullptr;
    if (!g_sdl.texture || SDL_LockTexture(g_sdl.texture, nullptr, &memory, pitch) != 0)
        return false;
    *pixels = static_cast<uint8_t*>(memory);
    return true;
}

void unlock(uint8_t*) {
    SDL_UnlockTexture(g_sdl.texture);
}

void flip() {
    SDL_SetRenderDrawColor(g_sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_sdl.renderer);
    SDL_RenderCopy(g_sdl.renderer, g_sdl.texture, nullptr, nullptr);
    const Uint64 start = SDL_GetPerformanceCounter();
    SDL_RenderPresent(g_sdl.renderer);
    if (g_sdl.slowPresents < 0)
        return;
    // A frame is due every song block (about 20 ms). A refresh slower than that (or a hidden
    // window whose presents stall) would make the waits drop frames: present without vsync then.
    const Uint64 limit = SDL_GetPerformanceFrequency() * PRESENT_WAIT_LIMIT_MS / 1000;
    g_sdl.slowPresents = SDL_GetPerformanceCounter() - start > limit ? g_sdl.slowPresents + 1 : 0;
    if (g_sdl.slowPresents >= SLOW_PRESENTS_BEFORE_NO_VSYNC) {
        g_sdl.slowPresents = -1;
        if (SDL_RenderSetVSync(g_sdl.renderer, 0) == 0)
            std::fprintf(stderr, "display: presents wait too long for the refresh; vsync off\n");
    }
}

void release_surfaces() {
    if (g_sdl.texture)
        SDL_DestroyTexture(g_sdl.texture);
    if (g_sdl.renderer)
        SDL_DestroyRenderer(g_sdl.renderer);
    g_sdl.texture = nullptr;
    g_sdl.renderer = nullptr;
}

// A desktop-sized window never changed the video mode, so there is nothing to restore.
void release_device() {}

void destroy_window() {
    if (g_sdl.window)
        SDL_DestroyWindow(g_sdl.window);
    g_sdl.window = nullptr;
    SDL_ShowCursor(SDL_ENABLE);
}

void unload_library() {
    // Quitting video resumes the screen saver too; enable it first so the order matches close.
    SDL_EnableScreenSaver();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void hide_cursor() {
    SDL_ShowCursor(SDL_DISABLE);
}

intptr_t default_window_proc(const DisplayEvent&) {
    return 0;
}

const DisplayBackend SDL_BACKEND = {
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

const DisplayBackend* display_sdl_backend() {
    return &SDL_BACKEND;
}
